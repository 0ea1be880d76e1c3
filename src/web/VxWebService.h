// The services of the web transfer engine (internal to the library). HTTP and HTTPS,
// FTP and the network path each inspect, list and read remote files their own way
// behind TVxWebService; TVxCustomWebComponent makes the one of its Service where a run
// connects, keeps it until the run disconnects, and keeps the frame around the calls
// (actions, status, the download loop).
#pragma once

#include <vedidoredo/vxiupdate.h>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <exception>
#include <memory>
#include <utility>

// The body of a download.
class TVxWebSource {
public:
    enum TResume { Continued, Whole, Unanswered };

    virtual ~TVxWebSource() = default;
    // Up to Size bytes; 0 at the end, -1 when reading failed.
    virtual qint64 Read(char* Buffer, qint64 Size) = 0;
    // Before the first Read: continues at Position if the file is still the version
    // Validator (as GetFileInfo found it) names; else the source delivers the whole file
    // from its first byte, or nothing came at all (Error says why).
    virtual TResume ResumeAt(qint64 Position, const QString& Validator) = 0;
    // True when the whole body was read.
    virtual bool Completed() const = 0;
    virtual QString Error() const = 0;
};

// A body read from a handle of the Internet client service, which stays the service's.
// The position is moved as the handle can (an FTP file was compared by its time and
// size already, so its server is not asked).
class TVxInetSource : public TVxWebSource {
public:
    explicit TVxInetSource(TVxInetFile* File) : FFile(File) {}
    qint64 Read(char* Buffer, qint64 Size) override { return FFile->Read(Buffer, Size); }
    TResume ResumeAt(qint64 Position, const QString&) override
    {
        return FFile->SetFilePointer(Position) ? Continued : Whole;
    }
    bool Completed() const override { return FFile->Completed(); }
    QString Error() const override { return FFile->LastError(); }

private:
    TVxInetFile* FFile;
};

// One service per run. It works on the run's connection (none for network paths) and
// reports through the component's public operations; what went wrong, and what names
// the version of the file found, it keeps for the component to take.
class TVxWebService {
public:
    TVxWebService(TVxCustomWebComponent& Component, TVxInetConnection* Connection)
        : C(Component), FConnection(Connection)
    {
    }
    virtual ~TVxWebService() = default;
    TVxWebService(const TVxWebService&) = delete;
    TVxWebService& operator=(const TVxWebService&) = delete;

    // The service of Component.Service(), on Connection.
    static std::unique_ptr<TVxWebService> Create(TVxCustomWebComponent& Component, TVxInetConnection* Connection);

    // Size and last-write time of a remote file, as GetFileInfoFromInet gives them, and
    // (Validator) what tells this version of it from others. Reports iaFileSearch once
    // the search is under way. Failed is set when no answer came or the login was
    // refused.
    virtual bool GetFileInfo(const QString& RemoteName, qint64& Size, TDateTime& LastWriteTime, bool& Failed) = 0;
    // Appends the entries of Directory to List; HTTP lists nothing.
    virtual void ReadDir(const QString&, const QString&, bool, QStringList&) {}
    // The source of a download; nullptr when there is none.
    virtual std::unique_ptr<TVxWebSource> OpenSource(const QString& RemoteName) = 0;

    // Why the last call failed or found nothing, if it said; empty afterwards.
    QString TakeError() { return std::exchange(FError, QString()); }
    // An exception that a report of the component raised during the last call (a
    // handler of OnActionChange, say) reaches the component's caller from here.
    void RethrowReportFailure()
    {
        if (FReportFailure)
            std::rethrow_exception(std::exchange(FReportFailure, nullptr));
    }
    // What names the version of the file the last GetFileInfo found: an HTTP entity tag
    // or date as the server sent it, or its time and size. A partial download is
    // continued only while the file's validator is the one it started with; none
    // (empty) never continues one.
    QString Validator() const { return FValidator; }

protected:
    TVxInetConnection* Connection() const { return FConnection; }
    void SetError(const QString& Text) { FError = Text; }
    void SetValidator(const QString& Text) { FValidator = Text; }
    bool ReportFailed() const { return FReportFailure != nullptr; }
    // Reports iaFileSearch (SetAction and its handlers) from inside a call of the Internet
    // client service; false when that raised: the exception is kept for
    // RethrowReportFailure, past the guard the toolkit keeps around the service's work,
    // and the service's call ends.
    bool ReportSearch()
    {
        try {
            C.SetAction(iaFileSearch);
        } catch (...) {
            FReportFailure = std::current_exception();
        }
        return !ReportFailed();
    }

    TVxCustomWebComponent& C;

private:
    TVxInetConnection* FConnection;
    QString FError;
    QString FValidator;
    std::exception_ptr FReportFailure;
};

std::unique_ptr<TVxWebService> VxNewHttpService(TVxCustomWebComponent& Component, TVxInetConnection* Connection);
std::unique_ptr<TVxWebService> VxNewFtpService(TVxCustomWebComponent& Component, TVxInetConnection* Connection);
std::unique_ptr<TVxWebService> VxNewNetworkService(TVxCustomWebComponent& Component);

// The validator of a file known by its time and size alone: empty without a time.
inline QString VxTimeSizeValidator(const QDateTime& Time, qint64 Size)
{
    return Time.isValid() ? Time.toUTC().toString(Qt::ISODateWithMs) + QLatin1Char(' ') + QString::number(Size)
                          : QString();
}

inline TDateTime VxUtcToDateTime(const QDateTime& Utc)
{
    return QDateTimeToDateTime(Utc.toUTC());
}

// A failure that is no answer about the file: the server could not be reached or
// refused the login.
inline bool VxIsTransferFailure(TVxInetFailure Kind)
{
    return Kind == TVxInetFailure::Transport || Kind == TVxInetFailure::TimedOut ||
           Kind == TVxInetFailure::LoginRefused;
}

// A user name as a message names it.
inline QString VxLoginName(const QString& User)
{
    return User.isEmpty() ? QStringLiteral("anonymous") : QLatin1Char('"') + User + QLatin1Char('"');
}
