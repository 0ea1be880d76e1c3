#include "cmd_web_common.h"

#include "VxOptionReader.h"

#include <QFileInfo>
#include <QUrl>

namespace vxweb {

Options Parse(const QStringList& Args, const QStringList& Extras)
{
    std::vector<vx::Option> Declared = {{"--user", "U"},         {"--password", "P"},
                                        {"--proxy", "HOST[:PORT]"}, {"--proxy-user", "U"},
                                        {"--proxy-password", "P"}, {"--cacert", "FILE"},
                                        {"--timeout", "SECONDS"}};
    if (Extras.contains(QStringLiteral("--mask")))
        Declared.push_back({"--mask", "M"});
    if (Extras.contains(QStringLiteral("--resume")))
        Declared.push_back({"--resume"});
    if (Extras.contains(QStringLiteral("-r")))
        Declared.push_back({"-r|--recursive"});
    const vx::OptionReader R(Args, std::move(Declared));
    Options O;
    O.User = R.Value("--user");
    O.Password = R.Value("--password");
    O.ProxyUser = R.Value("--proxy-user");
    O.ProxyPassword = R.Value("--proxy-password");
    O.CaFile = R.Value("--cacert");
    O.TimeoutMs = R.TimeoutMs(0);
    if (R.Has("--proxy")) {
        O.Proxy = vx::ParseHostPort(R.Value("--proxy"), 0, QStringLiteral("--proxy"));
        O.UseProxy = true;
    }
    if (Extras.contains(QStringLiteral("--mask")))
        O.Mask = R.Value("--mask");
    O.Resume = Extras.contains(QStringLiteral("--resume")) && R.Has("--resume");
    O.Recursive = Extras.contains(QStringLiteral("-r")) && R.Has("-r");
    if (R.Positional().isEmpty())
        throw vx::UsageError{QStringLiteral("a URL or a path is needed")};
    O.Target = R.Positional(0);
    O.Rest = R.Positional().mid(1);
    return O;
}

QString Configure(TVxCustomWebComponent* C, const Options& O, QString& Error)
{
    if (!O.CaFile.isEmpty() && !VxInetAddTrustedCertificates(O.CaFile)) {
        Error = QStringLiteral("cannot read the CA file %1").arg(O.CaFile);
        return {};
    }
    C->SetTimeout(O.TimeoutMs);
    if (O.UseProxy) {
        C->Proxy()->SetServer(O.Proxy.Host);
        C->Proxy()->SetPort(O.Proxy.Port);
        C->Proxy()->SetUseProxy(true);
    }
    if (!O.ProxyUser.isEmpty())
        C->Proxy()->SetUser(O.ProxyUser);
    if (!O.ProxyPassword.isEmpty())
        C->Proxy()->SetPassword(O.ProxyPassword);

    const QUrl Url(O.Target, QUrl::StrictMode);
    const QString Scheme = Url.isValid() ? Url.scheme().toLower() : QString();
    QString Remote;
    if (Scheme == QLatin1String("http") || Scheme == QLatin1String("https") || Scheme == QLatin1String("ftp")) {
        if (Url.host().isEmpty()) {
            Error = QStringLiteral("no host in %1").arg(O.Target);
            return {};
        }
        C->SetService(Scheme == QLatin1String("http") ? isHTTP : Scheme == QLatin1String("https") ? isHTTPS : isFTP);
        C->SetHost(Url.host());
        if (Url.port() > 0)
            C->SetPort(Url.port());
        C->SetUser(Url.userName(QUrl::FullyDecoded));
        C->SetPassword(Url.password(QUrl::FullyDecoded));
        if (Scheme == QLatin1String("ftp")) {
            Remote = Url.path(QUrl::FullyDecoded);
        } else {
            Remote = Url.path(QUrl::FullyEncoded);
            if (Url.hasQuery())
                Remote += QLatin1Char('?') + Url.query(QUrl::FullyEncoded);
        }
        if (Remote.isEmpty())
            Remote = QStringLiteral("/");
    } else if (Scheme == QLatin1String("file")) {
        C->SetService(isNetwork);
        Remote = Url.toLocalFile();
    } else if (Scheme.size() > 1) {
        Error = QStringLiteral("%1: only http, https, ftp and file paths are supported").arg(O.Target);
        return {};
    } else {
        C->SetService(isNetwork);
        Remote = O.Target;
    }
    if (!O.User.isEmpty())
        C->SetUser(O.User);
    if (!O.Password.isEmpty())
        C->SetPassword(O.Password);
    return Remote;
}

QString Reason(const TVxCustomWebComponent* C)
{
    return C->LastError().isEmpty() ? QString() : QStringLiteral(" (%1)").arg(C->LastError());
}

}  // namespace vxweb
