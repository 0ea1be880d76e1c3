// Inside the Internet client service (not installed): the session's options, the
// libcurl transfer loop that every handle drives, and the state of one connection.
// A Transfer is a libcurl easy handle inside a multi handle of its own, driven in a
// blocking loop: a call returns when what it waits for (the answer's headers, the next
// bytes, the end) has come. Bodies are pulled by Read from a bounded buffer; when the
// caller reads slower than the network delivers, the transfer is paused, so memory does
// not grow with the size of the file.
//
// A connection (TVxInetConnection: a component's run) has one Transfer that its calls
// take in turn, for HTTP as for FTP: one easy handle per run rather than a share handle.
// The multi handle's connection cache then carries every request of the run on the one
// connection that its first request opened (libcurl keeps an answered connection open
// for the next request), and an HTTPS run does one TLS handshake.
#pragma once

#include <vedidoredo/platform/VxInternet.h>

#include "platform/VxHostText.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QString>

#include <curl/curl.h>

#include <functional>
#include <memory>
#include <vector>

namespace VxInetDetail {

// libcurl's own setup, once per process.
void GlobalInit();
// Where the CAs trusted for HTTPS come from.
struct TrustSetup {
    QByteArray CaPath;  // the system's CA directory; empty: libcurl's bundle instead
    QByteArray CaBlob;  // the CAs the application added (without the directory: with the
                        // system's bundle); empty when it added none
};
TrustSetup Trust();

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
    TrustSetup Trusted;
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
    // Runs the transfer until Ready() holds, it ended, or Until expired.
    void Pump(const std::function<bool()>& Ready, QDeadlineTimer Until = QDeadlineTimer(QDeadlineTimer::Forever));
    CURLcode RunToEnd();
    // Starts and waits for the answer's headers: the first body bytes (which libcurl
    // keeps until the first Read) or the end.
    void StartStream();
    qint64 Read(char* Data, qint64 Size);
    // Ends a running transfer; the handle keeps its options and connections. A transfer
    // ended before its end closes its connection.
    void Stop();
    // Reads the rest of a running transfer's answer and throws it away when that rest is
    // known to be at most Limit bytes, within WaitMs: an answer read to its end leaves
    // its connection open for the next transfer.
    void Drain(qint64 Limit, int WaitMs);

    bool Running() const { return Added && !Done; }
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
    bool HoldFirstChunk = false;  // a stream: the first body bytes wait for Read
    qint64 ResumeFrom = 0;  // a range was asked for; a 200 answer skips this much
    QList<QByteArray> HeaderLines;
    QString LastResponse;  // FTP: the server's last reply line
    std::function<long(const curl_fileinfo*)> OnChunk;

private:
    void Finish(CURLcode Code);
    // Lets libcurl deliver again after OnWrite paused it.
    void Unpause();
    static size_t OnWrite(char* Data, size_t Size, size_t Count, void* User);
    static size_t OnHeader(char* Data, size_t Size, size_t Count, void* User);

    std::vector<char> Buffer;
    size_t BufferPos = 0;
    bool Added = false;
    bool Done = false;
    bool Paused = false;
    bool Discarding = false;
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
    // HTTP: the transfer the requests take in turn, and the same kind of counter.
    std::shared_ptr<Transfer> Http;
    quint64 HttpGeneration = 0;
    // HTTP: whether the way to the server is known to be open: the server (or the named
    // proxy) accepted a connection and, talking HTTPS to the server itself, its
    // certificate was accepted. Until then a request that fails has found the way
    // closed. Through a proxy of the environment the way is not told apart.
    bool WayOpen = false;

    QByteArray BaseUrl(const char* Scheme) const;
    // An absolute path: Path itself, or Path below the current directory.
    QString Resolve(const QString& Path) const;
    // The URL of an absolute path; AsDirectory ends it with a slash.
    QByteArray FtpUrl(const QString& AbsPath, bool AsDirectory) const;
    // Takes the FTP connection for a new call: a file still being read stops here.
    Transfer& TakeFtp();
    // Takes the HTTP transfer for a new request: a short rest of the answer before is
    // read first, so that its connection stays open; a longer one stops here.
    Transfer& TakeHttp();
    // Whether T, running or ended, has found the way open (then it stays so).
    bool Reached(const Transfer& T, bool Secure);
};

}  // namespace VxInetDetail
