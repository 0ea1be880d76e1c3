// Sessions and the handles a caller reads from: opening a session, connecting to a
// server (for FTP: logging in), and whole URLs. HTTP requests are in VxInetHttp.cpp, FTP
// in VxInetFtp.cpp, the transfer loop in VxInetTransfer.cpp, CA trust in VxInetTrust.cpp.
#include "VxInetTransfer.h"

#include <QDir>
#include <QRegularExpression>

using namespace VxInetDetail;

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
    S->FState->Trusted = Trust();
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
    if (Service == TVxInetServiceKind::Ftp && User.isEmpty()) {
        // No user name: the anonymous login, with the password curl and browsers send
        // when none is given.
        State->User = "anonymous";
        if (Password.isEmpty())
            State->Password = "anonymous@";
    }

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
        // Nothing goes out yet: the first request opens the connection that the run's
        // requests then share, and tells whether the way to the server (or to the named
        // proxy) is open. A proxy of the environment is not told apart from the server.
        State->WayOpen =
            !FState->NamedProxy() && EnvProxyApplies(Secure ? QStringLiteral("https") : QStringLiteral("http"));
    }
    std::unique_ptr<TVxInetConnection> C(new TVxInetConnection);
    C->FState = State;
    return C;
}

// ---- readable handles --------------------------------------------------------------

TVxInetFile::TVxInetFile() = default;

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

int TVxInetFile::HttpStatus() const
{
    if (!FTransfer)
        return 0;
    const char* Scheme = nullptr;
    if (curl_easy_getinfo(FTransfer->Easy, CURLINFO_SCHEME, &Scheme) != CURLE_OK || !Scheme ||
        (qstricmp(Scheme, "http") != 0 && qstricmp(Scheme, "https") != 0))
        return 0;
    return static_cast<int>(FTransfer->ResponseCode());
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
    explicit TVxUrlFile(std::shared_ptr<SessionState> Session) { FSession = std::move(Session); }
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

TVxInetConnection::~TVxInetConnection() = default;

TVxInetServiceKind TVxInetConnection::Service() const
{
    return FState->Service;
}
