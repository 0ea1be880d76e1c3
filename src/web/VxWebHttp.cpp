// HTTP and HTTPS for the web components: the inspection is a GET request whose body,
// when the answer carries the file, is then the download; refusals of the server (401)
// and of the proxy (407) go through one logon rule.
#include "web/VxWebService.h"

#include <vedidoredo/VxILogOn.h>
#include <vedidoredo/VxInCnst.h>

namespace {

// Sends without an answer (no status to read) before the inspection gives up.
constexpr int MaxSendsWithoutAnswer = 3;

class THttpService : public TVxWebService {
public:
    using TVxWebService::TVxWebService;

    bool GetFileInfo(const QString& RemoteName, qint64& Size, TDateTime& LastWriteTime, bool& Failed) override
    {
        FoundHandle().reset();
        const bool Secure = C.Service() == isHTTPS;
        auto Request = Connection()->OpenRequest(QStringLiteral("GET"), RemoteName, QStringLiteral("HTTP/1.0"),
                                                 Secure ? VxInetFlagSecure : VxInetFlagReload);
        TVxHttpRequest* R = Request.get();
        FoundHandle() = std::move(Request);
        if (!R)
            return false;
        TVxInetProxy* Proxy = C.Proxy();
        if (!Proxy->User().isEmpty() || !Proxy->Password().isEmpty()) {
            R->SetOption(TVxInetOption::ProxyUserName, Proxy->User());
            R->SetOption(TVxInetOption::ProxyPassword, Proxy->Password());
        }
        // A send without an answer is tried again, unless it ran out of time: the time
        // limit bounds the whole wait.
        int Count = 0;
        int Unanswered = 0;
        int Code = 0;
        for (;;) {
            ++Count;
            R->Send();
            if (!R->QueryStatusCode(Code)) {
                SetError(R->LastError());
                if (R->LastFailure() == TVxInetFailure::TimedOut || ++Unanswered >= MaxSendsWithoutAnswer) {
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
        auto* R = dynamic_cast<TVxHttpRequest*>(FoundHandle().get());
        int Code = 0;
        if (R && R->QueryStatusCode(Code) && Code >= 200 && Code <= 299)
            return std::make_unique<TVxInetSource>(R);
        return nullptr;
    }

private:
    // The logon rule for one refusal, of the server (401) or of the proxy (407). Count
    // is the number of sends: without the prompt the same credentials are sent once
    // more; with it, the entered ones, for as long as the user confirms. False when the
    // login is refused for good (LastError says whose).
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
};

}  // namespace

std::unique_ptr<TVxWebService> VxNewHttpService(TVxCustomWebComponent& Component)
{
    return std::make_unique<THttpService>(Component);
}
