// TVxCustomWebComponent: connection settings, the Execute frame, activity reporting and
// the transfer toolkit the web components are built from. What differs between HTTP,
// FTP and network paths is in the services (VxWebHttp.cpp, VxWebFtp.cpp,
// VxWebNetwork.cpp); the local file of a download is written by TVxDownloadTarget.
#include <vedidoredo/vxiupdate.h>

#include "platform/VxDownloadTarget.h"
#include "platform/VxRunState.h"
#include "web/VxWebService.h"

#include <vedidoredo/VxILogOn.h>
#include <vedidoredo/VxInCnst.h>
#include "platform/VxSystemProxy.h"

#include <QBuffer>
#include <QCoreApplication>

#include <algorithm>
#include <limits>
#include <vector>

QString strVxInProgressBytes = QStringLiteral("Downloaded %d bytes");

namespace {

// Downloads go in blocks of 2050 bytes with one progress report each: the granularity
// the component's OnProgress and status window have always had.
constexpr qint64 DownloadBlock = 2050;
// A whole URL is read a megabyte at a time, into one buffer per call.
constexpr qint64 UrlBlock = 1048576;

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
    : TVxComponent(Owner),
      FWEBAgent(QStringLiteral("Quillmoss WebUpdater")),
      FProxy(new TVxInetProxy(this)),
      FStatusDialog(new TVxInetStatusDialog(this))
{
    FProxy->SetPort(0);
}

TVxCustomWebComponent::~TVxCustomWebComponent()
{
    EndRun();
}

void TVxCustomWebComponent::SetService(TVxIService Value)
{
    CheckChange("Service");
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
    CheckChange("Proxy");
    FProxy->Assign(Value);
}

void TVxCustomWebComponent::SetStatusDialog(TVxInetStatusDialog* Value)
{
    CheckChange("StatusDialog");
    FStatusDialog->Assign(Value);
}

void TVxCustomWebComponent::SetStatus(TVxIStatus Value)
{
    CheckChange("Status");
    if (Value == FStatus)
        return;
    FStatus = Value;
    if (FOnStatusChange)
        FOnStatusChange(this);
}

void TVxCustomWebComponent::SetAction(TVxIAction Value)
{
    CheckChange("Action");
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
        // The window's updates and the events it lets through are callbacks of the run.
        RunCallback([&] {
            if (L.Text) {
                dlgStatus->SetStatusText(*L.Text);
                dlgStatus->SetStepImage(L.Step, L.Image);
            }
            // An asynchronous run leaves the events to the owning thread's own loop.
            if (!RunState().Async())
                dlgStatus->ProcessEvents();
        });
    }
    if (FOnActionChange)
        FOnActionChange(this);
}

void TVxCustomWebComponent::UpdateProgress(qint64 CurValue, qint64 MaxValue, bool& Abort)
{
    // A size not told, or not readable, is no maximum.
    CurValue = std::max<qint64>(CurValue, 0);
    MaxValue = std::max<qint64>(MaxValue, 0);
    const bool Window = dlgStatus && FStatusDialog->Enabled();
    QString Text;
    if (Window) {
        if (MaxValue == 0) {
            Text = FormatInts(strVxInProgressBytes, {CurValue});
        } else {
            // Without overflow for any size a file can have.
            const qint64 Percent = CurValue <= std::numeric_limits<qint64>::max() / 100
                                       ? CurValue * 100 / MaxValue
                                       : CurValue / std::max<qint64>(MaxValue / 100, 1);
            Text = FormatInts(strVxInProgress, {CurValue, MaxValue, Percent});
        }
    }
    auto Report = [&] {
        if (Window) {
            Abort = dlgStatus->IsCanceled();
            dlgStatus->SetProgress(CurValue, MaxValue);
            dlgStatus->SetStatusText(Text);
            if (!RunState().Async())
                dlgStatus->ProcessEvents();
        }
        // Cancel works as the window's Cancel button does.
        if (RunState().Cancelled())
            Abort = true;
        if (FOnProgress)
            FOnProgress(this, CurValue, MaxValue, Abort);
        if (RunState().Cancelled())
            Abort = true;
    };
    // The window and the handler in one trip to the owning thread (an asynchronous run
    // reports every block).
    if (Window)
        RunCallback(Report);
    else
        Report();
}

void TVxCustomWebComponent::PrepareStatusWindow()
{
    RunCallback([this] { ShowStatusWindow(); });
}

void TVxCustomWebComponent::CloseStatusWindow()
{
    if (dlgStatus)
        RunCallback([this] { dlgStatus.reset(); });
}

void TVxCustomWebComponent::ShowStatusWindow()
{
    if (!dlgStatus) {
        const auto& Create = VxUiHooks().CreateStatusWindow;
        if (Create)
            dlgStatus = Create(this);
        if (!dlgStatus)
            return;
    }
    QString Remote, Local;
    const bool Named = StatusWindowFiles(Remote, Local);
    dlgStatus->SetFileNames(Remote, Local, Named);
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
    TVxRunScope Run(RunState());
    if (FOnBeforeExecute)
        FOnBeforeExecute(this);
    if (FStatusDialog->Enabled())
        PrepareStatusWindow();
    FLastError.clear();
    SetStatus(isInProgress);
    InternalExecute();
    if (FStatus == isInProgress)
        SetStatus(isFinished);
    // A run that Cancel (or its future's cancel) cut short failed as an abort does.
    if (FStatus == isFailed && RunState().Cancelled())
        FLastError = QStringLiteral("Download aborted");
    const bool Result = FStatus != isFailed;
    CloseStatusWindow();
    if (FOnAfterExecute)
        FOnAfterExecute(this);
    return Result;
}

QFuture<bool> TVxCustomWebComponent::ExecuteAsync()
{
    return RunAsync<bool>([this] { return Execute(); });
}

// ---- connection --------------------------------------------------------------------

void TVxCustomWebComponent::ConnectToInet(bool ReadSystemProxy)
{
    SetAction(iaConnecting);
    try {
        FWebService.reset();
        hURL.reset();
        hInet.reset();
        if (FService != isNetwork) {
            // A proxy named on the component is used as it is; otherwise the system's
            // proxy settings are read into Proxy when asked for. A login written into
            // the system's proxy setting goes to the session, not into Proxy.
            QString SystemUser, SystemPassword;
            if (ReadSystemProxy && !FProxy->Named()) {
                FProxy->FillProxyInfo();
                if (FProxy->User().isEmpty() && FProxy->Password().isEmpty())
                    VxSystemProxyCredentials(VxProxyEnvironment(), SystemUser, SystemPassword);
            }
            const bool Named = FProxy->Named();
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
                                         .arg(VxLoginName(FWEBUser), FLastError);
                }
            }
        }
        if (hURL || FService == isNetwork)
            FWebService = TVxWebService::Create(*this, hURL.get());
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
    FWebService.reset();
    hURL.reset();
    hInet.reset();
    SetAction(iaDisconnected);
}
// ---- the services' toolkit ----------------------------------------------------------

std::unique_ptr<TVxWebService> TVxWebService::Create(TVxCustomWebComponent& Component, TVxInetConnection* Connection)
{
    switch (Component.Service()) {
    case isFTP: return VxNewFtpService(Component, Connection);
    case isNetwork: return VxNewNetworkService(Component);
    case isHTTP:
    case isHTTPS: break;
    }
    return VxNewHttpService(Component, Connection);
}

TVxWebService& TVxCustomWebComponent::WebService()
{
    if (!FWebService)
        FWebService = TVxWebService::Create(*this, hURL.get());
    return *FWebService;
}

bool TVxCustomWebComponent::StatusWindowFiles(QString&, QString&) const
{
    return false;
}

bool TVxCustomWebComponent::GetFileInfoFromInet(const QString& RemoteName, qint64& Size,
                                                TDateTime& LastWriteTime)
{
    Size = 0;
    FFoundValidator.clear();
    if (!hURL && FService != isNetwork)
        return false;
    // The service reports iaFileSearch once the search is under way.
    TVxWebService& Service = WebService();
    bool Found = false;
    bool Failed = false;  // no answer, or a refused login: not a missing file
    try {
        Found = Service.GetFileInfo(RemoteName, Size, LastWriteTime, Failed);
    } catch (...) {
        Found = false;
    }
    Service.RethrowReportFailure();
    const QString Error = Service.TakeError();
    if (!Error.isEmpty())
        FLastError = Error;
    if (Found) {
        FLastError.clear();
        FFoundValidator = Service.Validator();
        SetAction(iaFileFound);
    } else if (Failed) {
        SetStatus(isFailed);
    }
    return Found;
}

bool TVxCustomWebComponent::ReadDirFromInet(const QString& Directory, const QString& Mask,
                                            bool WithSubFolders, QStringList& List)
{
    if (!hURL && FService != isNetwork)
        return false;
    SetAction(iaFileSearch);
    TVxWebService& Service = WebService();
    Service.ReadDir(Directory, Mask, WithSubFolders, List);
    const QString Error = Service.TakeError();
    if (!Error.isEmpty())
        FLastError = Error;
    const bool Result = !List.isEmpty();
    SetAction(iaFileFound);
    return Result;
}

bool TVxCustomWebComponent::ReadFileFromInet(const QString& RemoteName, const QString& LocalFileName,
                                             qint64 ExpectedSize)
{
    if (!hURL && FService != isNetwork)
        return false;
    SetAction(iaDownloading);
    std::unique_ptr<TVxWebSource> Source = WebService().OpenSource(RemoteName);
    if (!Source) {
        SetAction(iaDownloaded);
        return false;
    }
    const qint64 Expected = std::max<qint64>(ExpectedSize, 0);  // 0: not known

    // The target: a temporary file beside the local file, or, resuming, the partial
    // file that an interrupted run of the same remote version left.
    TVxDownloadTarget Out(LocalFileName, DownloadBlock);
    qint64 Resumed = 0;
    if (FResumeDownload && !FFoundValidator.isEmpty() && Out.OpenPartial()) {
        // The note names the remote file (without any login) and its version.
        const QString From = FService == isNetwork ? RemoteName
                                                   : QStringLiteral("%1://%2:%3 %4")
                                                         .arg(QLatin1String(FService == isFTP     ? "ftp"
                                                                            : FService == isHTTPS ? "https"
                                                                                                  : "http"),
                                                              FWEBHost)
                                                         .arg(FWEBPort)
                                                         .arg(RemoteName);
        const QByteArray Note = QStringLiteral("VeDidoredo partial download\nsource %1\nversion %2\nsize %3\n")
                                    .arg(From, FFoundValidator)
                                    .arg(Expected)
                                    .toUtf8();
        const qint64 Present = Out.Size();
        if (Present > 0 && (Expected == 0 || Present < Expected) && Out.PartialInfo() == Note) {
            switch (Source->ResumeAt(Present, FFoundValidator)) {
            case TVxWebSource::Continued: Resumed = Present; break;
            case TVxWebSource::Whole: break;
            case TVxWebSource::Unanswered:
                // The partial file stays for another try.
                FLastError = Source->Error();
                Out.Discard();
                SetStatus(isFailed);
                SetAction(iaDownloaded);
                return true;
            }
        }
        // Anything else starts the partial file anew, and its note says what it is now
        // the start of.
        Out.StartAt(Resumed);
        if (Resumed == 0)
            Out.SetPartialInfo(Note);
    } else {
        Out.OpenTemporary();
    }

    // The copy, one block and one progress report at a time. Blocks are read straight
    // into the write buffer, which goes to the disk in whole pages.
    qint64 Total = 0;
    bool Abort = false;
    for (;;) {
        const qint64 N = Source->Read(Out.Space(), DownloadBlock);
        if (N <= 0)
            break;
        Total += N;
        Out.Written(N);
        UpdateProgress(Total, Expected, Abort);
        if (Abort)
            break;
    }
    if (RunState().Cancelled())
        Abort = true;  // also when the transfer itself was ended by it

    const bool SourceComplete = Source->Completed();
    const bool Short = Expected > 0 && Resumed + Total < Expected;
    const bool Complete = !Abort && SourceComplete && !Short;
    if (!Complete) {
        if (Abort)
            FLastError = QStringLiteral("Download aborted");
        else if (!SourceComplete)
            FLastError = Source->Error();
        else
            FLastError = QStringLiteral("The transfer ended after %1 of %2 bytes").arg(Resumed + Total).arg(Expected);
        // A source that failed before a byte of the rest came (a server that cannot start
        // there) is not asked to continue again: the next run starts anew.
        if (Resumed > 0 && Total == 0 && !Abort)
            Out.SetPartialInfo({});
    }
    // The local file is replaced only by a complete copy; a partial file keeps what
    // arrived.
    if (Complete)
        Out.Finish();
    else
        Out.Discard();
    Source.reset();
    if (!Complete)
        SetStatus(isFailed);
    SetAction(iaDownloaded);
    return true;
}

// ---- whole URLs --------------------------------------------------------------------

void TVxCustomWebComponent::ReadHTTPGetResponse(const QString& Url, QIODevice* Stream)
{
    ReadHTTPGetResponse(Url, Stream, nullptr);
}

int TVxCustomWebComponent::ReadHTTPGetResponse(const QString& Url, QIODevice* Stream, QByteArray* Refused)
{
    if (!Stream)
        return 0;
    const bool Named = FProxy->Named();
    auto Session = TVxInetSession::Open(FWEBAgent, Named ? FProxy->Server() : QString(),
                                        Named ? FProxy->Port() : 0);
    if (!Session)
        return 0;
    Session->SetTimeouts(FTimeout, FTimeout);
    if (Named)
        Session->SetProxyCredentials(FProxy->User(), FProxy->Password());
    // Called outside Execute (the translator's calls are), the status window opens for
    // this request alone.
    const bool OwnWindow = !dlgStatus && FStatusDialog->Enabled();
    if (OwnWindow)
        PrepareStatusWindow();
    int Status = 0;
    qint64 Total = 0;
    bool Abort = false;
    std::vector<char> Buffer(UrlBlock);
    if (auto File = Session->OpenUrl(Url, VxInetFlagReload)) {
        Status = File->HttpStatus();
        const bool Refuse = Refused && Status != 0 && (Status < 200 || Status > 299);
        if (Refuse)
            Refused->clear();
        else
            Stream->seek(0);
        for (;;) {
            const qint64 N = File->Read(Buffer.data(), UrlBlock);
            if (N <= 0)
                break;
            if (Refuse) {
                // An error page is short; more than a block of it says nothing more.
                if (Refused->size() < UrlBlock)
                    Refused->append(Buffer.data(), std::min<qint64>(N, UrlBlock - Refused->size()));
            } else {
                Stream->write(Buffer.data(), N);
            }
            // The size of a whole URL's body is not asked for: the count alone.
            Total += N;
            UpdateProgress(Total, 0, Abort);
            if (Abort)
                break;
        }
        if (RunState().Cancelled())
            Abort = true;
        if (Abort)
            FLastError = QStringLiteral("Download aborted");
        else if (!File->Completed())
            FLastError = File->LastError();
        if (!Refuse)
            Stream->seek(0);
    } else {
        FLastError = Session->LastError();
        Stream->seek(0);
    }
    if (OwnWindow)
        CloseStatusWindow();
    return Status;
}

QString TVxCustomWebComponent::ReadHTTPGetResponseString(const QString& Url)
{
    QBuffer Buffer;
    Buffer.open(QIODevice::ReadWrite);
    ReadHTTPGetResponse(Url, &Buffer);
    return QString::fromLatin1(Buffer.data());
}
