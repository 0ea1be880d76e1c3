// The services of the web transfer engine (internal to the library). HTTP and HTTPS,
// FTP and the network path each inspect, list and read remote files their own way
// behind TVxWebService; TVxCustomWebComponent picks the one of its Service and keeps
// the frame around the call (actions, status, the download loop).
#pragma once

#include <vedidoredo/vxiupdate.h>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>

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

// A body read from a handle of the Internet client service, which stays the owner's.
class TVxInetSource : public TVxWebSource {
public:
    explicit TVxInetSource(TVxInetFile* File) : FFile(File) {}
    qint64 Read(char* Buffer, qint64 Size) override { return FFile->Read(Buffer, Size); }
    // HTTP asks the server (If-Range), which has the last word; an FTP file was
    // compared by its time and size already.
    TResume ResumeAt(qint64 Position, const QString& Validator) override
    {
        auto* Request = dynamic_cast<TVxHttpRequest*>(FFile);
        if (!Request)
            return FFile->SetFilePointer(Position) ? Continued : Whole;
        if (Request->ResumeIfUnchanged(Position, Validator))
            return Continued;
        int Status = 0;
        return Request->QueryStatusCode(Status) ? Whole : Unanswered;
    }
    bool Completed() const override { return FFile->Completed(); }
    QString Error() const override { return FFile->LastError(); }

private:
    TVxInetFile* FFile;
};

class TVxWebService {
public:
    explicit TVxWebService(TVxCustomWebComponent& Component) : C(Component) {}
    virtual ~TVxWebService() = default;

    // The service of Component.Service().
    static std::unique_ptr<TVxWebService> Create(TVxCustomWebComponent& Component);

    // Size and last-write time of a remote file, as GetFileInfoFromInet gives them, and
    // (SetValidator) what tells this version of it from others. Failed is set when no
    // answer came or the login was refused.
    virtual bool GetFileInfo(const QString& RemoteName, qint64& Size, TDateTime& LastWriteTime,
                             bool& Failed) = 0;
    // Appends the entries of Directory to List; HTTP lists nothing.
    virtual void ReadDir(const QString&, const QString&, bool, QStringList&) {}
    // The source of a download; nullptr when there is none.
    virtual std::unique_ptr<TVxWebSource> OpenSource(const QString& RemoteName) = 0;

protected:
    TVxInetConnection* Connection() const { return C.hURL.get(); }
    std::unique_ptr<TVxInetHandle>& FoundHandle() { return C.hFindFile; }
    void SetError(const QString& Text) { C.FLastError = Text; }
    // What names the version of the file found: an HTTP entity tag or date as the server
    // sent it, or its time and size. A partial download is continued only while the
    // file's validator is the one it started with; none (empty) never continues one.
    void SetValidator(const QString& Text) { C.FFoundValidator = Text; }

    TVxCustomWebComponent& C;
};

std::unique_ptr<TVxWebService> VxNewHttpService(TVxCustomWebComponent& Component);
std::unique_ptr<TVxWebService> VxNewFtpService(TVxCustomWebComponent& Component);
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
