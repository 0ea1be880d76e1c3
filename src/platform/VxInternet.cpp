// The Internet client service over libcurl. Every handle that transfers owns a libcurl
// easy handle inside a multi handle of its own, which this file drives in a blocking
// loop: a call returns when what it waits for (the answer's headers, the next bytes,
// the end) has come. Bodies are pulled by Read from a bounded buffer; when the caller
// reads slower than the network delivers, the transfer is paused, so memory does not
// grow with the size of the file.
#include <vedidoredo/platform/VxInternet.h>
#include <vedidoredo/platform/VxSystemProxy.h>

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QRegularExpression>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <vector>

namespace VxInetDetail {

namespace {

// The body is buffered up to this much before the transfer pauses.
constexpr size_t MaxBuffered = 1u << 20;
// libcurl's receive buffer: large blocks keep the loop cheap on fast links.
constexpr long CurlBufferSize = 256 * 1024;

void GlobalInit()
{
    static std::once_flag Once;
    std::call_once(Once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Trusted CA certificates added by the application.
struct TrustedCas {
    QMutex Lock;
    QStringList Files;
    QByteArray Blob;  // system bundle + added files; empty when nothing was added
    bool Built = false;
};

TrustedCas& Cas()
{
    static TrustedCas C;
    return C;
}

QString DefaultCaBundle()
{
    QString Path;
    if (CURL* E = curl_easy_init()) {
        char* P = nullptr;
        if (curl_easy_getinfo(E, CURLINFO_CAINFO, &P) == CURLE_OK && P)
            Path = QString::fromLocal8Bit(P);
        curl_easy_cleanup(E);
    }
    if (Path.isEmpty())
        Path = QStringLiteral("/etc/ssl/certs/ca-certificates.crt");
    return Path;
}

QByteArray TrustedCaBlob()
{
    TrustedCas& C = Cas();
    QMutexLocker Locker(&C.Lock);
    if (!C.Built) {
        C.Built = true;
        C.Blob.clear();
        QStringList Files = C.Files;
        const QString Env = qEnvironmentVariable("VEDIDOREDO_CA_FILE");
        if (!Env.isEmpty())
            Files.append(Env);
        if (!Files.isEmpty()) {
            QFile Bundle(DefaultCaBundle());
            if (Bundle.open(QIODevice::ReadOnly))
                C.Blob = Bundle.readAll();
            for (const QString& F : Files) {
                QFile Extra(F);
                if (Extra.open(QIODevice::ReadOnly))
                    C.Blob += '\n' + Extra.readAll() + '\n';
            }
        }
    }
    return C.Blob;
}

QByteArray Utf8(const QString& S)
{
    return S.toUtf8();
}

QString HostForUrl(const QString& Host)
{
    return Host.contains(QLatin1Char(':')) && !Host.startsWith(QLatin1Char('['))
               ? QLatin1Char('[') + Host + QLatin1Char(']')
               : Host;
}

// Percent-encodes what may not stand in a URL path as it is; '%' sequences that the
// caller already wrote are kept.
QByteArray EncodePath(const QString& Path)
{
    return QUrl::toPercentEncoding(Path, "/%!$&'()*+,;=:@~?");
}

// A whole URL: as above, and the brackets of an IPv6 host and a fragment stay.
QByteArray EncodeUrl(const QString& Url)
{
    return QUrl::toPercentEncoding(Url, "/%!$&'()*+,;=:@~?[]#");
}

// One path segment, everything reserved encoded.
QByteArray EncodeSegment(const QString& Segment)
{
    return QUrl::toPercentEncoding(Segment);
}

QDateTime FromTimeT(curl_off_t T)
{
    return T < 0 ? QDateTime() : QDateTime::fromSecsSinceEpoch(T, Qt::UTC);
}

// Whether libcurl will take a proxy from the environment for Scheme (the rule of
// VxProxyVariable is libcurl's own).
bool EnvProxyApplies(const QString& Scheme)
{
    return !VxProxyVariable(QProcessEnvironment::systemEnvironment(), Scheme).isEmpty();
}

}  // namespace

struct SessionState {
    QByteArray Agent;
    QByteArray ProxyName;  // empty: the system's proxy
    long ProxyPort = 0;
    int ConnectMs = 0;
    int StallMs = 0;
    QByteArray CaBlob;
    QByteArray ProxyUser, ProxyPassword;  // for whole URLs

    bool NamedProxy() const { return !ProxyName.isEmpty(); }

    // The options every transfer of this session gets. Direct: no proxy at all.
    void Apply(CURL* E, bool Direct) const
    {
        curl_easy_setopt(E, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(E, CURLOPT_USERAGENT, Agent.constData());
        curl_easy_setopt(E, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
        curl_easy_setopt(E, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(E, CURLOPT_BUFFERSIZE, CurlBufferSize);
        curl_easy_setopt(E, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
        curl_easy_setopt(E, CURLOPT_FTP_USE_EPSV, 1L);
        curl_easy_setopt(E, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(E, CURLOPT_SSL_VERIFYHOST, 2L);
        curl_easy_setopt(E, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        if (Direct) {
            curl_easy_setopt(E, CURLOPT_PROXY, "");
        } else if (NamedProxy()) {
            curl_easy_setopt(E, CURLOPT_PROXY, ProxyName.constData());
            if (ProxyPort > 0)
                curl_easy_setopt(E, CURLOPT_PROXYPORT, ProxyPort);
        }
        if (ConnectMs > 0)
            curl_easy_setopt(E, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(ConnectMs));
        if (StallMs > 0) {
            const long Seconds = static_cast<long>((StallMs + 999) / 1000);
            curl_easy_setopt(E, CURLOPT_LOW_SPEED_LIMIT, 1L);
            curl_easy_setopt(E, CURLOPT_LOW_SPEED_TIME, Seconds);
            curl_easy_setopt(E, CURLOPT_SERVER_RESPONSE_TIMEOUT, Seconds);  // FTP replies
        }
        if (!CaBlob.isEmpty()) {
            curl_blob Blob{const_cast<char*>(CaBlob.constData()), static_cast<size_t>(CaBlob.size()),
                           CURL_BLOB_COPY};
            curl_easy_setopt(E, CURLOPT_CAINFO_BLOB, &Blob);
        }
    }
};

// One libcurl transfer at a time on one easy handle, driven to the point the caller
// waits for. The easy handle keeps its connections between transfers (FTP reuses the
// logged-in control connection).
class Transfer {
public:
    Transfer()
    {
        GlobalInit();
        Easy = curl_easy_init();
        Multi = curl_multi_init();
        ErrorBuffer[0] = 0;
    }
    ~Transfer()
    {
        Stop();
        if (Headers)
            curl_slist_free_all(Headers);
        curl_easy_cleanup(Easy);
        curl_multi_cleanup(Multi);
    }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    // Clears the options and the state of the last transfer (connections stay).
    void Prepare(const SessionState& Session, bool Direct)
    {
        Stop();
        curl_easy_reset(Easy);
        if (Headers) {
            curl_slist_free_all(Headers);
            Headers = nullptr;
        }
        Buffer.clear();
        BufferPos = 0;
        Done = false;
        Paused = false;
        BodyStarted = false;
        FirstChunkSeen = false;
        Skip = 0;
        ResumeFrom = 0;
        Result = CURLE_OK;
        HeaderLines.clear();
        LastResponse.clear();
        ErrorBuffer[0] = 0;
        Session.Apply(Easy, Direct);
        curl_easy_setopt(Easy, CURLOPT_ERRORBUFFER, ErrorBuffer);
        curl_easy_setopt(Easy, CURLOPT_WRITEFUNCTION, &Transfer::OnWrite);
        curl_easy_setopt(Easy, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(Easy, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
        curl_easy_setopt(Easy, CURLOPT_HEADERDATA, this);
    }

    void SetHeaders(const QByteArray& Text)
    {
        for (const QByteArray& Line : Text.split('\n')) {
            const QByteArray L = Line.trimmed();
            if (!L.isEmpty())
                Headers = curl_slist_append(Headers, L.constData());
        }
        if (Headers)
            curl_easy_setopt(Easy, CURLOPT_HTTPHEADER, Headers);
    }

    void Start()
    {
        Stop();
        Done = false;
        if (curl_multi_add_handle(Multi, Easy) != CURLM_OK) {
            Done = true;
            Result = CURLE_FAILED_INIT;
            return;
        }
        Added = true;
    }

    // Runs the transfer until Ready() holds or it ended.
    void Pump(const std::function<bool()>& Ready)
    {
        while (Added && !Done && !Ready()) {
            int Running = 0;
            const CURLMcode M = curl_multi_perform(Multi, &Running);
            if (M != CURLM_OK) {
                Finish(CURLE_FAILED_INIT);
                std::snprintf(ErrorBuffer, sizeof ErrorBuffer, "%s", curl_multi_strerror(M));
                break;
            }
            int Queued = 0;
            while (CURLMsg* Msg = curl_multi_info_read(Multi, &Queued))
                if (Msg->msg == CURLMSG_DONE && Msg->easy_handle == Easy)
                    Finish(Msg->data.result);
            if (Done || Ready())
                break;
            curl_multi_poll(Multi, nullptr, 0, 1000, nullptr);
        }
    }

    CURLcode RunToEnd()
    {
        Start();
        Pump([] { return false; });
        Stop();
        return Result;
    }

    // Starts and waits for the answer's headers: the first body bytes or the end.
    void StartStream()
    {
        Start();
        Pump([this] { return BodyStarted; });
    }

    qint64 Read(char* Data, qint64 Size)
    {
        while (Available() == 0) {
            if (Paused) {
                Paused = false;
                curl_easy_pause(Easy, CURLPAUSE_CONT);
                if (Available() > 0)
                    break;
            }
            if (Done || !Added)
                return 0;
            Pump([this] { return Available() > 0 || Paused; });
            if (Available() == 0 && Done)
                return 0;
        }
        const size_t N = std::min(static_cast<size_t>(Size), Available());
        std::memcpy(Data, Buffer.data() + BufferPos, N);
        BufferPos += N;
        if (BufferPos == Buffer.size()) {
            Buffer.clear();
            BufferPos = 0;
        }
        return static_cast<qint64>(N);
    }

    // Ends a running transfer; the handle keeps its options and connections.
    void Stop()
    {
        if (Added) {
            curl_multi_remove_handle(Multi, Easy);
            Added = false;
        }
    }

    bool Ended() const { return Done; }
    bool Succeeded() const { return Done && Result == CURLE_OK; }
    size_t Available() const { return Buffer.size() - BufferPos; }

    long ResponseCode() const
    {
        long Code = 0;
        curl_easy_getinfo(Easy, CURLINFO_RESPONSE_CODE, &Code);
        if (Code == 0) {
            long Connect = 0;
            curl_easy_getinfo(Easy, CURLINFO_HTTP_CONNECTCODE, &Connect);
            if (Connect >= 300)
                Code = Connect;  // the proxy refused the tunnel (407 and the like)
        }
        return Code;
    }

    // What kind of failure ended the last transfer.
    TVxInetFailure Failure() const
    {
        switch (Result) {
        case CURLE_OK: return TVxInetFailure::None;
        case CURLE_OPERATION_TIMEDOUT: return TVxInetFailure::TimedOut;
        case CURLE_LOGIN_DENIED: return TVxInetFailure::LoginRefused;
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_REMOTE_ACCESS_DENIED:
        case CURLE_FTP_COULDNT_RETR_FILE:
        case CURLE_RANGE_ERROR:
        case CURLE_BAD_DOWNLOAD_RESUME: return TVxInetFailure::Answer;
        default: return TVxInetFailure::Transport;
        }
    }

    QString ErrorText() const
    {
        QString Text = QString::fromUtf8(ErrorBuffer).trimmed();
        if (Text.isEmpty() && Result != CURLE_OK)
            Text = QString::fromUtf8(curl_easy_strerror(Result));
        // An FTP server's last reply ("550 No such file") says more than libcurl's text.
        static const QRegularExpression Reply(QStringLiteral("^\\d{3}[ -]"));
        if (Reply.match(LastResponse).hasMatch() && !Text.contains(LastResponse))
            Text += (Text.isEmpty() ? QString() : QStringLiteral(": ")) + LastResponse;
        return Text;
    }

    CURL* Easy = nullptr;
    CURLM* Multi = nullptr;
    CURLcode Result = CURLE_OK;
    bool BodyStarted = false;
    qint64 ResumeFrom = 0;  // a range was asked for; a 200 answer skips this much
    QList<QByteArray> HeaderLines;
    QString LastResponse;  // FTP: the server's last reply line
    std::function<long(const curl_fileinfo*)> OnChunk;

private:
    void Finish(CURLcode Code)
    {
        Done = true;
        Result = Code;
    }

    static size_t OnWrite(char* Data, size_t Size, size_t Count, void* User)
    {
        auto* T = static_cast<Transfer*>(User);
        size_t Len = Size * Count;
        if (!T->FirstChunkSeen) {
            T->FirstChunkSeen = true;
            if (T->ResumeFrom > 0) {
                long Code = 0;
                curl_easy_getinfo(T->Easy, CURLINFO_RESPONSE_CODE, &Code);
                if (Code == 200)  // the server sent the whole file after all
                    T->Skip = T->ResumeFrom;
            }
        }
        T->BodyStarted = true;
        if (T->Available() >= MaxBuffered) {
            T->Paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        const size_t Whole = Len;
        if (T->Skip > 0) {
            const size_t K = std::min<size_t>(Len, static_cast<size_t>(T->Skip));
            T->Skip -= static_cast<qint64>(K);
            Data += K;
            Len -= K;
        }
        if (T->BufferPos > 0 && T->BufferPos >= T->Buffer.size() / 2) {
            T->Buffer.erase(T->Buffer.begin(), T->Buffer.begin() + static_cast<ptrdiff_t>(T->BufferPos));
            T->BufferPos = 0;
        }
        T->Buffer.insert(T->Buffer.end(), Data, Data + Len);
        return Whole;
    }

    static size_t OnHeader(char* Data, size_t Size, size_t Count, void* User)
    {
        auto* T = static_cast<Transfer*>(User);
        const size_t Len = Size * Count;
        QByteArray Line(Data, static_cast<qsizetype>(Len));
        while (Line.endsWith('\n') || Line.endsWith('\r'))
            Line.chop(1);
        if (Line.startsWith("HTTP/"))
            T->HeaderLines.clear();  // a new answer (after a redirect or a refusal)
        if (!Line.isEmpty()) {
            if (T->HeaderLines.size() < 1000)
                T->HeaderLines.append(Line);
            T->LastResponse = QString::fromUtf8(Line);
        }
        return Len;
    }

public:
    static long OnChunkBegin(const void* Info, void* User, int)
    {
        auto* T = static_cast<Transfer*>(User);
        return T->OnChunk ? T->OnChunk(static_cast<const curl_fileinfo*>(Info)) : CURL_CHUNK_BGN_FUNC_SKIP;
    }

private:
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

    QByteArray BaseUrl(const char* Scheme) const
    {
        return QByteArray(Scheme) + "://" + Utf8(HostForUrl(Host)) + ':' + QByteArray::number(Port);
    }

    QString Resolve(const QString& Path) const
    {
        QString P = Path.isEmpty() ? CurrentDir
                    : Path.startsWith(QLatin1Char('/')) ? Path
                                                         : CurrentDir + QLatin1Char('/') + Path;
        P = QDir::cleanPath(P);
        return P.isEmpty() ? QStringLiteral("/") : P;
    }

    // The URL of an absolute path; AsDirectory ends it with a slash.
    QByteArray FtpUrl(const QString& AbsPath, bool AsDirectory) const
    {
        QByteArray Url = BaseUrl("ftp") + "/%2F";
        const QStringList Parts = AbsPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        QList<QByteArray> Encoded;
        for (const QString& S : Parts)
            Encoded.append(EncodeSegment(S));
        Url += Encoded.join('/');
        if (AsDirectory && !Encoded.isEmpty())
            Url += '/';
        return Url;
    }

    // Takes the FTP connection for a new call: a file still being read stops here.
    Transfer& TakeFtp()
    {
        ++FtpGeneration;
        Ftp->Prepare(*Session, true);
        curl_easy_setopt(Ftp->Easy, CURLOPT_USERNAME, User.constData());
        curl_easy_setopt(Ftp->Easy, CURLOPT_PASSWORD, Password.constData());
        return *Ftp;
    }
};

}  // namespace VxInetDetail

using namespace VxInetDetail;

// ---- free functions ----------------------------------------------------------------

bool VxInetAddTrustedCertificates(const QString& PemFile)
{
    QFile F(PemFile);
    if (!F.open(QIODevice::ReadOnly))
        return false;
    TrustedCas& C = Cas();
    QMutexLocker Locker(&C.Lock);
    C.Files.append(PemFile);
    C.Built = false;
    return true;
}

void VxInetClearTrustedCertificates()
{
    TrustedCas& C = Cas();
    QMutexLocker Locker(&C.Lock);
    C.Files.clear();
    C.Built = false;
}

namespace {
// '*' and '?' matching with one backtrack point: linear in practice, never exponential.
bool MatchWild(const QString& Name, const QString& Mask)
{
    qsizetype N = 0, M = 0, StarM = -1, StarN = 0;
    while (N < Name.size()) {
        if (M < Mask.size() && Mask[M] == QLatin1Char('*')) {
            StarM = M++;  // a star is a wildcard even where the name has a '*'
            StarN = N;
        } else if (M < Mask.size() && (Mask[M] == QLatin1Char('?') || Mask[M] == Name[N])) {
            ++N;
            ++M;
        } else if (StarM >= 0) {
            M = StarM + 1;
            N = ++StarN;
        } else {
            return false;
        }
    }
    while (M < Mask.size() && Mask[M] == QLatin1Char('*'))
        ++M;
    return M == Mask.size();
}
}  // namespace

bool VxMatchesMask(const QString& Name, const QString& Mask)
{
    if (Mask.isEmpty() || Mask == QLatin1String("*") || Mask == QLatin1String("*.*"))
        return true;
    if (MatchWild(Name, Mask))
        return true;
    if (Mask.endsWith(QLatin1String(".*")) && !Name.contains(QLatin1Char('.')))
        return MatchWild(Name, Mask.chopped(2));
    return false;
}

// ---- handles -----------------------------------------------------------------------

TVxInetHandle::~TVxInetHandle() = default;

std::unique_ptr<TVxInetSession> TVxInetSession::Open(const QString& Agent, const QString& ProxyName,
                                                     int ProxyPort)
{
    GlobalInit();
    std::unique_ptr<TVxInetSession> S(new TVxInetSession);
    S->FState = std::make_shared<SessionState>();
    S->FState->Agent = Utf8(Agent);
    S->FState->ProxyName = Utf8(ProxyName.trimmed());
    S->FState->ProxyPort = ProxyPort;
    if (!S->FState->ProxyName.isEmpty() && ProxyPort <= 0) {
        // A proxy named without a port is reached on port 80.
        static const QRegularExpression HasPort(QStringLiteral(":\\d+/?$"));
        if (!HasPort.match(ProxyName.trimmed()).hasMatch())
            S->FState->ProxyPort = 80;
    }
    S->FState->CaBlob = TrustedCaBlob();
    return S;
}

TVxInetSession::~TVxInetSession() = default;

void TVxInetSession::SetProxyCredentials(const QString& User, const QString& Password)
{
    FState->ProxyUser = Utf8(User);
    FState->ProxyPassword = Utf8(Password);
}

void TVxInetSession::SetTimeouts(int ConnectMs, int StallMs)
{
    FState->ConnectMs = std::max(0, ConnectMs);
    FState->StallMs = std::max(0, StallMs);
}

std::unique_ptr<TVxInetConnection> TVxInetSession::Connect(const QString& Host, int Port,
                                                           const QString& User,
                                                           const QString& Password,
                                                           TVxInetServiceKind Service, quint32 Flags)
{
    ClearFailure();
    if (Host.trimmed().isEmpty()) {
        SetFailure(QStringLiteral("No host name"), TVxInetFailure::Transport);
        return nullptr;
    }
    auto State = std::make_shared<ConnectionState>();
    State->Session = FState;
    State->Service = Service;
    State->Host = Host.trimmed();
    State->Port = Port;
    State->User = Utf8(User);
    State->Password = Utf8(Password);

    if (Service == TVxInetServiceKind::Ftp) {
        if (State->Port <= 0)
            State->Port = 21;
        State->Ftp = std::make_shared<Transfer>();
        Transfer& T = State->TakeFtp();
        const QByteArray Url = State->BaseUrl("ftp") + '/';
        curl_easy_setopt(T.Easy, CURLOPT_URL, Url.constData());
        curl_easy_setopt(T.Easy, CURLOPT_NOBODY, 1L);
        if (T.RunToEnd() != CURLE_OK) {
            SetFailure(T.ErrorText(), T.Failure());
            return nullptr;
        }
        char* Entry = nullptr;
        if (curl_easy_getinfo(T.Easy, CURLINFO_FTP_ENTRY_PATH, &Entry) == CURLE_OK && Entry && *Entry)
            State->CurrentDir = QDir::cleanPath(QString::fromUtf8(Entry));
    } else {
        const bool Secure = (Flags & VxInetFlagSecure) != 0;
        if (State->Port <= 0)
            State->Port = Secure ? 443 : 80;
        // Check that the way to the server is open: the server itself (with its
        // certificate), or the named proxy, which reaches the server for us.
        QByteArray CheckUrl;
        if (FState->NamedProxy()) {
            QByteArray P = FState->ProxyName;
            if (!P.contains("://"))
                P.prepend("http://");
            QUrl U(QString::fromUtf8(P));
            const int PP = FState->ProxyPort > 0 ? int(FState->ProxyPort) : U.port(80);
            CheckUrl = "http://" + Utf8(HostForUrl(U.host())) + ':' + QByteArray::number(PP) + '/';
        } else if (!EnvProxyApplies(Secure ? QStringLiteral("https") : QStringLiteral("http"))) {
            CheckUrl = State->BaseUrl(Secure ? "https" : "http") + '/';
        }
        if (!CheckUrl.isEmpty()) {
            Transfer T;
            T.Prepare(*FState, true);
            curl_easy_setopt(T.Easy, CURLOPT_URL, CheckUrl.constData());
            curl_easy_setopt(T.Easy, CURLOPT_CONNECT_ONLY, 1L);
            if (T.RunToEnd() != CURLE_OK) {
                SetFailure(T.ErrorText(), T.Failure());
                return nullptr;
            }
        }
    }
    std::unique_ptr<TVxInetConnection> C(new TVxInetConnection);
    C->FState = State;
    return C;
}

// ---- readable handles --------------------------------------------------------------

TVxInetFile::TVxInetFile(std::shared_ptr<SessionState> Session) : FSession(std::move(Session)) {}

TVxInetFile::~TVxInetFile()
{
    if (FTransfer)
        FTransfer->Stop();
}

bool TVxInetFile::EnsureStarted()
{
    return FTransfer != nullptr;
}

qint64 TVxInetFile::Read(char* Buffer, qint64 Size)
{
    if (Size <= 0 || FCompleted)
        return 0;
    if (!EnsureStarted()) {
        return 0;
    }
    FStarted = true;
    const qint64 N = FTransfer->Read(Buffer, Size);
    if (N == 0) {
        FCompleted = FTransfer->Succeeded();
        if (!FCompleted && FLastError.isEmpty()) {
            if (FTransfer->Ended())
                SetFailure(FTransfer->ErrorText(), FTransfer->Failure());
            else
                SetFailure(QStringLiteral("Transfer stopped"), TVxInetFailure::Transport);
        }
    }
    return N;
}

bool TVxInetFile::SetFilePointer(qint64 Position)
{
    if (FStarted || Position < 0)
        return false;
    FResumeFrom = Position;
    return true;
}

// A URL opened as a whole.
namespace {
class TVxUrlFile : public TVxInetFile {
public:
    explicit TVxUrlFile(std::shared_ptr<SessionState> Session) : TVxInetFile(std::move(Session)) {}
    bool Open(const QByteArray& Url)
    {
        FTransfer = std::make_shared<Transfer>();
        FTransfer->Prepare(*FSession, false);
        curl_easy_setopt(FTransfer->Easy, CURLOPT_URL, Url.constData());
        curl_easy_setopt(FTransfer->Easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(FTransfer->Easy, CURLOPT_MAXREDIRS, 10L);
        if (!FSession->ProxyUser.isEmpty() || !FSession->ProxyPassword.isEmpty()) {
            curl_easy_setopt(FTransfer->Easy, CURLOPT_PROXYUSERNAME, FSession->ProxyUser.constData());
            curl_easy_setopt(FTransfer->Easy, CURLOPT_PROXYPASSWORD, FSession->ProxyPassword.constData());
            curl_easy_setopt(FTransfer->Easy, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
        }
        FTransfer->StartStream();
        if (FTransfer->Ended() && !FTransfer->Succeeded() && FTransfer->ResponseCode() == 0) {
            SetFailure(FTransfer->ErrorText(), FTransfer->Failure());
            return false;
        }
        return true;
    }
};

// An FTP file read over the connection's control connection.
class TVxFtpFile : public TVxInetFile {
public:
    TVxFtpFile(std::shared_ptr<ConnectionState> Conn, QString Path)
        : TVxInetFile(Conn->Session), FConn(std::move(Conn)), FPath(std::move(Path))
    {
    }
    ~TVxFtpFile() override
    {
        if (FTransfer && FConn->FtpGeneration == FGeneration)
            FTransfer->Stop();
        FTransfer.reset();  // shared with the connection: the base must not stop it again
    }

protected:
    bool EnsureStarted() override
    {
        if (!FStarted) {
            Transfer& T = FConn->TakeFtp();
            FGeneration = FConn->FtpGeneration;
            FTransfer = FConn->Ftp;
            const QByteArray Url = FConn->FtpUrl(FPath, false);
            curl_easy_setopt(T.Easy, CURLOPT_URL, Url.constData());
            if (FResumeFrom > 0)
                curl_easy_setopt(T.Easy, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(FResumeFrom));
            T.StartStream();
        }
        if (FConn->FtpGeneration != FGeneration) {
            SetFailure(QStringLiteral("The FTP connection was used for another call"), TVxInetFailure::Transport);
            return false;
        }
        return true;
    }

private:
    std::shared_ptr<ConnectionState> FConn;
    QString FPath;
    quint64 FGeneration = 0;
};
}  // namespace

std::unique_ptr<TVxInetFile> TVxInetSession::OpenUrl(const QString& Url, quint32)
{
    ClearFailure();
    auto F = std::make_unique<TVxUrlFile>(FState);
    if (!F->Open(EncodeUrl(Url))) {
        SetFailure(F->LastError(), F->LastFailure());
        return nullptr;
    }
    return F;
}

// ---- HTTP requests -----------------------------------------------------------------

TVxHttpRequest::TVxHttpRequest(std::shared_ptr<ConnectionState> Connection, const QString& Verb,
                               const QString& ObjectName, const QString& Version, quint32 Flags)
    : TVxInetFile(Connection->Session),
      FConnection(std::move(Connection)),
      FVerb(Verb.isEmpty() ? QStringLiteral("GET") : Verb.toUpper()),
      FObjectName(ObjectName),
      FVersion(Version),
      FFlags(Flags)
{
    FUser = QString::fromUtf8(FConnection->User);
    FPassword = QString::fromUtf8(FConnection->Password);
}

TVxHttpRequest::~TVxHttpRequest() = default;

bool TVxHttpRequest::SetOption(TVxInetOption Option, const QString& Value)
{
    switch (Option) {
    case TVxInetOption::UserName: FUser = Value; break;
    case TVxInetOption::Password: FPassword = Value; break;
    case TVxInetOption::ProxyUserName: FProxyUser = Value; break;
    case TVxInetOption::ProxyPassword: FProxyPassword = Value; break;
    }
    return true;
}

bool TVxHttpRequest::Perform(qint64 ResumeFrom)
{
    if (!FTransfer)
        FTransfer = std::make_shared<Transfer>();
    Transfer& T = *FTransfer;
    T.Prepare(*FSession, false);
    FCompleted = false;
    FStarted = false;
    ClearFailure();

    QString Object = FObjectName;
    if (!Object.startsWith(QLatin1Char('/')))
        Object.prepend(QLatin1Char('/'));
    const QByteArray Url =
        FConnection->BaseUrl((FFlags & VxInetFlagSecure) ? "https" : "http") + EncodePath(Object);
    curl_easy_setopt(T.Easy, CURLOPT_URL, Url.constData());
    const bool Http10 = FVersion == QLatin1String("HTTP/1.0");
    curl_easy_setopt(T.Easy, CURLOPT_HTTP_VERSION, Http10 ? long(CURL_HTTP_VERSION_1_0) : long(CURL_HTTP_VERSION_1_1));
    // For an HTTP/1.0 request libcurl would offer only "http/1.0" in the TLS handshake,
    // which servers knowing just "http/1.1" and "h2" refuse (Apache aborts the
    // handshake). Without ALPN every server falls back to HTTP/1.x.
    if (Http10)
        curl_easy_setopt(T.Easy, CURLOPT_SSL_ENABLE_ALPN, 0L);
    curl_easy_setopt(T.Easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(T.Easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(T.Easy, CURLOPT_FILETIME, 1L);
    if (FVerb == QLatin1String("HEAD")) {
        curl_easy_setopt(T.Easy, CURLOPT_NOBODY, 1L);
    } else if (FVerb == QLatin1String("POST")) {
        curl_easy_setopt(T.Easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(FBody.size()));
        curl_easy_setopt(T.Easy, CURLOPT_COPYPOSTFIELDS, FBody.constData());
    } else if (FVerb != QLatin1String("GET")) {
        const QByteArray V = FVerb.toLatin1();
        curl_easy_setopt(T.Easy, CURLOPT_CUSTOMREQUEST, V.constData());
    }
    T.SetHeaders(FHeaders);
    // The strings are copied by libcurl; credentials go whole, whatever their length.
    if (!FUser.isEmpty() || !FPassword.isEmpty()) {
        curl_easy_setopt(T.Easy, CURLOPT_USERNAME, Utf8(FUser).constData());
        curl_easy_setopt(T.Easy, CURLOPT_PASSWORD, Utf8(FPassword).constData());
        curl_easy_setopt(T.Easy, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    }
    // The request's own proxy login, else the session's.
    const bool OwnProxyLogin = !FProxyUser.isEmpty() || !FProxyPassword.isEmpty();
    const QByteArray ProxyUser = OwnProxyLogin ? Utf8(FProxyUser) : FSession->ProxyUser;
    const QByteArray ProxyPassword = OwnProxyLogin ? Utf8(FProxyPassword) : FSession->ProxyPassword;
    if (!ProxyUser.isEmpty() || !ProxyPassword.isEmpty()) {
        curl_easy_setopt(T.Easy, CURLOPT_PROXYUSERNAME, ProxyUser.constData());
        curl_easy_setopt(T.Easy, CURLOPT_PROXYPASSWORD, ProxyPassword.constData());
        curl_easy_setopt(T.Easy, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
    }
    if (ResumeFrom > 0) {
        const QByteArray Range = QByteArray::number(ResumeFrom) + '-';
        curl_easy_setopt(T.Easy, CURLOPT_RANGE, Range.constData());
        T.ResumeFrom = ResumeFrom;
    }
    FSent = true;
    T.StartStream();
    int Code = 0;
    if (!QueryStatusCode(Code)) {
        const TVxInetFailure Kind = T.Failure();
        SetFailure(T.ErrorText(), Kind == TVxInetFailure::None ? TVxInetFailure::Transport : Kind);
        return false;
    }
    return true;
}

bool TVxHttpRequest::Send(const QByteArray& Headers, const QByteArray& Body)
{
    FHeaders = Headers;
    FBody = Body;
    return Perform(0);
}

bool TVxHttpRequest::EnsureStarted()
{
    if (!FSent)
        Perform(FResumeFrom);
    return FTransfer != nullptr;
}

bool TVxHttpRequest::SetFilePointer(qint64 Position)
{
    if (FStarted || Position < 0)
        return false;
    FResumeFrom = Position;
    if (!FSent)
        return true;
    if (Position == 0 && FTransfer && FTransfer->ResumeFrom == 0)
        return true;
    // The answer in hand is for the whole file: ask again for the rest only.
    if (!Perform(Position))
        return false;
    const long Code = FTransfer->ResponseCode();
    if (Code == 206 || Code == 200)
        return true;
    SetFailure(QStringLiteral("The server refused the range (HTTP %1)").arg(Code), TVxInetFailure::Answer);
    return false;
}

bool TVxHttpRequest::QueryStatusCode(int& Status) const
{
    if (!FTransfer || !FSent)
        return false;
    const long Code = FTransfer->ResponseCode();
    // An answer that libcurl refused as malformed has no status worth reading.
    if (Code <= 0 || (FTransfer->Ended() && FTransfer->Result == CURLE_WEIRD_SERVER_REPLY))
        return false;
    Status = static_cast<int>(Code);
    return true;
}

bool TVxHttpRequest::QueryHeader(const QByteArray& Name, QString& Value) const
{
    if (!FTransfer || !FSent)
        return false;
    const QByteArray Key = Name.toLower() + ':';
    for (const QByteArray& Line : FTransfer->HeaderLines) {
        if (Line.toLower().startsWith(Key)) {
            Value = QString::fromLatin1(Line.mid(Key.size()).trimmed());
            return true;
        }
    }
    return false;
}

bool TVxHttpRequest::QueryContentLength(QString& Text) const
{
    return QueryHeader("Content-Length", Text);
}

bool TVxHttpRequest::QueryLastModified(QDateTime& Utc) const
{
    QString Text;
    if (!QueryHeader("Last-Modified", Text))
        return false;
    const time_t T = curl_getdate(Text.toLatin1().constData(), nullptr);
    if (T == static_cast<time_t>(-1))
        return false;
    Utc = QDateTime::fromSecsSinceEpoch(T, Qt::UTC);
    return true;
}

// ---- FTP -----------------------------------------------------------------------------

TVxFtpFind::~TVxFtpFind() = default;

bool TVxFtpFind::FindNext(TVxInetFindData& Data)
{
    if (FNext >= FEntries.size())
        return false;
    Data = FEntries[FNext++];
    return true;
}

TVxInetConnection::~TVxInetConnection() = default;

TVxInetServiceKind TVxInetConnection::Service() const
{
    return FState->Service;
}

std::unique_ptr<TVxHttpRequest> TVxInetConnection::OpenRequest(const QString& Verb,
                                                               const QString& ObjectName,
                                                               const QString& Version, quint32 Flags)
{
    ClearFailure();
    if (FState->Service != TVxInetServiceKind::Http) {
        SetFailure(QStringLiteral("Not an HTTP connection"), TVxInetFailure::Transport);
        return nullptr;
    }
    return std::unique_ptr<TVxHttpRequest>(new TVxHttpRequest(FState, Verb, ObjectName, Version, Flags));
}

bool TVxInetConnection::FtpGetCurrentDirectory(QString& Directory)
{
    if (FState->Service != TVxInetServiceKind::Ftp)
        return false;
    Directory = FState->CurrentDir;
    return true;
}

bool TVxInetConnection::FtpSetCurrentDirectory(const QString& Directory)
{
    ClearFailure();
    if (FState->Service != TVxInetServiceKind::Ftp)
        return false;
    const QString Path = FState->Resolve(Directory);
    Transfer& T = FState->TakeFtp();
    const QByteArray Url = FState->FtpUrl(Path, true);
    curl_easy_setopt(T.Easy, CURLOPT_URL, Url.constData());
    curl_easy_setopt(T.Easy, CURLOPT_NOBODY, 1L);
    if (T.RunToEnd() != CURLE_OK) {
        SetFailure(T.ErrorText(), T.Failure());
        return false;
    }
    FState->CurrentDir = Path;
    return true;
}

bool TVxInetConnection::FtpStat(const QString& Path, TVxInetFindData& Data)
{
    Transfer& T = FState->TakeFtp();
    const QByteArray Url = FState->FtpUrl(Path, false);
    curl_easy_setopt(T.Easy, CURLOPT_URL, Url.constData());
    curl_easy_setopt(T.Easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(T.Easy, CURLOPT_FILETIME, 1L);
    if (T.RunToEnd() != CURLE_OK) {
        SetFailure(T.ErrorText(), T.Failure());
        return false;
    }
    curl_off_t Size = -1, Time = -1;
    curl_easy_getinfo(T.Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &Size);
    curl_easy_getinfo(T.Easy, CURLINFO_FILETIME_T, &Time);
    Data = TVxInetFindData();
    Data.FileName = Path.section(QLatin1Char('/'), -1);
    Data.Attributes = VxFileAttributeNormal;
    Data.Size = Size < 0 ? 0 : Size;
    Data.LastWriteTime = FromTimeT(Time);
    return true;
}

namespace {
// The time column of a Unix-style listing: "Dec  7 21:18" (within the last year) or
// "Dec  7  2025". Invalid when it is neither.
QDateTime ParseListTime(const char* Text)
{
    if (!Text)
        return {};
    static const QRegularExpression Re(
        QStringLiteral("^([A-Za-z]{3})\\s+(\\d{1,2})\\s+(?:(\\d{1,2}):(\\d{2})|(\\d{4}))$"));
    const auto M = Re.match(QString::fromLatin1(Text).simplified());
    if (!M.hasMatch())
        return {};
    static const QStringList Months = {"jan", "feb", "mar", "apr", "may", "jun",
                                       "jul", "aug", "sep", "oct", "nov", "dec"};
    const int Month = Months.indexOf(M.captured(1).toLower()) + 1;
    const int Day = M.captured(2).toInt();
    if (Month <= 0)
        return {};
    const QDateTime NowUtc = QDateTime::currentDateTimeUtc();
    if (!M.captured(5).isEmpty()) {
        const QDate D(M.captured(5).toInt(), Month, Day);
        return D.isValid() ? QDateTime(D, QTime(0, 0), Qt::UTC) : QDateTime();
    }
    const QTime Tm(M.captured(3).toInt(), M.captured(4).toInt());
    QDate D(NowUtc.date().year(), Month, Day);
    if (!D.isValid() || !Tm.isValid())
        return {};
    QDateTime R(D, Tm, Qt::UTC);
    if (R > NowUtc.addDays(1))  // such listings show dates of the last twelve months
        R = R.addYears(-1);
    return R;
}
}  // namespace

bool TVxInetConnection::FtpList(const QString& Directory, const QString& Mask,
                                QList<TVxInetFindData>& Entries)
{
    Transfer& T = FState->TakeFtp();
    // libcurl lists the directory part of the URL and offers each entry that the
    // pattern after the last slash matches; all of them are taken and matched here.
    QByteArray ListUrl = FState->FtpUrl(Directory, true);
    if (!ListUrl.endsWith('/'))
        ListUrl += '/';
    ListUrl += '*';
    curl_easy_setopt(T.Easy, CURLOPT_URL, ListUrl.constData());
    curl_easy_setopt(T.Easy, CURLOPT_WILDCARDMATCH, 1L);
    curl_easy_setopt(T.Easy, CURLOPT_CHUNK_BGN_FUNCTION, &Transfer::OnChunkBegin);
    curl_easy_setopt(T.Easy, CURLOPT_CHUNK_DATA, &T);
    T.OnChunk = [&Entries, &Mask](const curl_fileinfo* Info) -> long {
        if (!Info || !Info->filename)
            return CURL_CHUNK_BGN_FUNC_SKIP;
        TVxInetFindData D;
        D.FileName = QString::fromUtf8(Info->filename);
        if (!VxMatchesMask(D.FileName, Mask) || Entries.size() >= 1000000)
            return CURL_CHUNK_BGN_FUNC_SKIP;
        D.Attributes = Info->filetype == CURLFILETYPE_DIRECTORY ? VxFileAttributeDirectory
                                                                  : VxFileAttributeNormal;
        if (Info->flags & CURLFINFOFLAG_KNOWN_SIZE)
            D.Size = Info->size;
        D.LastWriteTime = ParseListTime(Info->strings.time);
        Entries.append(D);
        return CURL_CHUNK_BGN_FUNC_SKIP;  // listed, never downloaded
    };
    const CURLcode Code = T.RunToEnd();
    T.OnChunk = nullptr;
    if (Code == CURLE_OK || Code == CURLE_REMOTE_FILE_NOT_FOUND)
        return true;  // not found: nothing matched, or an empty directory
    SetFailure(T.ErrorText(), T.Failure());
    return false;
}

std::unique_ptr<TVxFtpFind> TVxInetConnection::FtpFindFirstFile(const QString& Pattern,
                                                                TVxInetFindData& Data)
{
    ClearFailure();
    if (FState->Service != TVxInetServiceKind::Ftp)
        return nullptr;
    const qsizetype Slash = Pattern.lastIndexOf(QLatin1Char('/'));
    const QString DirPart = Slash < 0 ? QString() : Slash == 0 ? QStringLiteral("/") : Pattern.left(Slash);
    QString Mask = Pattern.mid(Slash + 1);
    const QString Dir = FState->Resolve(DirPart);
    QList<TVxInetFindData> Entries;
    if (Mask.isEmpty())
        Mask = QStringLiteral("*");
    if (!Mask.contains(QLatin1Char('*')) && !Mask.contains(QLatin1Char('?'))) {
        // One name: its size and time from SIZE and MDTM; a directory of that name
        // only shows in its parent's listing.
        TVxInetFindData One;
        const QString Path = Dir == QLatin1String("/") ? QLatin1Char('/') + Mask : Dir + QLatin1Char('/') + Mask;
        if (FtpStat(Path, One)) {
            Entries.append(One);
        } else {
            const QString Error = FLastError;
            const TVxInetFailure Kind = FLastFailure;
            if (!FtpList(Dir, Mask, Entries))
                SetFailure(Error, Kind);
        }
    } else if (!FtpList(Dir, Mask, Entries)) {
        return nullptr;
    }
    if (Entries.isEmpty()) {
        if (FLastError.isEmpty())
            SetFailure(QStringLiteral("No file matches %1").arg(Pattern), TVxInetFailure::Answer);
        return nullptr;
    }
    std::unique_ptr<TVxFtpFind> F(new TVxFtpFind);
    F->FEntries = std::move(Entries);
    F->FindNext(Data);
    return F;
}

std::unique_ptr<TVxInetFile> TVxInetConnection::FtpOpenFile(const QString& Name, quint32)
{
    ClearFailure();
    if (FState->Service != TVxInetServiceKind::Ftp)
        return nullptr;
    return std::make_unique<TVxFtpFile>(FState, FState->Resolve(Name));
}
