/// \file
/// The Internet client service: HTTP, HTTPS and FTP transfers over libcurl, in blocking
/// calls on the caller's thread. A session carries the agent name, the proxy choice and
/// the time limits; a connection is one server (and, for FTP, one logged-in control
/// connection); requests, FTP searches and FTP files are opened on a connection. Every
/// object is a handle that closes what it holds when it is destroyed.
///
/// A connection opens one network connection to the server (or to the proxy) for all
/// its calls: the HTTP requests of a connection are sent on the one connection its first
/// request opened, as long as the server keeps it open, so they take turns: sending a
/// request ends the transfer of the one before. An HTTPS connection does one TLS
/// handshake.
///
/// Certificates of HTTPS servers are always verified, against the system's CAs.
/// An application that must trust one more CA (a company CA, or a test CA) names its
/// PEM file with VxInetAddTrustedCertificates(), or in the environment variable
/// VEDIDOREDO_CA_FILE; both add to the system's CAs, they do not replace them.
///
/// FTP uses passive data connections (EPSV, then PASV) and binary transfers, and is
/// reached directly: a proxy (named, or the system's) carries HTTP, HTTPS and whole URLs.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

/// Flags of connections and requests (the values the wider world knows them by).
inline constexpr quint32 VxInetFlagReload = 0x80000000u;          ///< never from a cache
inline constexpr quint32 VxInetFlagSecure = 0x00800000u;          ///< HTTPS
inline constexpr quint32 VxInetFlagKeepConnection = 0x00400000u;  ///< accepted, no effect
inline constexpr quint32 VxInetFlagBinary = 0x00000002u;          ///< FTP binary transfer

/// File attributes of find data.
inline constexpr quint32 VxFileAttributeDirectory = 0x10;
/// A file.
inline constexpr quint32 VxFileAttributeNormal = 0x80;

/// The protocol of a connection.
enum class TVxInetServiceKind {
    Http,  ///< HTTP or HTTPS
    Ftp    ///< FTP
};

/// Credentials a request can be given after the server or the proxy asked for them.
enum class TVxInetOption {
    UserName,       ///< the server's login name
    Password,       ///< the server's password
    ProxyUserName,  ///< the proxy's login name
    ProxyPassword   ///< the proxy's password
};

/// Why the last call on a handle failed: the server said no, or no answer came.
enum class TVxInetFailure {
    None,          ///< no failure
    Answer,        ///< the server answered that it has no such file or directory (FTP 550)
    LoginRefused,  ///< the server refused the login (FTP 530)
    Transport,     ///< no answer: name lookup, connection refused or reset, TLS handshake, certificate
    TimedOut,      ///< no answer within the session's time limit
};

/// One entry of a directory search.
struct TVxInetFindData {
    /// The entry's name.
    QString FileName;
    quint32 Attributes = 0;   ///< VxFileAttributeDirectory or VxFileAttributeNormal
    qint64 Size = 0;          ///< 0 when the server did not tell
    QDateTime LastWriteTime;  ///< UTC; invalid when the server did not tell
};

/// Adds the CA certificates of a PEM file to the ones trusted for HTTPS, for every
/// session opened afterwards in this process. Returns false when the file cannot be read.
VX_CORE_EXPORT bool VxInetAddTrustedCertificates(const QString& PemFile);
/// Forgets the certificates added above (the environment variable is read again).
VX_CORE_EXPORT void VxInetClearTrustedCertificates();
/// The PEM files trusted besides the system's CAs: those added above, then the one named
/// by VEDIDOREDO_CA_FILE. The TLS of the socket clients trusts the same.
VX_CORE_EXPORT QStringList VxInetTrustedCertificateFiles();

namespace VxInetDetail {
struct SessionState;
struct ConnectionState;
class Transfer;
}  // namespace VxInetDetail

/// The base of the Internet client service's handles: the failure of the last call.
class VX_CORE_EXPORT TVxInetHandle {
public:
    /// Frees the object and everything it owns.
    virtual ~TVxInetHandle();
    TVxInetHandle(const TVxInetHandle&) = delete;  ///< not copyable
    TVxInetHandle& operator=(const TVxInetHandle&) = delete;  ///< not copyable

    /// Why the last call on this handle failed (libcurl's text, or the server's answer).
    QString LastError() const { return FLastError; }
    /// What kind of failure that was; None after a call that succeeded.
    TVxInetFailure LastFailure() const { return FLastFailure; }

protected:
    TVxInetHandle() = default;
    /// Records the failure of the last call: its text and kind.
    void SetFailure(const QString& Text, TVxInetFailure Kind)
    {
        FLastError = Text;
        FLastFailure = Kind;
    }
    /// Forgets the last failure.
    void ClearFailure()
    {
        FLastError.clear();
        FLastFailure = TVxInetFailure::None;
    }
    /// The text of the last failure.
    QString FLastError;
    /// The kind of the last failure.
    TVxInetFailure FLastFailure = TVxInetFailure::None;
};

class TVxInetConnection;
class TVxInetFile;

/// A session of the Internet client service: agent, proxy, time limit and trusted CAs for its connections.
class VX_CORE_EXPORT TVxInetSession : public TVxInetHandle {
public:
    /// ProxyName empty: the system's proxy (the environment variables http_proxy,
    /// https_proxy, ftp_proxy, all_proxy and no_proxy). Otherwise the proxy's host name,
    /// optionally with ":port"; ProxyPort, when not 0, gives the port (80 when neither does).
    static std::unique_ptr<TVxInetSession> Open(const QString& Agent, const QString& ProxyName = {},
                                                int ProxyPort = 0);
    /// Frees the object and everything it owns.
    ~TVxInetSession() override;

    /// Milliseconds, 0 = no limit of our own: Connect bounds name lookup plus connecting
    /// (libcurl's own limit of 300 s applies then); Stall ends a transfer that receives
    /// nothing for that long.
    void SetTimeouts(int ConnectMs, int StallMs);
    /// The proxy's login for OpenUrl, and for requests not given one with SetOption.
    void SetProxyCredentials(const QString& User, const QString& Password);

    /// HTTP: nothing goes out yet; the first request connects, and tells whether the
    /// server (or the named proxy) accepts a connection and, for Flags with
    /// VxInetFlagSecure, whether its certificate is valid (TVxHttpRequest::OnConnected).
    /// FTP: logs in (an empty user logs in as "anonymous", with the password "anonymous@"
    /// unless one is given) and keeps the control connection. nullptr on failure, with
    /// the reason in LastError().
    std::unique_ptr<TVxInetConnection> Connect(const QString& Host, int Port, const QString& User,
                                               const QString& Password, TVxInetServiceKind Service,
                                               quint32 Flags = 0);

    /// Opens a whole URL (http, https or ftp) and returns the handle to read its body
    /// from, once the answer's headers are in; nullptr when no answer came. Redirects are
    /// followed. The HTTP status is not examined.
    std::unique_ptr<TVxInetFile> OpenUrl(const QString& Url, quint32 Flags = VxInetFlagReload);

private:
    TVxInetSession() = default;
    friend class TVxInetConnection;
    std::shared_ptr<VxInetDetail::SessionState> FState;
};

/// Something with a body to read: an HTTP request, an FTP file, a URL.
class VX_CORE_EXPORT TVxInetFile : public TVxInetHandle {
public:
    /// Frees the object and everything it owns.
    ~TVxInetFile() override;

    /// Reads up to Size bytes; returns the count, 0 at the end of the data and on a
    /// failure (then Completed() is false and LastError() says why).
    qint64 Read(char* Buffer, qint64 Size);
    /// Moves the position the body is read from, before the first Read: the rest of the
    /// file is asked for from Position on (a range request, or a restart for FTP). When
    /// the server sends the whole file all the same, the first Position bytes are skipped.
    /// False when the server refuses (for example a position past the end).
    virtual bool SetFilePointer(qint64 Position);
    /// True once Read returned 0 because the whole body arrived.
    bool Completed() const { return FCompleted; }
    /// The HTTP status of the answer whose body this is (the last one, after redirects);
    /// 0 when no HTTP answer came, and for FTP.
    int HttpStatus() const;

protected:
    /// The library's own kinds of file set the session before the first Read.
    TVxInetFile();
    /// Starts the transfer if it has not started; false when it could not.
    virtual bool EnsureStarted();
    /// The session the file belongs to.
    std::shared_ptr<VxInetDetail::SessionState> FSession;
    /// The running transfer.
    std::shared_ptr<VxInetDetail::Transfer> FTransfer;
    /// Whether the whole body was read.
    bool FCompleted = false;
    /// Whether the transfer has started.
    bool FStarted = false;
    /// The byte the transfer starts at.
    qint64 FResumeFrom = 0;
    friend class TVxInetSession;
};

/// An HTTP request on a connection: sent, then its answer's status, headers and body.
class VX_CORE_EXPORT TVxHttpRequest : public TVxInetFile {
public:
    /// Frees the object and everything it owns.
    ~TVxHttpRequest() override;

    /// Credentials of any length, used from the next Send on.
    bool SetOption(TVxInetOption Option, const QString& Value);
    /// Sends the request (again, when it was sent before) with extra header lines
    /// ("Name: value", separated by CR LF) and a body, and waits for the answer's
    /// headers. False when no answer came (the status is then unreadable).
    bool Send(const QByteArray& Headers = {}, const QByteArray& Body = {});
    /// Handler called by every send once the way to the server is open, before the
    /// answer is awaited: for the first request of a connection once the server (or the
    /// named proxy) accepted the connection and, talking HTTPS to the server itself,
    /// its certificate was accepted; for later requests at once. A send that fails
    /// without calling it found the way closed, as a check of the connection would have.
    void OnConnected(std::function<void()> Handler) { FOnConnected = std::move(Handler); }

    /// The answer of the last Send. False when there is none or the header is absent.
    bool QueryStatusCode(int& Status) const;
    /// The Content-Length header of the answer; false when there is none.
    bool QueryContentLength(QString& Text) const;
    /// The Last-Modified header of the answer, in UTC; false when there is none.
    bool QueryLastModified(QDateTime& Utc) const;
    /// The value of the answer's header Name; false when there is none.
    bool QueryHeader(const QByteArray& Name, QString& Value) const;

    bool SetFilePointer(qint64 Position) override;
    /// Asks again for the body from Position on, but only if the file is still the
    /// version Validator names (an entity tag, or the Last-Modified date, of an earlier
    /// answer): the request goes out with Range and If-Range. True when the answer
    /// continues at Position; false when the server sends the whole file instead (it
    /// changed, or it does not send parts), which is then read from its first byte, or
    /// when no answer came (the status is then unreadable and LastError() says why).
    bool ResumeIfUnchanged(qint64 Position, const QString& Validator);

protected:
    /// Sends the request if it has not been sent; false when no answer came.
    bool EnsureStarted() override;

private:
    friend class TVxInetConnection;
    TVxHttpRequest(const QString& Verb, const QString& ObjectName, const QString& Version,
                   quint32 Flags);
    bool Perform(qint64 ResumeFrom);
    // Whether the connection's transfer still carries this request's answer.
    bool Current() const;
    std::shared_ptr<VxInetDetail::ConnectionState> FConnection;
    quint64 FGeneration = 0;
    std::function<void()> FOnConnected;
    QString FVerb, FObjectName, FVersion;
    quint32 FFlags;
    QString FUser, FPassword, FProxyUser, FProxyPassword;
    QByteArray FHeaders, FBody;
    QString FIfRange;
    bool FSent = false;
};

/// A search of an FTP directory: its entries one by one.
class VX_CORE_EXPORT TVxFtpFind : public TVxInetHandle {
public:
    /// Frees the object and everything it owns.
    ~TVxFtpFind() override;
    /// The next entry; false at the end.
    bool FindNext(TVxInetFindData& Data);

private:
    friend class TVxInetConnection;
    TVxFtpFind() = default;
    QList<TVxInetFindData> FEntries;
    int FNext = 0;
};

/// A connection to one server of a session, by HTTP or FTP.
class VX_CORE_EXPORT TVxInetConnection : public TVxInetHandle {
public:
    /// Frees the object and everything it owns.
    ~TVxInetConnection() override;

    /// The connection's protocol.
    TVxInetServiceKind Service() const;

    /// HTTP. ObjectName is the path on the server ("/download/setup.exe"), Version
    /// "HTTP/1.0" or "HTTP/1.1". Nothing is sent until Send.
    std::unique_ptr<TVxHttpRequest> OpenRequest(const QString& Verb, const QString& ObjectName,
                                                const QString& Version, quint32 Flags);

    /// FTP. Names and patterns are absolute ("/pub/x.zip") or relative to the current
    /// directory. The pattern's last part may hold a mask (VxMatchesMask); the first
    /// entry goes to Data; nullptr when nothing matched or the directory cannot be read.
    std::unique_ptr<TVxFtpFind> FtpFindFirstFile(const QString& Pattern, TVxInetFindData& Data);
    /// The FTP server's current directory; false when it did not tell.
    bool FtpGetCurrentDirectory(QString& Directory);
    /// Changes the FTP server's current directory; false when refused.
    bool FtpSetCurrentDirectory(const QString& Directory);
    /// The file is asked for at the first Read (SetFilePointer may come before).
    std::unique_ptr<TVxInetFile> FtpOpenFile(const QString& Name, quint32 Flags);

private:
    friend class TVxInetSession;
    TVxInetConnection() = default;
    bool FtpStat(const QString& Path, TVxInetFindData& Data);
    bool FtpList(const QString& Directory, const QString& Mask, QList<TVxInetFindData>& Entries);
    std::shared_ptr<VxInetDetail::ConnectionState> FState;
};
