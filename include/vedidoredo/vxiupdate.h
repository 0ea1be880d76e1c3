/// \file
/// The web transfer components: the base TVxCustomWebComponent (connection settings, the
/// Execute frame, the transfer toolkit, activity and progress reporting with the optional
/// status window), its settings object TVxInetStatusDialog, and the web updater that
/// keeps one local file up to date with one remote file.
#pragma once

#include <vedidoredo/VxEvents.h>
#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/VxInetProxy.h>
#include <vedidoredo/platform/VxComponent.h>
#include <vedidoredo/platform/VxDateTime.h>
#include <vedidoredo/platform/VxInternet.h>
#include <vedidoredo/platform/VxPersistent.h>
#include <vedidoredo/platform/VxUiHooks.h>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

class QIODevice;
class QTemporaryDir;
class TVxWebService;

/// The enumerations of the web components, also in the global namespace (`isHTTP`).
namespace VxWebEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
/// How a web component reaches the remote file.
enum TVxIService {
    isHTTP,     ///< HTTP, port 80
    isHTTPS,    ///< HTTP over TLS, port 443, the certificate verified
    isFTP,      ///< FTP in passive mode, port 21
    isNetwork   ///< a file path on this machine or a mounted share
};
Q_ENUM_NS(TVxIService)
/// The outcome of a run, read from Status().
enum TVxIStatus {
    isInProgress,  ///< the run has not ended (also before the first run)
    isFinished,    ///< the work was done (downloaded, listed, parsed)
    isFailed,      ///< no answer came, a login was refused or a transfer broke off; see LastError()
    isSkipped,     ///< there was nothing to do: the local file was up to date
    isNotFound     ///< the server answered that the remote file or directory is missing
};
Q_ENUM_NS(TVxIStatus)
/// The step a run is at, read from Action() and shown in the status window.
enum TVxIAction {
    iaIdle,           ///< no run
    iaConnecting,     ///< opening the connection
    iaConnected,      ///< the connection is open
    iaDisconnecting,  ///< closing the connection
    iaDisconnected,   ///< the connection is closed
    iaFileSearch,     ///< asking for the remote file's size and time
    iaFileFound,      ///< the remote file was found
    iaComparing,      ///< comparing the remote file with the local one
    iaCompared,       ///< the comparison is done
    iaDownloading,    ///< downloading
    iaDownloaded      ///< the download is complete
};
Q_ENUM_NS(TVxIAction)
}  // namespace VxWebEnums
using VxWebEnums::TVxIAction;
using VxWebEnums::TVxIService;
using VxWebEnums::TVxIStatus;
using enum VxWebEnums::TVxIService;
using enum VxWebEnums::TVxIStatus;
using enum VxWebEnums::TVxIAction;

/// Progress of a transfer: bytes so far, bytes expected (0 when unknown); setting Abort
/// stops the transfer after the current block. Both counts are 64-bit: files past 4 GiB
/// are told as they are.
using TVxIProgress = std::function<void(QObject* Sender, qint64 CurValue, qint64 MaxValue, bool& Abort)>;
/// Called after the updater's own comparison with its verdict; what is left in Equal decides.
using TVxIFileCompare = std::function<void(QObject* Sender, bool& Equal)>;

/// The size a remote file is told with when the server's length cannot be read (a
/// Content-Length that is no number): no local file has it, so such a file is always
/// fetched. Progress then counts the bytes without a maximum.
inline constexpr qint64 VxUnreadableFileSize = -1;

/// The status line while the size of the file is unknown: one integer, the bytes so far.
/// Replaceable like the texts of VxInCnst.h.
extern VX_CORE_EXPORT QString strVxInProgressBytes;

/// Settings of the status window that a web component shows while it runs.
class VX_CORE_EXPORT TVxInetStatusDialog : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int HelpContext READ HelpContext WRITE SetHelpContext)
    Q_PROPERTY(QByteArray Picture READ GetPicture WRITE SetPicture)
    Q_PROPERTY(QByteArray Icon READ GetIcon WRITE SetIcon)
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
    Q_PROPERTY(QString Description READ Description WRITE SetDescription)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxInetStatusDialog(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxInetStatusDialog() override;

    /// Whether Execute shows the status window (false by default).
    bool Enabled() const { return FEnabled; }
    /// Sets Enabled().
    void SetEnabled(bool Value) { CheckChange("Enabled"); FEnabled = Value; }
    /// The help topic of the window's Help button; 0 for none.
    int HelpContext() const { return FHelpContext; }
    /// Sets HelpContext().
    void SetHelpContext(int Value) { CheckChange("HelpContext"); FHelpContext = Value; }
    /// Pictures are kept as the contents of an image file (PNG, JPEG, BMP, ICO ...), which
    /// the window decodes; empty means none. Setting one copies it.
    QByteArray GetPicture() const { return FPicture; }
    /// Sets GetPicture().
    void SetPicture(const QByteArray& Value) { CheckChange("Picture"); FPicture = Value; }
    /// The window's icon, as the contents of an image file; empty for the default.
    QByteArray GetIcon() const { return FIcon; }
    /// Sets GetIcon().
    void SetIcon(const QByteArray& Value) { CheckChange("Icon"); FIcon = Value; }
    /// The window's title; empty for the default.
    QString Title() const { return FTitle; }
    /// Sets Title().
    void SetTitle(const QString& Value) { CheckChange("Title"); FTitle = Value; }
    /// The line of text above the progress bar; empty for none.
    QString Description() const { return FDescription; }
    /// Sets Description().
    void SetDescription(const QString& Value) { CheckChange("Description"); FDescription = Value; }

    /// Copies the settings of another TVxInetStatusDialog; raises EVxConvertError for another class.
    void Assign(TVxPersistent* Source) override;

private:
    bool FEnabled = false;
    int FHelpContext = 0;
    QString FTitle;
    QString FDescription;
    QByteArray FPicture;
    QByteArray FIcon;
};

/// The base of every web transfer component. Execute runs the frame: OnBeforeExecute,
/// the status window when StatusDialog.Enabled, Status := isInProgress, InternalExecute,
/// isFinished unless the work set another outcome, OnAfterExecute. It returns false only
/// for isFailed. Exceptions raised by the work or by a callback reach the caller; while a
/// run of the component is going, Execute raises "already running".
class VX_CORE_EXPORT TVxCustomWebComponent : public TVxComponent {
    Q_OBJECT
    Q_PROPERTY(QString Agent READ Agent WRITE SetAgent)
    Q_PROPERTY(int Port READ Port WRITE SetPort)
    Q_PROPERTY(TVxIService Service READ Service WRITE SetService)
    Q_PROPERTY(QString Host READ Host WRITE SetHost)
    Q_PROPERTY(QString User READ User WRITE SetUser)
    Q_PROPERTY(QString Password READ Password WRITE SetPassword)
    Q_PROPERTY(TVxInetProxy* Proxy READ Proxy WRITE SetProxy)
    Q_PROPERTY(TVxInetStatusDialog* StatusDialog READ StatusDialog WRITE SetStatusDialog)
    Q_PROPERTY(bool LoginPrompt READ LoginPrompt WRITE SetLoginPrompt)
    Q_PROPERTY(TVxIAction Action READ Action WRITE SetAction)
    Q_PROPERTY(TVxIStatus Status READ Status WRITE SetStatus)
    Q_PROPERTY(bool ResumeDownload READ ResumeDownload WRITE SetResumeDownload)
    Q_PROPERTY(int Timeout READ Timeout WRITE SetTimeout)
    Q_PROPERTY(QString LastError READ LastError)
    Q_PROPERTY(QUrl Url READ Url WRITE SetUrl STORED false)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxCustomWebComponent(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxCustomWebComponent() override;

    /// The User-Agent sent with HTTP requests.
    QString Agent() const { return FWEBAgent; }
    /// Sets Agent().
    void SetAgent(const QString& Value) { CheckChange("Agent"); FWEBAgent = Value; }
    /// The server's port; SetService sets the service's own (80, 443, 21).
    int Port() const { return FWEBPort; }
    /// Sets Port().
    void SetPort(int Value) { CheckChange("Port"); FWEBPort = static_cast<quint16>(Value); }
    /// How the remote file is reached (isHTTP by default).
    TVxIService Service() const { return FService; }
    /// Sets the port of the service (80, 443, 21) when the service changes; isNetwork
    /// keeps the port.
    void SetService(TVxIService Value);
    /// The server's name or address (an IPv6 address without brackets).
    QString Host() const { return FWEBHost; }
    /// Sets Host().
    void SetHost(const QString& Value) { CheckChange("Host"); FWEBHost = Value; }
    /// The login name for the server; empty for none (FTP: anonymous).
    QString User() const { return FWEBUser; }
    /// Sets User().
    void SetUser(const QString& Value) { CheckChange("User"); FWEBUser = Value; }
    /// The login password for the server.
    QString Password() const { return FWEBPassword; }
    /// Sets Password().
    void SetPassword(const QString& Value) { CheckChange("Password"); FWEBPassword = Value; }
    /// The proxy settings, owned by the component; while their UseProxy is false the proxy
    /// environment applies.
    TVxInetProxy* Proxy() const { return FProxy; }
    void SetProxy(TVxInetProxy* Value);  ///< copies
    /// The status window's settings, owned by the component.
    TVxInetStatusDialog* StatusDialog() const { return FStatusDialog; }
    void SetStatusDialog(TVxInetStatusDialog* Value);  ///< copies
    /// Whether a refused login (HTTP 401 or 407) asks the user through the logon prompt (true by default).
    bool LoginPrompt() const { return FLoginPrompt; }
    /// Sets LoginPrompt().
    void SetLoginPrompt(bool Value) { CheckChange("LoginPrompt"); FLoginPrompt = Value; }
    /// The step the current or last run is at; each change calls OnActionChange.
    TVxIAction Action() const { return FAction; }
    /// Sets Action().
    void SetAction(TVxIAction Value);
    /// The outcome of the last run; each change calls OnStatusChange.
    TVxIStatus Status() const { return FStatus; }
    /// Sets Status().
    void SetStatus(TVxIStatus Value);
    /// Whether a shorter local file is continued rather than downloaded again (false by default).
    bool ResumeDownload() const { return FResumeDownload; }
    /// Sets ResumeDownload().
    void SetResumeDownload(bool Value) { CheckChange("ResumeDownload"); FResumeDownload = Value; }
    /// Milliseconds, 0 = no limit of our own: bounds connecting, and ends a transfer
    /// that receives nothing for that long.
    int Timeout() const { return FTimeout; }
    /// Sets Timeout().
    void SetTimeout(int Value) { CheckChange("Timeout"); FTimeout = Value < 0 ? 0 : Value; }
    /// Why the last run failed or found nothing (a server's refusal, a certificate
    /// problem, an unreachable host ...); empty after a run without trouble.
    QString LastError() const { return FLastError; }
    /// Sets Service, Host, Port, User, Password and the remote path (RemoteFileName of an
    /// updater, Directory of the lister) from an http, https, ftp or file URL. An FTP path
    /// is read as RFC 1738 has it: relative to the login directory, absolute after "//"
    /// or "/%2F", "." for the login directory; an HTTP path and query stay
    /// percent-encoded; a file: URL is a path (isNetwork). Raises EVxError for an empty or
    /// invalid URL, another scheme, a missing host or a file: URL without a path.
    void SetUrl(const QUrl& Value);
    /// The URL of those settings, the port only when it is not the service's own; empty
    /// without a host (or, for isNetwork, without a path).
    QUrl Url() const;

    /// Called for every block transferred, with the bytes so far and expected; may abort.
    TVxIProgress OnProgress() const { return FOnProgress; }
    /// Sets the handler OnProgress() calls; an empty function removes it.
    void SetOnProgress(TVxIProgress Value) { CheckChange("OnProgress"); FOnProgress = Guarded(std::move(Value)); }
    /// Called first by Execute.
    TVxNotifyEvent OnBeforeExecute() const { return FOnBeforeExecute; }
    /// Sets the handler OnBeforeExecute() calls; an empty function removes it.
    void SetOnBeforeExecute(TVxNotifyEvent Value) { CheckChange("OnBeforeExecute"); FOnBeforeExecute = Guarded(std::move(Value)); }
    /// Called last by Execute, after Status has its final value.
    TVxNotifyEvent OnAfterExecute() const { return FOnAfterExecute; }
    /// Sets the handler OnAfterExecute() calls; an empty function removes it.
    void SetOnAfterExecute(TVxNotifyEvent Value) { CheckChange("OnAfterExecute"); FOnAfterExecute = Guarded(std::move(Value)); }
    /// Called after every change of Action.
    TVxNotifyEvent OnActionChange() const { return FOnActionChange; }
    /// Sets the handler OnActionChange() calls; an empty function removes it.
    void SetOnActionChange(TVxNotifyEvent Value) { CheckChange("OnActionChange"); FOnActionChange = Guarded(std::move(Value)); }
    /// Called after every change of Status.
    TVxNotifyEvent OnStatusChange() const { return FOnStatusChange; }
    /// Sets the handler OnStatusChange() calls; an empty function removes it.
    void SetOnStatusChange(TVxNotifyEvent Value) { CheckChange("OnStatusChange"); FOnStatusChange = Guarded(std::move(Value)); }

    /// Runs the component's work once, blocking the calling thread, and returns false only
    /// when Status() ends as isFailed (the reason in LastError()).
    Q_INVOKABLE virtual bool Execute();
    /// Runs Execute (the override of the component's class) on a worker thread and returns
    /// at once; the future holds what Execute returns, or the exception it raises. The
    /// callbacks and the status window run on the component's thread meanwhile (see
    /// TVxComponent); finished() is emitted at the end. A cancelled run (Cancel, or the
    /// future cancelled) ends with Status isFailed and LastError "Download aborted".
    /// Raises "already running" while a run is going.
    QFuture<bool> ExecuteAsync();

    /// Reports one transferred block: updates the status window (whose Cancel button
    /// sets Abort), then calls OnProgress.
    void UpdateProgress(qint64 CurValue, qint64 MaxValue, bool& Abort);

protected:
    /// The work of the component, run by Execute between isInProgress and the final status.
    virtual void InternalExecute() = 0;

    /// Opens the session and the connection (for FTP: logs in); with ReadSystemProxy the
    /// system's proxy settings are loaded into Proxy first. A handle that cannot be had
    /// stays empty; the caller checks hInet and hURL. A run opens one connection to the
    /// server (or the proxy) for all its steps: for HTTP and HTTPS the first request
    /// opens it, and a server that cannot be reached, or whose certificate is refused,
    /// then ends the run as a connection that failed here: isFailed with the reason in
    /// LastError, and no iaFileSearch.
    void ConnectToInet(bool ReadSystemProxy);
    /// Closes the connection and the session that ConnectToInet opened.
    void DisconnectFromInet();
    /// Size (VxUnreadableFileSize when the server's length is no number; 0 when it told
    /// none) and last-write time (UTC) of a remote file. For HTTP and HTTPS the request
    /// stays open: its body is what ReadFileFromInet downloads.
    /// False when the file is missing: any final HTTP status outside 200..299, no FTP
    /// match (550), no such file. False with Status isFailed when no answer came (an
    /// unreachable server, a TLS or certificate failure, a time-out, which is not
    /// retried) or the login was refused after the logon loop (401, 407).
    bool GetFileInfoFromInet(const QString& RemoteName, qint64& Size, TDateTime& LastWriteTime);
    /// Appends the entries of a directory (FTP or a file path) to List; true when List
    /// is not empty.
    bool ReadDirFromInet(const QString& Directory, const QString& Mask, bool WithSubFolders,
                         QStringList& List);
    /// Downloads in blocks of 2050 bytes with one UpdateProgress per block, into a
    /// temporary file beside LocalFileName that replaces it only when the transfer is
    /// complete; an aborted, failed or short transfer sets isFailed and leaves the local
    /// file as it was. With ResumeDownload the download goes to LocalFileName + ".~vxpart"
    /// instead, which an interrupted run leaves with a note of the remote file and its
    /// version (HTTP: entity tag or Last-Modified; FTP and paths: time and size) in
    /// LocalFileName + ".~vxinfo"; a later run continues it only while the remote file
    /// is that same version (HTTP asks with If-Range, and a whole answer starts the file
    /// anew), else it downloads the whole file. A complete local file is never continued.
    /// Call after GetFileInfoFromInet. False when there is no source; a local file that
    /// cannot be written raises EVxFileError.
    bool ReadFileFromInet(const QString& RemoteName, const QString& LocalFileName, qint64 ExpectedSize);
    /// Fetches a whole URL into Stream from position 0, in a session of its own; the
    /// HTTP status is not examined.
    void ReadHTTPGetResponse(const QString& Url, QIODevice* Stream);
    /// The same, telling the answer's HTTP status (0 when none came or the URL is not
    /// HTTP). With Refused given, the body of an answer outside 200..299 goes there
    /// instead of into Stream, which is then left untouched. A body that did not arrive
    /// whole, or whose transfer OnProgress or the status window's Cancel aborted, leaves
    /// the reason in LastError. Each block read is reported with the byte count and a
    /// maximum of 0; outside Execute, with StatusDialog enabled, the status window is
    /// open for the request.
    int ReadHTTPGetResponse(const QString& Url, QIODevice* Stream, QByteArray* Refused);
    /// The body of a URL as byte text (one character per byte).
    QString ReadHTTPGetResponseString(const QString& Url);

    /// Sets LastError().
    void SetLastError(const QString& Text) { CheckChange("LastError"); FLastError = Text; }

    /// The remote path that a URL's path stands for; the base class has none.
    virtual QString UrlPath() const;
    /// Sets UrlPath().
    virtual void SetUrlPath(const QString& Value);

    /// The remote and the local file the status window names; false (the default) when
    /// it names none.
    virtual bool StatusWindowFiles(QString& Remote, QString& Local) const;

    /// The session of the current run (ConnectToInet).
    std::unique_ptr<TVxInetSession> hInet;
    /// The connection to Host of the current run.
    std::unique_ptr<TVxInetConnection> hURL;
    /// The status window while it is shown.
    std::unique_ptr<TVxStatusWindow> dlgStatus;

private:
    /// The run's service (HTTP, FTP or network path), made by ConnectToInet on the run's
    /// connection (or at the first call for a network path) and kept until
    /// DisconnectFromInet; it keeps the open request, search or file of the run.
    TVxWebService& WebService();
    /// The status window is made, filled, shown and freed as callbacks of the run.
    void PrepareStatusWindow();
    void ShowStatusWindow();
    void CloseStatusWindow();

    QString FWEBAgent;
    quint16 FWEBPort = 80;
    QString FWEBHost;
    QString FWEBUser;
    QString FWEBPassword;
    TVxIService FService = isHTTP;
    TVxIStatus FStatus = isInProgress;
    TVxIAction FAction = iaIdle;
    TVxInetProxy* FProxy;
    TVxInetStatusDialog* FStatusDialog;
    bool FLoginPrompt = true;
    bool FResumeDownload = false;
    int FTimeout = 0;
    QString FLastError;
    QString FFoundValidator;  ///< of the file the last GetFileInfoFromInet found
    std::unique_ptr<TVxWebService> FWebService;
    TVxIProgress FOnProgress;
    TVxNotifyEvent FOnActionChange, FOnStatusChange, FOnBeforeExecute, FOnAfterExecute;
};

/// Keeps a local file up to date with a remote one: inspects the remote file, compares
/// size and time with the local copy (and asks OnFileCompare), downloads it when they
/// differ and stamps the local file with the remote time, so that the next run finds
/// them equal. Outcomes: isFinished (downloaded), isSkipped (equal), isNotFound,
/// isFailed (no connection, or the download did not complete).
class VX_CORE_EXPORT TVxCustomWebUpdater : public TVxCustomWebComponent {
    Q_OBJECT
    Q_PROPERTY(QString RemoteFileName READ RemoteFileName WRITE SetRemoteFileName)
    Q_PROPERTY(qint64 RemoteFileSize READ RemoteFileSize)
    Q_PROPERTY(TDateTime RemoteFileCreated READ RemoteFileCreated)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxCustomWebUpdater(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxCustomWebUpdater() override;

    /// The path on Host for HTTP, HTTPS and FTP; a file path for isNetwork.
    QString RemoteFileName() const { return FRemoteFileName; }
    /// Sets RemoteFileName().
    virtual void SetRemoteFileName(const QString& Value);
    /// The size the last inspection told, 0 when none, VxUnreadableFileSize when the
    /// server's length was no number.
    qint64 RemoteFileSize() const { return FRemoteFileSize; }
    /// The remote last-write time of the last inspection, in UTC; 0 when none was told.
    TDateTime RemoteFileCreated() const { return FRemoteFileCreated; }

    /// Called after the updater's own comparison; what it leaves in Equal decides whether to download.
    TVxIFileCompare OnFileCompare() const { return FOnFileCompare; }
    /// Sets the handler OnFileCompare() calls; an empty function removes it.
    void SetOnFileCompare(TVxIFileCompare Value) { CheckChange("OnFileCompare"); FOnFileCompare = Guarded(std::move(Value)); }

protected:
    /// Inspects the remote file, compares it with the local one and downloads it when they differ.
    void InternalExecute() override;
    bool StatusWindowFiles(QString& Remote, QString& Local) const override;
    QString UrlPath() const override;  ///< RemoteFileName
    /// Sets UrlPath().
    void SetUrlPath(const QString& Value) override;

    /// The local file kept up to date.
    QString LocalFileName() const { return FLocalFileName; }
    /// Sets LocalFileName().
    void SetLocalFileName(const QString& Value) { CheckChange("LocalFileName"); FLocalFileName = Value; }

    /// The path of the file Name inside a directory of this component's own, for components
    /// that download into a temporary file: the directory is made on first use, readable by
    /// this user only, under a name nobody can guess or plant beforehand, and removed with
    /// everything in it when the component is destroyed. Raises EVxFileError when it cannot
    /// be made.
    QString PrivateFileName(const QString& Name);
    /// For components that download into a file of their own: deletes the file downloaded
    /// so far, if any, and makes the local file a private one (PrivateFileName) named with
    /// the extension of RemoteName, so that a reader can tell the format by the name.
    void UseTemporaryLocalFile(const QString& RemoteName);
    /// Execute into that private file (named now if RemoteFileName was never set).
    bool ExecuteIntoTemporaryFile();

    /// The remote file's size found by the last inspection, in bytes.
    qint64 FRemoteFileSize = 0;
    /// The remote last-write time of the last inspection, in UTC; 0 when none was told.
    TDateTime FRemoteFileCreated;
    /// The remote path.
    QString FRemoteFileName;
    /// The local file.
    QString FLocalFileName;
    /// The OnFileCompare handler.
    TVxIFileCompare FOnFileCompare;

private:
    std::unique_ptr<QTemporaryDir> FPrivateDir;
};

/// The ready-to-use updater: publishes LocalFileName.
///
/// Example: \ref update.cpp
class VX_CORE_EXPORT TVxWebUpdater : public TVxCustomWebUpdater {
    Q_OBJECT
    Q_PROPERTY(QString LocalFileName READ LocalFileName WRITE SetLocalFileName)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxWebUpdater(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxWebUpdater() override;

    /// The local file kept up to date, published.
    using TVxCustomWebUpdater::LocalFileName;
    using TVxCustomWebUpdater::SetLocalFileName;
};
