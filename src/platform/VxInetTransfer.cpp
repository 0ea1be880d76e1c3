// The libcurl transfer loop and the options every transfer of a session gets.
#include "VxInetTransfer.h"

#include "platform/VxRunState.h"
#include "platform/VxSystemProxy.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace VxInetDetail {

namespace {

// The body is buffered up to this much before the transfer pauses: bounded memory
// whatever the size of the file, and enough to ride out a slow reader.
constexpr size_t MaxBuffered = 1u << 20;
// libcurl's receive buffer: large blocks keep the loop cheap on fast links.
constexpr long CurlBufferSize = 256 * 1024;
// Header lines kept of one answer; a server sending more is cut off there.
constexpr qsizetype MaxHeaderLines = 1000;
// The longest single wait of the loop; libcurl's own timers end it sooner.
constexpr int PollSliceMs = 1000;

}  // namespace

void GlobalInit()
{
    static std::once_flag Once;
    std::call_once(Once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QByteArray Utf8(const QString& S)
{
    return S.toUtf8();
}

namespace {

bool IsHexDigit(char C)
{
    return (C >= '0' && C <= '9') || (C >= 'A' && C <= 'F') || (C >= 'a' && C <= 'f');
}

// Percent-encodes the UTF-8 bytes of S except the unreserved characters, those in Keep
// and the '%' sequences the caller already wrote (a '%' that starts none becomes %25).
QByteArray EncodeKeepingEscapes(const QString& S, const char* Keep)
{
    const QByteArray U = S.toUtf8();
    QByteArray Out;
    Out.reserve(U.size());
    static const char Hex[] = "0123456789ABCDEF";
    for (qsizetype I = 0; I < U.size(); ++I) {
        const char C = U[I];
        const bool Unreserved = (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') ||
                                C == '-' || C == '.' || C == '_' || C == '~';
        if (Unreserved || (C != '%' && C != 0 && std::strchr(Keep, C))) {
            Out += C;
        } else if (C == '%' && I + 2 < U.size() && IsHexDigit(U[I + 1]) && IsHexDigit(U[I + 2])) {
            Out += U.mid(I, 3);
            I += 2;
        } else {
            Out += '%';
            Out += Hex[(uchar(C) >> 4) & 0xF];
            Out += Hex[uchar(C) & 0xF];
        }
    }
    return Out;
}

}  // namespace

// What may not stand in a URL path as it is.
QByteArray EncodePath(const QString& Path)
{
    return EncodeKeepingEscapes(Path, "/!$&'()*+,;=:@~?");
}

// A whole URL: as above, and the brackets of an IPv6 host and a fragment stay.
QByteArray EncodeUrl(const QString& Url)
{
    return EncodeKeepingEscapes(Url, "/!$&'()*+,;=:@~?[]#");
}

// One path segment, everything reserved encoded.
QByteArray EncodeSegment(const QString& Segment)
{
    return QUrl::toPercentEncoding(Segment);
}

// The rule of VxProxyVariable is libcurl's own.
bool EnvProxyApplies(const QString& Scheme)
{
    return !VxProxyVariable(VxProxyEnvironment(), Scheme).isEmpty();
}

void SessionState::Apply(CURL* E, bool Direct) const
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
    if (!Trusted.CaPath.isEmpty()) {
        curl_easy_setopt(E, CURLOPT_CAINFO, static_cast<const char*>(nullptr));
        curl_easy_setopt(E, CURLOPT_CAPATH, Trusted.CaPath.constData());
    }
    if (!Trusted.CaBlob.isEmpty()) {
        curl_blob Blob{const_cast<char*>(Trusted.CaBlob.constData()), static_cast<size_t>(Trusted.CaBlob.size()),
                       CURL_BLOB_COPY};
        curl_easy_setopt(E, CURLOPT_CAINFO_BLOB, &Blob);
    }
}

Transfer::Transfer()
{
    GlobalInit();
    Easy = curl_easy_init();
    Multi = curl_multi_init();
    ErrorBuffer[0] = 0;
}

Transfer::~Transfer()
{
    Stop();
    if (Headers)
        curl_slist_free_all(Headers);
    curl_easy_cleanup(Easy);
    curl_multi_cleanup(Multi);
}

void Transfer::Prepare(const SessionState& Session, bool Direct)
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
    Discarding = false;
    HoldFirstChunk = false;
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

void Transfer::SetHeaders(const QByteArray& Text)
{
    for (const QByteArray& Line : Text.split('\n')) {
        const QByteArray L = Line.trimmed();
        if (!L.isEmpty())
            Headers = curl_slist_append(Headers, L.constData());
    }
    if (Headers)
        curl_easy_setopt(Easy, CURLOPT_HTTPHEADER, Headers);
}

void Transfer::Start()
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

void Transfer::Pump(const std::function<bool()>& Ready, QDeadlineTimer Until)
{
    // Cancelling the run going on on this thread wakes the wait below and ends the transfer.
    TVxCancelWaker Waker([M = Multi] { curl_multi_wakeup(M); });
    while (Added && !Done && !Ready() && !Until.hasExpired()) {
        if (VxRunCancelled()) {
            Finish(CURLE_ABORTED_BY_CALLBACK);
            std::snprintf(ErrorBuffer, sizeof ErrorBuffer, "%s", "Download aborted");
            break;
        }
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
        // Inside a run, a cancelled future (which wakes nobody) is noticed within a slice.
        const int Slice = TVxRunState::Current() ? TVxRunState::CancelPollMs : PollSliceMs;
        const qint64 Left = Until.remainingTime();
        curl_multi_poll(Multi, nullptr, 0, Left < 0 ? Slice : int(std::min<qint64>(Left, Slice)), nullptr);
    }
}

CURLcode Transfer::RunToEnd()
{
    Start();
    Pump([] { return false; });
    Stop();
    return Result;
}

void Transfer::StartStream()
{
    HoldFirstChunk = true;
    Start();
    Pump([this] { return BodyStarted; });
}

qint64 Transfer::Read(char* Data, qint64 Size)
{
    while (Available() == 0) {
        if (Paused) {
            Unpause();
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

void Transfer::Unpause()
{
    Paused = false;
    curl_easy_pause(Easy, CURLPAUSE_CONT);
}

void Transfer::Drain(qint64 Limit, int WaitMs)
{
    if (!Running())
        return;
    curl_off_t Length = -1, Received = 0;
    curl_easy_getinfo(Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &Length);
    curl_easy_getinfo(Easy, CURLINFO_SIZE_DOWNLOAD_T, &Received);
    if (Length < 0 || Length - Received > Limit)
        return;  // an answer of unknown length ends with its connection anyway
    Buffer.clear();
    BufferPos = 0;
    Discarding = true;
    if (Paused)
        Unpause();
    Pump([] { return false; }, QDeadlineTimer(WaitMs));
    Discarding = false;
}

void Transfer::Stop()
{
    if (Added) {
        curl_multi_remove_handle(Multi, Easy);
        Added = false;
    }
}

long Transfer::ResponseCode() const
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

TVxInetFailure Transfer::Failure() const
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

QString Transfer::ErrorText() const
{
    QString Text = QString::fromUtf8(ErrorBuffer).trimmed();
    if (Text.isEmpty() && Result != CURLE_OK)
        Text = QString::fromUtf8(curl_easy_strerror(Result));
    // "Couldn't connect to server" says less than the system's reason ("No route to
    // host", "Connection refused").
    long OsError = 0;
    if (Result == CURLE_COULDNT_CONNECT && curl_easy_getinfo(Easy, CURLINFO_OS_ERRNO, &OsError) == CURLE_OK &&
        OsError != 0) {
        const QString Generic = QString::fromUtf8(curl_easy_strerror(Result));
        const QString Cause = QString::fromLocal8Bit(std::strerror(static_cast<int>(OsError)));
        if (Text.endsWith(Generic))
            Text.chop(Generic.size());
        Text = Text.isEmpty() ? Cause : Text + (Text.endsWith(QLatin1String(": ")) ? QString() : QStringLiteral(": ")) + Cause;
    }
    // An FTP server's last reply ("550 No such file") says more than libcurl's text.
    static const QRegularExpression Reply(QStringLiteral("^\\d{3}[ -]"));
    if (Reply.match(LastResponse).hasMatch() && !Text.contains(LastResponse))
        Text += (Text.isEmpty() ? QString() : QStringLiteral(": ")) + LastResponse;
    return Text;
}

void Transfer::Finish(CURLcode Code)
{
    Done = true;
    Result = Code;
}

size_t Transfer::OnWrite(char* Data, size_t Size, size_t Count, void* User)
{
    auto* T = static_cast<Transfer*>(User);
    size_t Len = Size * Count;
    if (T->HoldFirstChunk && !T->BodyStarted) {
        // The answer's headers are in. Its body stays with libcurl until the first Read:
        // a caller that wanted only the headers (a check that finds its file up to date)
        // never copies it.
        T->BodyStarted = true;
        T->Paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
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
    if (T->Discarding)
        return Len;
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

size_t Transfer::OnHeader(char* Data, size_t Size, size_t Count, void* User)
{
    auto* T = static_cast<Transfer*>(User);
    const size_t Len = Size * Count;
    QByteArray Line(Data, static_cast<qsizetype>(Len));
    while (Line.endsWith('\n') || Line.endsWith('\r'))
        Line.chop(1);
    if (Line.startsWith("HTTP/"))
        T->HeaderLines.clear();  // a new answer (after a redirect or a refusal)
    if (!Line.isEmpty()) {
        if (T->HeaderLines.size() < MaxHeaderLines)
            T->HeaderLines.append(Line);
        T->LastResponse = QString::fromUtf8(Line);
    }
    return Len;
}

long Transfer::OnChunkBegin(const void* Info, void* User, int)
{
    auto* T = static_cast<Transfer*>(User);
    return T->OnChunk ? T->OnChunk(static_cast<const curl_fileinfo*>(Info)) : CURL_CHUNK_BGN_FUNC_SKIP;
}
QByteArray ConnectionState::BaseUrl(const char* Scheme) const
{
    return QByteArray(Scheme) + "://" + Utf8(VxHostForUrl(Host)) + ':' + QByteArray::number(Port);
}

}  // namespace VxInetDetail
