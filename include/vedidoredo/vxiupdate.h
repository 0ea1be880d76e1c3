// The web transfer components: the base TVxCustomWebComponent (connection settings, the
// Execute frame, the transfer toolkit, activity and progress reporting with the optional
// status window), its settings object TVxInetStatusDialog, and the web updater that
// keeps one local file up to date with one remote file.
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
#include <functional>
#include <memory>

class QIODevice;
class QTemporaryDir;
class TVxWebService;

namespace VxWebEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
enum TVxIService { isHTTP, isHTTPS, isFTP, isNetwork };
Q_ENUM_NS(TVxIService)
enum TVxIStatus { isInProgress, isFinished, isFailed, isSkipped, isNotFound };
Q_ENUM_NS(TVxIStatus)
enum TVxIAction {
    iaIdle,
    iaConnecting,
    iaConnected,
    iaDisconnecting,
    iaDisconnected,
    iaFileSearch,
    iaFileFound,
    iaComparing,
    iaCompared,
    iaDownloading,
    iaDownloaded
};
Q_ENUM_NS(TVxIAction)
}  // namespace VxWebEnums
using VxWebEnums::TVxIAction;
using VxWebEnums::TVxIService;
using VxWebEnums::TVxIStatus;
using enum VxWebEnums::TVxIService;
using enum VxWebEnums::TVxIStatus;
using enum VxWebEnums::TVxIAction;

// Progress of a transfer: bytes so far, bytes expected (0 when unknown); setting Abort
// stops the transfer after the current block. Both counts are 64-bit: files past 4 GiB
// are told as they are.
using TVxIProgress = std::function<void(QObject* Sender, qint64 CurValue, qint64 MaxValue, bool& Abort)>;
// Called after the updater's own comparison with its verdict; what is left in Equal decides.
using TVxIFileCompare = std::function<void(QObject* Sender, bool& Equal)>;

/// The size a remote file is told with when the server's length cannot be read (a
/// Content-Length that is no number): no local file has it, so such a file is always
/// fetched. Progress then counts the bytes without a maximum.
inline constexpr qint64 VxUnreadableFileSize = -1;

// The status line while the size of the file is unknown: one integer, the bytes so far.
// Replaceable like the texts of VxInCnst.h.
extern VX_CORE_EXPORT QString strVxInProgressBytes;

// Settings of the status window that a web component shows while it runs.
class VX_CORE_EXPORT TVxInetStatusDialog : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(int HelpContext READ HelpContext WRITE SetHelpContext)
    Q_PROPERTY(QByteArray Picture READ GetPicture WRITE SetPicture)
    Q_PROPERTY(QByteArray Icon READ GetIcon WRITE SetIcon)
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
    Q_PROPERTY(QString Description READ Description WRITE SetDescription)
public:
    explicit TVxInetStatusDialog(QObject* Owner = nullptr);
    ~TVxInetStatusDialog() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int Value) { FHelpContext = Value; }
    // Pictures are kept as the contents of an image file (PNG, JPEG, BMP, ICO ...), which
    // the window decodes; empty means none. Setting one copies it.
    QByteArray GetPicture() const { return FPicture; }
    void SetPicture(const QByteArray& Value) { FPicture = Value; }
    QByteArray GetIcon() const { return FIcon; }
    void SetIcon(const QByteArray& Value) { FIcon = Value; }
    QString Title() const { return FTitle; }
    void SetTitle(const QString& Value) { FTitle = Value; }
    QString Description() const { return FDescription; }
    void SetDescription(const QString& Value) { FDescription = Value; }

    void Assign(TVxPersistent* Source) override;

private:
    bool FEnabled = false;
    int FHelpContext = 0;
    QString FTitle;
    QString FDescription;
    QByteArray FPicture;
    QByteArray FIcon;
};

// The base of every web transfer component. Execute runs the frame: OnBeforeExecute,
// the status window when StatusDialog.Enabled, Status := isInProgress, InternalExecute,
// isFinished unless the work set another outcome, OnAfterExecute. It returns false only
// for isFailed. Exceptions raised by the work or by a callback reach the caller; while a
// run of the component is going, Execute raises "already running".
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
public:
    explicit TVxCustomWebComponent(QObject* Owner = nullptr);
    ~TVxCustomWebComponent() override;

    QString Agent() const { return FWEBAgent; }
    void SetAgent(const QString& Value) { FWEBAgent = Value; }
    int Port() const { return FWEBPort; }
    void SetPort(int Value) { FWEBPort = static_cast<quint16>(Value); }
    TVxIService Service() const { return FService; }
    // Sets the port of the service (80, 443, 21) when the service changes; isNetwork
    // keeps the port.
    void SetService(TVxIService Value);
    QString Host() const { return FWEBHost; }
    void SetHost(const QString& Value) { FWEBHost = Value; }
    QString User() const { return FWEBUser; }
    void SetUser(const QString& Value) { FWEBUser = Value; }
    QString Password() const { return FWEBPassword; }
    void SetPassword(const QString& Value) { FWEBPassword = Value; }
    TVxInetProxy* Proxy() const { return FProxy; }
    void SetProxy(TVxInetProxy* Value);  // copies
    TVxInetStatusDialog* StatusDialog() const { return FStatusDialog; }
    void SetStatusDialog(TVxInetStatusDialog* Value);  // copies
    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool Value) { FLoginPrompt = Value; }
    TVxIAction Action() const { return FAction; }
    void SetAction(TVxIAction Value);
    TVxIStatus Status() const { return FStatus; }
    void SetStatus(TVxIStatus Value);
    bool ResumeDownload() const { return FResumeDownload; }
    void SetResumeDownload(bool Value) { FResumeDownload = Value; }
    // Milliseconds, 0 = no limit of our own: bounds connecting, and ends a transfer
    // that receives nothing for that long.
    int Timeout() const { return FTimeout; }
    void SetTimeout(int Value) { FTimeout = Value < 0 ? 0 : Value; }
    // Why the last run failed or found nothing (a server's refusal, a certificate
    // problem, an unreachable host ...); empty after a run without trouble.
    QString LastError() const { return FLastError; }

    TVxIProgress OnProgress() const { return FOnProgress; }
    void SetOnProgress(TVxIProgress Value) { FOnProgress = Guarded(std::move(Value)); }
    TVxNotifyEvent OnBeforeExecute() const { return FOnBeforeExecute; }
    void SetOnBeforeExecute(TVxNotifyEvent Value) { FOnBeforeExecute = Guarded(std::move(Value)); }
    TVxNotifyEvent OnAfterExecute() const { return FOnAfterExecute; }
    void SetOnAfterExecute(TVxNotifyEvent Value) { FOnAfterExecute = Guarded(std::move(Value)); }
    TVxNotifyEvent OnActionChange() const { return FOnActionChange; }
    void SetOnActionChange(TVxNotifyEvent Value) { FOnActionChange = Guarded(std::move(Value)); }
    TVxNotifyEvent OnStatusChange() const { return FOnStatusChange; }
    void SetOnStatusChange(TVxNotifyEvent Value) { FOnStatusChange = Guarded(std::move(Value)); }

    Q_INVOKABLE virtual bool Execute();

    // Reports one transferred block: updates the status window (whose Cancel button
    // sets Abort), then calls OnProgress.
    void UpdateProgress(qint64 CurValue, qint64 MaxValue, bool& Abort);

protected:
    virtual void InternalExecute() = 0;

    // Opens the session and the connection (for FTP: logs in); with ReadSystemProxy the
    // system's proxy settings are loaded into Proxy first. A handle that cannot be had
    // stays empty; the caller checks hInet and hURL. A run opens one connection to the
    // server (or the proxy) for all its steps: for HTTP and HTTPS the first request
    // opens it, and a server that cannot be reached, or whose certificate is refused,
    // then ends the run as a connection that failed here: isFailed with the reason in
    // LastError, and no iaFileSearch.
    void ConnectToInet(bool ReadSystemProxy);
    void DisconnectFromInet();
    // Size (VxUnreadableFileSize when the server's length is no number; 0 when it told
    // none) and last-write time (UTC) of a remote file. For HTTP and HTTPS the request
    // stays open: its body is what ReadFileFromInet downloads.
    // False when the file is missing: any final HTTP status outside 200..299, no FTP
    // match (550), no such file. False with Status isFailed when no answer came (an
    // unreachable server, a TLS or certificate failure, a time-out, which is not
    // retried) or the login was refused after the logon loop (401, 407).
    bool GetFileInfoFromInet(const QString& RemoteName, qint64& Size, TDateTime& LastWriteTime);
    // Appends the entries of a directory (FTP or a file path) to List; true when List
    // is not empty.
    bool ReadDirFromInet(const QString& Directory, const QString& Mask, bool WithSubFolders,
                         QStringList& List);
    // Downloads in blocks of 2050 bytes with one UpdateProgress per block, into a
    // temporary file beside LocalFileName that replaces it only when the transfer is
    // complete; an aborted, failed or short transfer sets isFailed and leaves the local
    // file as it was. With ResumeDownload the download goes to LocalFileName + ".~vxpart"
    // instead, which an interrupted run leaves with a note of the remote file and its
    // version (HTTP: entity tag or Last-Modified; FTP and paths: time and size) in
    // LocalFileName + ".~vxinfo"; a later run continues it only while the remote file
    // is that same version (HTTP asks with If-Range, and a whole answer starts the file
    // anew), else it downloads the whole file. A complete local file is never continued.
    // Call after GetFileInfoFromInet. False when there is no source; a local file that
    // cannot be written raises EVxFileError.
    bool ReadFileFromInet(const QString& RemoteName, const QString& LocalFileName, qint64 ExpectedSize);
    // Fetches a whole URL into Stream from position 0, in a session of its own; the
    // HTTP status is not examined.
    void ReadHTTPGetResponse(const QString& Url, QIODevice* Stream);
    // The same, telling the answer's HTTP status (0 when none came or the URL is not
    // HTTP). With Refused given, the body of an answer outside 200..299 goes there
    // instead of into Stream, which is then left untouched. A body that did not arrive
    // whole, or whose transfer OnProgress or the status window's Cancel aborted, leaves
    // the reason in LastError. Each block read is reported with the byte count and a
    // maximum of 0; outside Execute, with StatusDialog enabled, the status window is
    // open for the request.
    int ReadHTTPGetResponse(const QString& Url, QIODevice* Stream, QByteArray* Refused);
    // The body of a URL as byte text (one character per byte).
    QString ReadHTTPGetResponseString(const QString& Url);

    void SetLastError(const QString& Text) { FLastError = Text; }

    // The remote and the local file the status window names; false (the default) when
    // it names none.
    virtual bool StatusWindowFiles(QString& Remote, QString& Local) const;

    std::unique_ptr<TVxInetSession> hInet;
    std::unique_ptr<TVxInetConnection> hURL;
    std::unique_ptr<TVxStatusWindow> dlgStatus;

private:
    // The run's service (HTTP, FTP or network path), made by ConnectToInet on the run's
    // connection (or at the first call for a network path) and kept until
    // DisconnectFromInet; it keeps the open request, search or file of the run.
    TVxWebService& WebService();
    // The status window is made, filled, shown and freed as callbacks of the run.
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
    QString FFoundValidator;  // of the file the last GetFileInfoFromInet found
    std::unique_ptr<TVxWebService> FWebService;
    TVxIProgress FOnProgress;
    TVxNotifyEvent FOnActionChange, FOnStatusChange, FOnBeforeExecute, FOnAfterExecute;
};

// Keeps a local file up to date with a remote one: inspects the remote file, compares
// size and time with the local copy (and asks OnFileCompare), downloads it when they
// differ and stamps the local file with the remote time, so that the next run finds
// them equal. Outcomes: isFinished (downloaded), isSkipped (equal), isNotFound,
// isFailed (no connection, or the download did not complete).
class VX_CORE_EXPORT TVxCustomWebUpdater : public TVxCustomWebComponent {
    Q_OBJECT
    Q_PROPERTY(QString RemoteFileName READ RemoteFileName WRITE SetRemoteFileName)
    Q_PROPERTY(qint64 RemoteFileSize READ RemoteFileSize)
    Q_PROPERTY(TDateTime RemoteFileCreated READ RemoteFileCreated)
public:
    explicit TVxCustomWebUpdater(QObject* Owner = nullptr);
    ~TVxCustomWebUpdater() override;

    // The path on Host for HTTP, HTTPS and FTP; a file path for isNetwork.
    QString RemoteFileName() const { return FRemoteFileName; }
    virtual void SetRemoteFileName(const QString& Value);
    // The size the last inspection told, 0 when none, VxUnreadableFileSize when the
    // server's length was no number.
    qint64 RemoteFileSize() const { return FRemoteFileSize; }
    // The remote last-write time of the last inspection, in UTC; 0 when none was told.
    TDateTime RemoteFileCreated() const { return FRemoteFileCreated; }

    TVxIFileCompare OnFileCompare() const { return FOnFileCompare; }
    void SetOnFileCompare(TVxIFileCompare Value) { FOnFileCompare = Guarded(std::move(Value)); }

protected:
    void InternalExecute() override;
    bool StatusWindowFiles(QString& Remote, QString& Local) const override;

    QString LocalFileName() const { return FLocalFileName; }
    void SetLocalFileName(const QString& Value) { FLocalFileName = Value; }

    // The path of the file Name inside a directory of this component's own, for components
    // that download into a temporary file: the directory is made on first use, readable by
    // this user only, under a name nobody can guess or plant beforehand, and removed with
    // everything in it when the component is destroyed. Raises EVxFileError when it cannot
    // be made.
    QString PrivateFileName(const QString& Name);
    // For components that download into a file of their own: deletes the file downloaded
    // so far, if any, and makes the local file a private one (PrivateFileName) named with
    // the extension of RemoteName, so that a reader can tell the format by the name.
    void UseTemporaryLocalFile(const QString& RemoteName);
    // Execute into that private file (named now if RemoteFileName was never set).
    bool ExecuteIntoTemporaryFile();

    qint64 FRemoteFileSize = 0;
    TDateTime FRemoteFileCreated;
    QString FRemoteFileName;
    QString FLocalFileName;
    TVxIFileCompare FOnFileCompare;

private:
    std::unique_ptr<QTemporaryDir> FPrivateDir;
};

// The ready-to-use updater: publishes LocalFileName.
class VX_CORE_EXPORT TVxWebUpdater : public TVxCustomWebUpdater {
    Q_OBJECT
    Q_PROPERTY(QString LocalFileName READ LocalFileName WRITE SetLocalFileName)
public:
    explicit TVxWebUpdater(QObject* Owner = nullptr);
    ~TVxWebUpdater() override;

    using TVxCustomWebUpdater::LocalFileName;
    using TVxCustomWebUpdater::SetLocalFileName;
};
