// HTTP and HTTPS requests on a connection: the request is sent at Send (again after a
// refusal, with new credentials), the answer's headers are read, and the body is read
// by the caller through Read. The requests of a connection take its one transfer in
// turn, so they go out on one connection while the server keeps it open.
#include "VxInetTransfer.h"

#include <QDateTime>

namespace {

// The rest of an answer read to its end when the next request comes, so that the
// connection carries that request too (a refusal's page, say); a longer rest is left
// and its connection closed.
constexpr qint64 MaxDrained = 64 * 1024;
constexpr int MaxDrainMs = 1000;

}  // namespace

namespace VxInetDetail {

Transfer& ConnectionState::TakeHttp()
{
    if (!Http)
        Http = std::make_shared<Transfer>();
    Http->Drain(MaxDrained, MaxDrainMs);
    ++HttpGeneration;
    Http->Prepare(*Session, false);
    return *Http;
}

bool ConnectionState::Reached(const Transfer& T, bool Secure)
{
    if (!WayOpen) {
        // Connected to the proxy, or to the server and, for HTTPS, through the handshake;
        // an answer of any kind says so too.
        const CURLINFO Point = Secure && !Session->NamedProxy() ? CURLINFO_APPCONNECT_TIME_T : CURLINFO_CONNECT_TIME_T;
        curl_off_t Us = 0;
        WayOpen = (curl_easy_getinfo(T.Easy, Point, &Us) == CURLE_OK && Us > 0) || T.ResponseCode() > 0;
    }
    return WayOpen;
}

}  // namespace VxInetDetail

using namespace VxInetDetail;

std::unique_ptr<TVxHttpRequest> TVxInetConnection::OpenRequest(const QString& Verb,
                                                               const QString& ObjectName,
                                                               const QString& Version, quint32 Flags)
{
    ClearFailure();
    if (FState->Service != TVxInetServiceKind::Http) {
        SetFailure(QStringLiteral("Not an HTTP connection"), TVxInetFailure::Transport);
        return nullptr;
    }
    std::unique_ptr<TVxHttpRequest> Request(new TVxHttpRequest(Verb, ObjectName, Version, Flags));
    Request->FConnection = FState;
    Request->FSession = FState->Session;
    Request->FUser = QString::fromUtf8(FState->User);
    Request->FPassword = QString::fromUtf8(FState->Password);
    return Request;
}

TVxHttpRequest::TVxHttpRequest(const QString& Verb, const QString& ObjectName, const QString& Version,
                               quint32 Flags)
    : FVerb(Verb.isEmpty() ? QStringLiteral("GET") : Verb.toUpper()),
      FObjectName(ObjectName),
      FVersion(Version),
      FFlags(Flags)
{
}

TVxHttpRequest::~TVxHttpRequest()
{
    // A transfer that a later request took is that request's to end.
    if (!Current())
        FTransfer.reset();
}

bool TVxHttpRequest::Current() const
{
    return FTransfer && FConnection->HttpGeneration == FGeneration;
}

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
    Transfer& T = FConnection->TakeHttp();
    FTransfer = FConnection->Http;
    FGeneration = FConnection->HttpGeneration;
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
    // A range asked for under If-Range is all or nothing: a whole answer is the file
    // from its first byte (a newer version), never skipped into.
    const bool Conditional = ResumeFrom > 0 && !FIfRange.isEmpty();
    QByteArray Headers = Conditional ? FHeaders + "\nIf-Range: " + FIfRange.toLatin1() : FHeaders;
    // An HTTP/1.0 server closes the connection after its answer unless asked not to;
    // the run's next request (after a refused login, say) then goes on it.
    if (Http10 && !("\n" + Headers.toLower()).contains("\nconnection:"))
        Headers += "\nConnection: keep-alive";
    T.SetHeaders(Headers);
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
        if (!Conditional)
            T.ResumeFrom = ResumeFrom;
    }
    FSent = true;
    const bool Secure = (FFlags & VxInetFlagSecure) != 0;
    T.HoldFirstChunk = true;
    T.Start();
    if (!FConnection->WayOpen) {
        T.Pump([&] { return FConnection->Reached(T, Secure); });
        FConnection->Reached(T, Secure);
    }
    if (FConnection->WayOpen && FOnConnected)
        FOnConnected();
    T.Pump([&T] { return T.BodyStarted; });
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
    if (FTransfer && !Current()) {
        SetFailure(QStringLiteral("The connection was used for another request"), TVxInetFailure::Transport);
        return false;
    }
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

bool TVxHttpRequest::ResumeIfUnchanged(qint64 Position, const QString& Validator)
{
    if (FStarted || Position <= 0 || Validator.isEmpty())
        return false;
    FIfRange = Validator;
    const bool Answered = Perform(Position);
    FIfRange.clear();
    if (!Answered)
        return false;
    int Code = 0;
    QString Range;
    QueryStatusCode(Code);
    // "bytes FIRST-LAST/LENGTH": only a part that starts where the local bytes end
    // continues them.
    if (Code == 206 && QueryHeader("Content-Range", Range) &&
        Range.simplified().startsWith(QStringLiteral("bytes %1-").arg(Position))) {
        FResumeFrom = Position;
        return true;
    }
    FResumeFrom = 0;
    if (Code == 200)
        return false;
    // Anything else (a refused range, a part from elsewhere): the whole file again.
    Perform(0);
    return false;
}

bool TVxHttpRequest::QueryStatusCode(int& Status) const
{
    if (!Current() || !FSent)
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
    if (!Current() || !FSent)
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
