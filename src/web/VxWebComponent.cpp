// TVxCustomWebComponent: connection settings, the Execute frame, activity reporting and
// the transfer toolkit the web components are built from.
#include <vedidoredo/VxILogOn.h>
#include <vedidoredo/VxInCnst.h>
#include <vedidoredo/platform/VxSystemProxy.h>
#include <vedidoredo/vxiupdate.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <vector>

QString strVxInProgressBytes = QStringLiteral("Downloaded %d bytes");

namespace {

// The blocks of a download, and of a whole-URL fetch.
constexpr qint64 DownloadBlock = 2050;
constexpr qint64 UrlBlock = 1048576;

// Fills "%d" from left to right with Values; "%%" is one percent sign.
QString FormatInts(const QString& Format, std::initializer_list<qint64> Values)
{
    QString Out;
    Out.reserve(Format.size() + 32);
    auto It = Values.begin();
    for (qsizetype I = 0; I < Format.size(); ++I) {
        const QChar C = Format[I];
        if (C == QLatin1Char('%') && I + 1 < Format.size()) {
            const QChar N = Format[I + 1];
            if (N == QLatin1Char('%')) {
                Out += QLatin1Char('%');
                ++I;
                continue;
            }
            if (N == QLatin1Char('d')) {
                if (It != Values.end())
                    Out += QString::number(*It++);
                ++I;
                continue;
            }
        }
        Out += C;
    }
    return Out;
}

quint32 Low32(qint64 V)
{
    return static_cast<quint32>(static_cast<quint64>(V) & 0xFFFFFFFFu);
}

QString JoinFtp(const QString& Dir, const QString& Name)
{
    return Dir == QLatin1String("/") ? QLatin1Char('/') + Name : Dir + QLatin1Char('/') + Name;
}

// A failure that is no answer about the file: the server could not be reached or
// refused the login.
bool IsFailure(TVxInetFailure Kind)
{
    return Kind == TVxInetFailure::Transport || Kind == TVxInetFailure::TimedOut ||
           Kind == TVxInetFailure::LoginRefused;
}

QString LoginName(const QString& User)
{
    return User.isEmpty() ? QStringLiteral("anonymous") : QLatin1Char('"') + User + QLatin1Char('"');
}

TDateTime ToDateTime(const QDateTime& Utc)
{
    return QDateTimeToDateTime(Utc.toUTC());
}

// Where a download goes: the local file itself (resuming), or a temporary file beside
// it that replaces it by an atomic rename when the download is complete and is removed
// otherwise, so the local file is never left half-written. The blocks are read into a
// buffer that goes to the disk in writes of 16 KiB: whole pages (partial pages cost the
// kernel extra work), and small enough to keep the page cache's write path fast.
class TDownloadTarget {
public:
    explicit TDownloadTarget(const QString& Final) : FFinal(Final), FBuffer(Chunk + DownloadBlock) {}
    ~TDownloadTarget()
    {
        if (!FTemporary.isEmpty()) {
            FFile.close();
            QFile::remove(FTemporary);
        }
    }

    void OpenInPlace()
    {
        FFile.setFileName(FFinal);
        if (!FFile.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
            Fail(QStringLiteral("Cannot create file"));
    }
    qint64 Size() const { return FFile.size(); }
    // Keeps the first Position bytes and writes on after them.
    void StartAt(qint64 Position)
    {
        if (!FFile.resize(Position) || !FFile.seek(Position))
            Fail(QStringLiteral("Cannot write file"));
    }
    void OpenTemporary()
    {
        // Created new, with the permissions of the file it replaces (or the usual ones).
        for (int Attempt = 0; Attempt < 100 && !FFile.isOpen(); ++Attempt) {
            FTemporary = QStringLiteral("%1.~vx%2").arg(FFinal).arg(QRandomGenerator::global()->bounded(1000000), 6, 10,
                                                                      QLatin1Char('0'));
            FFile.setFileName(FTemporary);
            if (FFile.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
                break;
            if (FFile.error() != QFileDevice::OpenError || !QFile::exists(FTemporary)) {
                FTemporary.clear();
                Fail(QStringLiteral("Cannot create file"));
            }
        }
        if (!FFile.isOpen()) {
            FTemporary.clear();
            Fail(QStringLiteral("Cannot create file"));
        }
        if (QFile::exists(FFinal))
            FFile.setPermissions(QFile::permissions(FFinal));
    }

    char* Space(qint64) { return FBuffer.data() + FFill; }
    void Written(qint64 N)
    {
        FFill += static_cast<size_t>(N);
        if (FFill >= Chunk) {
            Write(FBuffer.data(), Chunk);
            std::memmove(FBuffer.data(), FBuffer.data() + Chunk, FFill - Chunk);
            FFill -= Chunk;
        }
    }

    void Finish()
    {
        Write(FBuffer.data(), FFill);
        FFill = 0;
        FFile.close();
        if (!FTemporary.isEmpty()) {
            if (::rename(QFile::encodeName(FTemporary).constData(), QFile::encodeName(FFinal).constData()) != 0)
                Fail(QStringLiteral("Cannot replace file"), QString::fromLocal8Bit(std::strerror(errno)));
            FTemporary.clear();
        }
    }
    void Discard()
    {
        FFill = 0;
        FFile.close();  // the destructor removes a temporary file
    }

private:
    static constexpr size_t Chunk = 16 * 1024;

    void Write(const char* Data, size_t N)
    {
        if (N > 0 && FFile.write(Data, static_cast<qint64>(N)) != static_cast<qint64>(N))
            Fail(QStringLiteral("Cannot write file"));
    }
    [[noreturn]] void Fail(const QString& What, const QString& Why = {})
    {
        throw EVxFileError(QStringLiteral("%1 \"%2\". %3").arg(What, FFinal, Why.isEmpty() ? FFile.errorString() : Why));
    }

    QString FFinal;
    QString FTemporary;
    QFile FFile;
    std::vector<char> FBuffer;
    size_t FFill = 0;
};

}  // namespace

// ---- TVxInetStatusDialog -----------------------------------------------------------

TVxInetStatusDialog::TVxInetStatusDialog(QObject* Owner) : TVxPersistent(Owner) {}

TVxInetStatusDialog::~TVxInetStatusDialog() = default;

void TVxInetStatusDialog::Assign(TVxPersistent* Source)
{
    if (auto* S = qobject_cast<TVxInetStatusDialog*>(Source)) {
        FEnabled = S->FEnabled;
        FHelpContext = S->FHelpContext;
        FPicture = S->FPicture;
        FIcon = S->FIcon;
        FTitle = S->FTitle;
        FDescription = S->FDescription;
        return;
    }
    TVxPersistent::Assign(Source);
}

// ---- TVxCustomWebComponent ---------------------------------------------------------

TVxCustomWebComponent::TVxCustomWebComponent(QObject* Owner)
    : QObject(Owner),
      FWEBAgent(QStringLiteral("Quillmoss WebUpdater")),
      FProxy(new TVxInetProxy(this)),
      FStatusDialog(new TVxInetStatusDialog(this))
{
    FProxy->SetPort(0);
}

TVxCustomWebComponent::~TVxCustomWebComponent() = default;

void TVxCustomWebComponent::SetService(TVxIService Value)
{
    if (Value == FService)
        return;
    FService = Value;
    switch (Value) {
    case isHTTP: FWEBPort = 80; break;
    case isHTTPS: FWEBPort = 443; break;
    case isFTP: FWEBPort = 21; break;
    case isNetwork: break;
    }
}

void TVxCustomWebComponent::SetProxy(TVxInetProxy* Value)
{
    FProxy->Assign(Value);
}

void TVxCustomWebComponent::SetStatusDialog(TVxInetStatusDialog* Value)
{
    FStatusDialog->Assign(Value);
}

void TVxCustomWebComponent::SetStatus(TVxIStatus Value)
{
    if (Value == FStatus)
        return;
    FStatus = Value;
    if (FOnStatusChange)
        FOnStatusChange(this);
}

void TVxCustomWebComponent::SetAction(TVxIAction Value)
{
    if (Value == FAction)
        return;
    FAction = Value;
    if (dlgStatus && FStatusDialog->Enabled()) {
        struct Line {
            const QString* Text;
            int Step;
            int Image;
        };
        Line L{nullptr, 0, 0};
        switch (Value) {
        case iaIdle: break;
        case iaConnecting: L = {&strVxInConnecting, 1, 0}; break;
        case iaConnected: L = {&strVxInConnected, 1, 2}; break;
        case iaDisconnecting: L = {&strVxInDisconnecting, 4, 0}; break;
        case iaDisconnected: L = {&strVxInDisconnected, 4, 5}; break;
        case iaFileSearch: L = {&strVxInFileSearch, 2, 0}; break;
        case iaFileFound: L = {&strVxInFileFound, 2, 0}; break;
        case iaComparing: L = {&strVxInFileComparing, 2, 0}; break;
        case iaCompared: L = {&strVxInFileCompared, 2, 3}; break;
        case iaDownloading: L = {&strVxInDownloading, 3, 0}; break;
        case iaDownloaded: L = {&strVxInDownloaded, 3, 4}; break;
        }
        if (L.Text) {
            dlgStatus->SetStatusText(*L.Text);
            dlgStatus->SetStepImage(L.Step, L.Image);
        }
        dlgStatus->ProcessEvents();
    }
    if (FOnActionChange)
        FOnActionChange(this);
}

void TVxCustomWebComponent::UpdateProgress(quint32 CurValue, quint32 MaxValue, bool& Abort)
{
    if (dlgStatus && FStatusDialog->Enabled()) {
        Abort = dlgStatus->IsCanceled();
        dlgStatus->SetProgress(CurValue, MaxValue);
        // Printed as signed 32-bit numbers; the percentage is worked out in 64 bits.
        const qint64 Cur = static_cast<qint32>(CurValue);
        if (MaxValue == 0) {
            dlgStatus->SetStatusText(FormatInts(strVxInProgressBytes, {Cur}));
        } else {
            const qint64 Percent = static_cast<qint64>(CurValue) * 100 / MaxValue;
            dlgStatus->SetStatusText(FormatInts(
                strVxInProgress, {Cur, static_cast<qint32>(MaxValue), static_cast<qint32>(Percent)}));
        }
        dlgStatus->ProcessEvents();
    }
    if (FOnProgress)
        FOnProgress(this, static_cast<int>(CurValue), static_cast<int>(MaxValue), Abort);
}

void TVxCustomWebComponent::PrepareStatusWindow()
{
    if (!dlgStatus) {
        const auto& Create = VxUiHooks().CreateStatusWindow;
        if (Create)
            dlgStatus = Create(this);
        if (!dlgStatus)
            return;
    }
    if (auto* U = qobject_cast<TVxCustomWebUpdater*>(this)) {
        const QString Remote =
            FWEBHost.isEmpty() ? U->RemoteFileName() : FWEBHost + QLatin1Char('/') + U->RemoteFileName();
        dlgStatus->SetFileNames(Remote, U->FLocalFileName, true);
    } else {
        dlgStatus->SetFileNames(QString(), QString(), false);
    }
    dlgStatus->SetCaption(FStatusDialog->Title().isEmpty() ? QCoreApplication::applicationName()
                                                           : FStatusDialog->Title());
    if (!FStatusDialog->Description().isEmpty())
        dlgStatus->SetDescription(FStatusDialog->Description());
    if (!FStatusDialog->GetIcon().isEmpty())
        dlgStatus->SetIcon(FStatusDialog->GetIcon());
    if (!FStatusDialog->GetPicture().isEmpty())
        dlgStatus->SetPicture(FStatusDialog->GetPicture());
    dlgStatus->SetCanceled(false);
    dlgStatus->Show();
}

bool TVxCustomWebComponent::Execute()
{
    if (FOnBeforeExecute)
        FOnBeforeExecute(this);
    if (FStatusDialog->Enabled())
        PrepareStatusWindow();
    FLastError.clear();
    SetStatus(isInProgress);
    InternalExecute();
    if (FStatus == isInProgress)
        SetStatus(isFinished);
    const bool Result = FStatus != isFailed;
    dlgStatus.reset();
    if (FOnAfterExecute)
        FOnAfterExecute(this);
    return Result;
}

// ---- connection --------------------------------------------------------------------

void TVxCustomWebComponent::ConnectToInet(bool ReadSystemProxy)
{
    SetAction(iaConnecting);
    try {
        hFindFile.reset();
        hURL.reset();
        hInet.reset();
        if (FService != isNetwork) {
            // A proxy named on the component is used as it is; otherwise the system's
            // proxy settings are read into Proxy when asked for. A login written into
            // the system's proxy setting goes to the session, not into Proxy.
            QString SystemUser, SystemPassword;
            if (ReadSystemProxy && !(FProxy->UseProxy() && !FProxy->Server().isEmpty())) {
                FProxy->FillProxyInfo();
                if (FProxy->User().isEmpty() && FProxy->Password().isEmpty())
                    VxSystemProxyCredentials(QProcessEnvironment::systemEnvironment(), SystemUser, SystemPassword);
            }
            const bool Named = FProxy->UseProxy() && !FProxy->Server().isEmpty();
            hInet = TVxInetSession::Open(FWEBAgent, Named ? FProxy->Server() : QString(),
                                         Named ? FProxy->Port() : 0);
            if (hInet && !SystemUser.isEmpty())
                hInet->SetProxyCredentials(SystemUser, SystemPassword);
            if (hInet) {
                hInet->SetTimeouts(FTimeout, FTimeout);
                hURL = hInet->Connect(FWEBHost, FWEBPort, FWEBUser, FWEBPassword,
                                      FService == isFTP ? TVxInetServiceKind::Ftp : TVxInetServiceKind::Http,
                                      FService == isHTTPS ? VxInetFlagSecure : 0);
                if (!hURL) {
                    FLastError = hInet->LastError();
                    if (hInet->LastFailure() == TVxInetFailure::LoginRefused)
                        FLastError = QStringLiteral("The server refused the login of %1 (%2)")
                                         .arg(LoginName(FWEBUser), FLastError);
                }
            }
        }
    } catch (const std::exception& E) {
        FLastError = QString::fromUtf8(E.what());
        SetStatus(isFailed);
        return;
    } catch (...) {
        SetStatus(isFailed);
        return;
    }
    SetAction(iaConnected);
}

void TVxCustomWebComponent::DisconnectFromInet()
{
    SetAction(iaDisconnecting);
    hFindFile.reset();
    hURL.reset();
    hInet.reset();
    SetAction(iaDisconnected);
}

// ---- inspection --------------------------------------------------------------------

bool TVxCustomWebComponent::GetFileInfoFromInet(const QString& RemoteName, quint32& Size,
                                                TDateTime& LastWriteTime)
{
    Size = 0;
    if (!hURL && FService != isNetwork)
        return false;
    SetAction(iaFileSearch);
    bool Found = false;
    bool Failed = false;  // no answer, or a refused login: not a missing file
    try {
        switch (FService) {
        case isHTTP:
        case isHTTPS: {
            hFindFile.reset();
            auto Request = hURL->OpenRequest(QStringLiteral("GET"), RemoteName, QStringLiteral("HTTP/1.0"),
                                             FService == isHTTPS ? VxInetFlagSecure : VxInetFlagReload);
            TVxHttpRequest* R = Request.get();
            hFindFile = std::move(Request);
            if (!R)
                break;
            if (!FProxy->User().isEmpty() || !FProxy->Password().isEmpty()) {
                R->SetOption(TVxInetOption::ProxyUserName, FProxy->User());
                R->SetOption(TVxInetOption::ProxyPassword, FProxy->Password());
            }
            // Attempts count towards the logon rule: without the prompt a refusal is
            // tried once more with the same credentials; with it, for as long as the
            // user confirms. A send without an answer is tried three times, unless it
            // ran out of time: the time limit bounds the whole wait.
            int Count = 0;
            int Unreadable = 0;
            int Code = 0;
            bool HaveCode = false;
            for (;;) {
                ++Count;
                R->Send();
                HaveCode = R->QueryStatusCode(Code);
                if (!HaveCode) {
                    FLastError = R->LastError();
                    if (R->LastFailure() == TVxInetFailure::TimedOut || ++Unreadable >= 3) {
                        Failed = true;
                        break;
                    }
                    continue;
                }
                if (Code == 401) {
                    if (FLoginPrompt) {
                        QString U = FWEBUser, P = FWEBPassword;
                        if (VxInAskLogon(strVxInLogon, U, P)) {
                            FWEBUser = U;
                            FWEBPassword = P;
                            Count = 0;
                        } else {
                            Count = 2;
                        }
                    }
                    if (Count > 1) {
                        FLastError = QStringLiteral("%1: the server refused the login of %2")
                                         .arg(strVxInEAuthRequired, LoginName(FWEBUser));
                        Failed = true;
                        throw EVxError(strVxInEAuthRequired);
                    }
                    R->SetOption(TVxInetOption::UserName, FWEBUser);
                    R->SetOption(TVxInetOption::Password, FWEBPassword);
                    continue;
                }
                if (Code == 407) {
                    if (FLoginPrompt) {
                        QString U = FProxy->User(), P = FProxy->Password();
                        if (VxInAskLogon(strVxInProxyLogon, U, P)) {
                            FProxy->SetUser(U);
                            FProxy->SetPassword(P);
                            Count = 0;
                        } else {
                            Count = 2;
                        }
                    }
                    if (Count > 1) {
                        FLastError = QStringLiteral("%1: the proxy refused the login of %2")
                                         .arg(strVxInEProxyAuth, LoginName(FProxy->User()));
                        Failed = true;
                        throw EVxError(strVxInEProxyAuth);
                    }
                    R->SetOption(TVxInetOption::ProxyUserName, FProxy->User());
                    R->SetOption(TVxInetOption::ProxyPassword, FProxy->Password());
                    continue;
                }
                break;
            }
            if (!HaveCode)
                break;
            if (Code < 200 || Code > 299) {
                // An error page (or any answer that is not the file) is never content.
                FLastError = Code == 404 ? strVxInEFileNotFound : QStringLiteral("HTTP status %1").arg(Code);
                break;
            }
            Found = true;
            QString Length;
            if (R->QueryContentLength(Length)) {
                bool Ok = false;
                const qint64 N = Length.trimmed().toLongLong(&Ok);
                Size = Ok && N >= 0 ? Low32(N) : 0xFFFFFFFFu;
            }
            QDateTime Modified;
            if (R->QueryLastModified(Modified))
                LastWriteTime = ToDateTime(Modified);
            break;
        }
        case isFTP: {
            hFindFile.reset();
            TVxInetFindData Data;
            auto Find = hURL->FtpFindFirstFile(RemoteName, Data);
            if (!Find) {
                FLastError = hURL->LastError();
                Failed = IsFailure(hURL->LastFailure());
                break;
            }
            if (Data.Attributes & VxFileAttributeDirectory) {
                FLastError = strVxInEFileNotFound;  // a directory is no file to fetch
                break;
            }
            hFindFile = std::move(Find);
            Size = Low32(Data.Size);
            if (Data.LastWriteTime.isValid())
                LastWriteTime = ToDateTime(Data.LastWriteTime);
            Found = true;
            break;
        }
        case isNetwork: {
            const QFileInfo Info(RemoteName);
            if (!Info.isFile()) {
                FLastError = strVxInEFileNotFound;
                break;
            }
            Size = Low32(Info.size());
            LastWriteTime = ToDateTime(Info.lastModified());
            Found = true;
            break;
        }
        }
    } catch (...) {
        // Refused logons end here; LastError says which.
        Found = false;
    }
    if (Found) {
        FLastError.clear();
        SetAction(iaFileFound);
    } else if (Failed) {
        SetStatus(isFailed);
    }
    return Found;
}

// ---- listing -----------------------------------------------------------------------

bool TVxCustomWebComponent::ReadDirFromInet(const QString& Directory, const QString& Mask,
                                            bool WithSubFolders, QStringList& List)
{
    if (!hURL && FService != isNetwork)
        return false;
    SetAction(iaFileSearch);
    if (FService == isFTP) {
        ReadFtpDir(Directory, Mask, WithSubFolders, List, 0);
    } else if (FService == isNetwork) {
        QStringList Visited;
        ReadNetworkDir(Directory, Mask, WithSubFolders, List, Visited);
    }
    const bool Result = !List.isEmpty();
    SetAction(iaFileFound);
    return Result;
}

bool TVxCustomWebComponent::ReadFtpDir(const QString& Directory, const QString& Mask,
                                       bool WithSubFolders, QStringList& List, int Depth)
{
    QString Cur;
    if (!hURL->FtpGetCurrentDirectory(Cur))
        Cur.clear();
    // A relative directory is below the current one (the login directory); lines name
    // the directory as the server knows it, without doubled slashes.
    QString Dir = Directory.isEmpty() ? QStringLiteral("/") : Directory;
    if (!Dir.startsWith(QLatin1Char('/')) && !Cur.isEmpty())
        Dir = JoinFtp(Cur, Dir);
    Dir = QDir::cleanPath(Dir);
    if (Dir != Cur && !hURL->FtpSetCurrentDirectory(Dir)) {
        FLastError = hURL->LastError();
        if (const auto& Show = VxUiHooks().ShowMessage)
            Show(QCoreApplication::applicationName(), hURL->LastError());
    }
    const bool Here = Dir == Cur;
    const QString Pattern = Here ? Mask : JoinFtp(Dir, Mask);
    QStringList SubDirs;
    TVxInetFindData Data;
    hFindFile.reset();
    auto Find = hURL->FtpFindFirstFile(Pattern, Data);
    if (!Find && IsFailure(hURL->LastFailure())) {
        FLastError = hURL->LastError();
        SetStatus(isFailed);
    }
    if (Find) {
        do {
            List.append(Here ? Data.FileName : JoinFtp(Dir, Data.FileName));
            if (WithSubFolders && (Data.Attributes & VxFileAttributeDirectory) &&
                Data.FileName != QLatin1String(".") && Data.FileName != QLatin1String(".."))
                SubDirs.append(JoinFtp(Dir, Data.FileName));
        } while (Find->FindNext(Data));
        Find.reset();
    }
    // A server can present a tree without end (links to a parent); depth is bounded.
    if (Depth < 64)
        for (const QString& Sub : SubDirs)
            ReadFtpDir(Sub, Mask, WithSubFolders, List, Depth + 1);
    if (!Cur.isEmpty())
        hURL->FtpSetCurrentDirectory(Cur);
    return !List.isEmpty();
}

void TVxCustomWebComponent::ReadNetworkDir(const QString& Directory, const QString& Mask,
                                           bool WithSubFolders, QStringList& List, QStringList& Visited)
{
    const QString Prefix = Directory.isEmpty() ? QString() : Directory + QLatin1Char('/');
    const QDir Dir(Directory.isEmpty() ? QStringLiteral(".") : Directory);
    // A directory reached a second time (through a link) is listed but not entered again.
    const QString Canonical = Dir.canonicalPath();
    if (Canonical.isEmpty() || Visited.contains(Canonical))
        return;
    Visited.append(Canonical);
    const QFileInfoList Entries =
        Dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& E : Entries) {
        const QString Name = E.fileName();
        if (!VxMatchesMask(Name, Mask))
            continue;
        List.append(Prefix + Name);
        if (WithSubFolders && E.isDir() && Name != QLatin1String(".") && Name != QLatin1String(".."))
            ReadNetworkDir(Prefix + Name, Mask, WithSubFolders, List, Visited);
    }
}

// ---- download ----------------------------------------------------------------------

bool TVxCustomWebComponent::ReadFileFromInet(const QString& RemoteName, const QString& LocalFileName,
                                             quint32 ExpectedSize)
{
    if (!hURL && FService != isNetwork)
        return false;
    SetAction(iaDownloading);

    // The source.
    TVxInetFile* Stream = nullptr;
    QFile Network;
    switch (FService) {
    case isFTP:
        hFindFile.reset();  // the search of the inspection, if any
        hFindFile = hURL->FtpOpenFile(RemoteName, VxInetFlagBinary | VxInetFlagReload);
        Stream = static_cast<TVxInetFile*>(hFindFile.get());
        break;
    case isHTTP:
    case isHTTPS: {
        // Only the body of an answer that carries the file is downloaded.
        auto* R = dynamic_cast<TVxHttpRequest*>(hFindFile.get());
        int Code = 0;
        if (R && R->QueryStatusCode(Code) && Code >= 200 && Code <= 299)
            Stream = R;
        break;
    }
    case isNetwork:
        Network.setFileName(RemoteName);
        if (!Network.open(QIODevice::ReadOnly))
            throw EVxFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(RemoteName, Network.errorString()));
        break;
    }
    if (!Stream && !Network.isOpen()) {
        SetAction(iaDownloaded);
        return false;
    }

    // The target: the local file itself when resuming, else a temporary file beside it.
    TDownloadTarget Out(LocalFileName);
    qint64 Resumed = 0;
    if (FResumeDownload) {
        Out.OpenInPlace();
        Resumed = Out.Size();
        // Only a local file shorter than the remote one is continued; one as long or
        // longer (or a source that cannot start there) is written anew.
        if (ExpectedSize > 0 && Resumed >= static_cast<qint64>(ExpectedSize))
            Resumed = 0;
        if (Resumed > 0) {
            const bool Moved = Stream ? Stream->SetFilePointer(Resumed)
                                      : (Resumed <= Network.size() && Network.seek(Resumed));
            if (!Moved) {
                Resumed = 0;
                if (Stream)
                    Stream->SetFilePointer(0);
            }
        }
        Out.StartAt(Resumed);
    } else {
        Out.OpenTemporary();
    }

    // The copy, one block and one progress report at a time. Blocks are read straight
    // into the write buffer, which goes to the disk in whole pages.
    qint64 Total = 0;
    bool Abort = false;
    bool ReadError = false;
    for (;;) {
        char* Block = Out.Space(DownloadBlock);
        const qint64 N = Stream ? Stream->Read(Block, DownloadBlock) : Network.read(Block, DownloadBlock);
        if (N < 0)
            ReadError = true;
        if (N <= 0)
            break;
        Total += N;
        Out.Written(N);
        UpdateProgress(Low32(Total), ExpectedSize, Abort);
        if (Abort)
            break;
    }

    const bool SourceComplete = Stream ? Stream->Completed() : (!ReadError && Network.atEnd());
    const bool Short = ExpectedSize > 0 && Resumed + Total < static_cast<qint64>(ExpectedSize);
    const bool Complete = !Abort && SourceComplete && !Short;
    if (!Complete) {
        if (Abort)
            FLastError = QStringLiteral("Download aborted");
        else if (!SourceComplete)
            FLastError = Stream ? Stream->LastError() : Network.errorString();
        else
            FLastError = QStringLiteral("The transfer ended after %1 of %2 bytes")
                             .arg(Resumed + Total)
                             .arg(ExpectedSize);
    }
    // A temporary file replaces the local file only when complete; a resumed local
    // file keeps what arrived.
    if (Complete || FResumeDownload)
        Out.Finish();
    else
        Out.Discard();
    Network.close();
    if (!Complete)
        SetStatus(isFailed);
    SetAction(iaDownloaded);
    return true;
}

// ---- whole URLs --------------------------------------------------------------------

void TVxCustomWebComponent::ReadHTTPGetResponse(const QString& Url, QIODevice* Stream)
{
    if (!Stream)
        return;
    const bool Named = FProxy->UseProxy() && !FProxy->Server().isEmpty();
    auto Session = TVxInetSession::Open(FWEBAgent, Named ? FProxy->Server() : QString(),
                                        Named ? FProxy->Port() : 0);
    if (!Session)
        return;
    Session->SetTimeouts(FTimeout, FTimeout);
    if (Named)
        Session->SetProxyCredentials(FProxy->User(), FProxy->Password());
    Stream->seek(0);
    std::vector<char> Buffer(UrlBlock);
    if (auto File = Session->OpenUrl(Url, VxInetFlagReload)) {
        for (;;) {
            const qint64 N = File->Read(Buffer.data(), UrlBlock);
            if (N <= 0)
                break;
            Stream->write(Buffer.data(), N);
        }
    } else {
        FLastError = Session->LastError();
    }
    Stream->seek(0);
}

QString TVxCustomWebComponent::ReadHTTPGetResponseString(const QString& Url)
{
    QBuffer Buffer;
    Buffer.open(QIODevice::ReadWrite);
    ReadHTTPGetResponse(Url, &Buffer);
    return QString::fromLatin1(Buffer.data());
}
