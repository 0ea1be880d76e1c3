// HTTP and HTTPS for the web components: the inspection is a GET request, which the
// service keeps: when its answer carries the file, its body is the download. Refusals
// of the server (401) and of the proxy (407) go through one logon rule.
#include "web/VxWebService.h"

#include <vedidoredo/VxILogOn.h>
#include <vedidoredo/VxInCnst.h>

namespace {

// Sends without an answer (no status to read) before the inspection gives up.
constexpr int MaxSendsWithoutAnswer = 3;

// The body of the inspection's answer; HTTP asks the server (If-Range) whether it can
// continue a partial file, and the server has the last word.
class THttpSource : public TVxInetSource {
public:
    explicit THttpSource(TVxHttpRequest* Request) : TVxInetSource(Request), FRequest(Request) {}
    TResume ResumeAt(qint64 Position, const QString& Validator) override
    {
        if (FRequest->ResumeIfUnchanged(Position, Validator))
            return Continued;
        int Status = 0;
        return FRequest->QueryStatusCode(Status) ? Whole : Unanswered;
    }

private:
    TVxHttpRequest* FRequest;
};

class THttpService : public TVxWebService {
public:
    using TVxWebService::TVxWebService;

    bool GetFileInfo(const QString& RemoteName, qint64& Size, TDateTime& LastWriteTime, bool& Failed) override
    {
        SetValidator({});
        const bool Secure = C.Service() == isHTTPS;
        FRequest = Connection()->OpenRequest(QStringLiteral("GET"), RemoteName, QStringLiteral("HTTP/1.0"),
                                             Secure ? VxInetFlagSecure : VxInetFlagReload);
        TVxHttpRequest* R = FRequest.get();
        if (!R)
            return false;
        // The search starts once the way to the server is open: a server that cannot be
        // reached, or whose certificate is refused, ends the run at its connection.
        R->OnConnected([this] {
            if (!FWayOpen) {
                FWayOpen = true;
                ReportSearch();
            }
        });
        TVxInetProxy* Proxy = C.Proxy();
        if (!Proxy->User().isEmpty() || !Proxy->Password().isEmpty()) {
            R->SetOption(TVxInetOption::ProxyUserName, Proxy->User());
            R->SetOption(TVxInetOption::ProxyPassword, Proxy->Password());
        }
        // A send without an answer is tried again, unless it ran out of time (the time
        // limit bounds the whole wait) or found the way closed.
        int Count = 0;
        int Unanswered = 0;
        int Code = 0;
        for (;;) {
            ++Count;
            R->Send();
            if (ReportFailed())
                return false;
            if (!R->QueryStatusCode(Code)) {
                SetError(R->LastError());
                if (!FWayOpen || R->LastFailure() == TVxInetFailure::TimedOut ||
                    ++Unanswered >= MaxSendsWithoutAnswer) {
                    Failed = true;
                    return false;
                }
                continue;
            }
            if (Code == 401 || Code == 407) {
                if (!LogOnAgain(*R, Code == 407, Count)) {
                    Failed = true;
                    return false;
                }
                continue;
            }
            break;
        }
        if (Code < 200 || Code > 299) {
            // An error page (or any answer that is not the file) is never content.
            SetError(Code == 404 ? strVxInEFileNotFound : QStringLiteral("HTTP status %1").arg(Code));
            return false;
        }
        QString Length;
        if (R->QueryContentLength(Length)) {
            bool Ok = false;
            const qint64 N = Length.trimmed().toLongLong(&Ok);
            Size = Ok && N >= 0 ? N : VxUnreadableFileSize;
        }
        QDateTime Modified;
        if (R->QueryLastModified(Modified))
            LastWriteTime = VxUtcToDateTime(Modified);
        // A weak entity tag ("W/...") cannot ask for a part of a file: the date then.
        QString Tag, Date;
        if (R->QueryHeader("ETag", Tag) && Tag.startsWith(QLatin1Char('"')))
            SetValidator(Tag);
        else if (R->QueryHeader("Last-Modified", Date))
            SetValidator(Date);
        return true;
    }

    std::unique_ptr<TVxWebSource> OpenSource(const QString&) override
    {
        // Only the body of the inspection's answer that carries the file is downloaded.
        int Code = 0;
        if (FRequest && FRequest->QueryStatusCode(Code) && Code >= 200 && Code <= 299)
            return std::make_unique<THttpSource>(FRequest.get());
        return nullptr;
    }

private:
    // The logon rule for one refusal, of the server (401) or of the proxy (407). Count
    // is the number of sends: without the prompt the same credentials are sent once
    // more; with it, the entered ones, for as long as the user confirms. False when the
    // login is refused for good (the error says whose).
    bool LogOnAgain(TVxHttpRequest& R, bool OfProxy, int& Count)
    {
        TVxInetProxy* Proxy = C.Proxy();
        if (C.LoginPrompt()) {
            QString User = OfProxy ? Proxy->User() : C.User();
            QString Password = OfProxy ? Proxy->Password() : C.Password();
            if (VxInAskLogon(OfProxy ? strVxInProxyLogon : strVxInLogon, User, Password)) {
                if (OfProxy) {
                    Proxy->SetUser(User);
                    Proxy->SetPassword(Password);
                } else {
                    C.SetUser(User);
                    C.SetPassword(Password);
                }
                Count = 0;
            } else {
                Count = 2;
            }
        }
        const QString User = OfProxy ? Proxy->User() : C.User();
        if (Count > 1) {
            SetError(OfProxy ? QStringLiteral("%1: the proxy refused the login of %2").arg(strVxInEProxyAuth, VxLoginName(User))
                             : QStringLiteral("%1: the server refused the login of %2")
                                   .arg(strVxInEAuthRequired, VxLoginName(User)));
            return false;
        }
        R.SetOption(OfProxy ? TVxInetOption::ProxyUserName : TVxInetOption::UserName, User);
        R.SetOption(OfProxy ? TVxInetOption::ProxyPassword : TVxInetOption::Password,
                    OfProxy ? Proxy->Password() : C.Password());
        return true;
    }

    // The inspection's request: its answer's body is the download.
    std::unique_ptr<TVxHttpRequest> FRequest;
    bool FWayOpen = false;
};

}  // namespace

std::unique_ptr<TVxWebService> VxNewHttpService(TVxCustomWebComponent& Component, TVxInetConnection* Connection)
{
    return std::make_unique<THttpService>(Component, Connection);
}
