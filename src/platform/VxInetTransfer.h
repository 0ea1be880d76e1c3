// Inside the Internet client service (not installed): the session's options, the
// libcurl transfer loop that every handle drives, and the state of one connection.
// Every handle that transfers owns a libcurl easy handle inside a multi handle of its
// own, which Transfer drives in a blocking loop: a call returns when what it waits for
// (the answer's headers, the next bytes, the end) has come. Bodies are pulled by Read
// from a bounded buffer; when the caller reads slower than the network delivers, the
// transfer is paused, so memory does not grow with the size of the file.
#pragma once

#include <vedidoredo/platform/VxInternet.h>

#include "platform/VxHostText.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <curl/curl.h>

#include <functional>
#include <memory>
#include <vector>

namespace VxInetDetail {

// libcurl's own setup, once per process.
void GlobalInit();
// The system's CA bundle with the CAs the application added; empty when none was added
// (libcurl then reads the system's bundle itself).
QByteArray TrustedCaBlob();

QByteArray Utf8(const QString& S);
// Percent-encodes what may not stand in a URL path as it is; '%' sequences that the
// caller already wrote are kept.
QByteArray EncodePath(const QString& Path);
// A whole URL: as above, and the brackets of an IPv6 host and a fragment stay.
QByteArray EncodeUrl(const QString& Url);
// One path segment, everything reserved encoded.
QByteArray EncodeSegment(const QString& Segment);
// Whether libcurl will take a proxy from the environment for Scheme.
bool EnvProxyApplies(const QString& Scheme);

struct SessionState {
    QByteArray Agent;
    QByteArray ProxyName;  // empty: the system's proxy
    long ProxyPort = 0;
    int ConnectMs = 0;
    int StallMs = 0;
    QByteArray CaBlob;
    QByteArray ProxyUser, ProxyPassword;  // for whole URLs, and requests without their own

    bool NamedProxy() const { return !ProxyName.isEmpty(); }
    // The options every transfer of this session gets. Direct: no proxy at all.
    void Apply(CURL* E, bool Direct) const;
};

// One libcurl transfer at a time on one easy handle, driven to the point the caller
// waits for. The easy handle keeps its connections between transfers (FTP reuses the
// logged-in control connection).
class Transfer {
public:
    Transfer();
    ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // Clears the options and the state of the last transfer (connections stay).
    void Prepare(const SessionState& Session, bool Direct);
    // Header lines "Name: value", separated by line feeds.
    void SetHeaders(const QByteArray& Text);
    void Start();
    // Runs the transfer until Ready() holds or it ended.
    void Pump(const std::function<bool()>& Ready);
    CURLcode RunToEnd();
    // Starts and waits for the answer's headers: the first body bytes or the end.
    void StartStream();
    qint64 Read(char* Data, qint64 Size);
    // Ends a running transfer; the handle keeps its options and connections.
    void Stop();

    bool Ended() const { return Done; }
    bool Succeeded() const { return Done && Result == CURLE_OK; }
    size_t Available() const { return Buffer.size() - BufferPos; }
    // The HTTP status, or the proxy's when it refused the tunnel.
    long ResponseCode() const;
    // What kind of failure ended the last transfer.
    TVxInetFailure Failure() const;
    QString ErrorText() const;

    static long OnChunkBegin(const void* Info, void* User, int);

    CURL* Easy = nullptr;
    CURLM* Multi = nullptr;
    CURLcode Result = CURLE_OK;
    bool BodyStarted = false;
    qint64 ResumeFrom = 0;  // a range was asked for; a 200 answer skips this much
    QList<QByteArray> HeaderLines;
    QString LastResponse;  // FTP: the server's last reply line
    std::function<long(const curl_fileinfo*)> OnChunk;

private:
    void Finish(CURLcode Code);
    static size_t OnWrite(char* Data, size_t Size, size_t Count, void* User);
    static size_t OnHeader(char* Data, size_t Size, size_t Count, void* User);

    std::vector<char> Buffer;
    size_t BufferPos = 0;
    bool Added = false;
    bool Done = false;
    bool Paused = false;
    bool FirstChunkSeen = false;
    qint64 Skip = 0;
    curl_slist* Headers = nullptr;
    char ErrorBuffer[CURL_ERROR_SIZE];
};

struct ConnectionState {
    std::shared_ptr<SessionState> Session;
    TVxInetServiceKind Service = TVxInetServiceKind::Http;
    QString Host;
    int Port = 0;
    QByteArray User, Password;
    // FTP: the logged-in control connection, the directory calls are relative to, and
    // a counter that tells an open file that another call took the connection over.
    std::shared_ptr<Transfer> Ftp;
    QString CurrentDir = QStringLiteral("/");
    quint64 FtpGeneration = 0;

    QByteArray BaseUrl(const char* Scheme) const;
    // An absolute path: Path itself, or Path below the current directory.
    QString Resolve(const QString& Path) const;
    // The URL of an absolute path; AsDirectory ends it with a slash.
    QByteArray FtpUrl(const QString& AbsPath, bool AsDirectory) const;
    // Takes the FTP connection for a new call: a file still being read stops here.
    Transfer& TakeFtp();
};

}  // namespace VxInetDetail
