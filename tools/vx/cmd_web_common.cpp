#include "cmd_web_common.h"

#include <QFileInfo>
#include <QUrl>

namespace vxweb {

Options Parse(const QStringList& Args, const QStringList& Flags)
{
    Options O;
    const QStringList Valued = {QStringLiteral("--user"),       QStringLiteral("--password"),
                                QStringLiteral("--proxy"),      QStringLiteral("--proxy-user"),
                                QStringLiteral("--proxy-password"), QStringLiteral("--cacert"),
                                QStringLiteral("--timeout"),    QStringLiteral("--mask")};
    QStringList Plain;
    for (int I = 0; I < Args.size(); ++I) {
        const QString& A = Args[I];
        if (Valued.contains(A) && (A != QLatin1String("--mask") || Flags.contains(A))) {
            if (I + 1 >= Args.size()) {
                O.Error = QStringLiteral("%1 needs a value").arg(A);
                return O;
            }
            const QString V = Args[++I];
            if (A == QLatin1String("--user")) O.User = V;
            else if (A == QLatin1String("--password")) O.Password = V;
            else if (A == QLatin1String("--proxy")) O.Proxy = V;
            else if (A == QLatin1String("--proxy-user")) O.ProxyUser = V;
            else if (A == QLatin1String("--proxy-password")) O.ProxyPassword = V;
            else if (A == QLatin1String("--cacert")) O.CaFile = V;
            else if (A == QLatin1String("--mask")) O.Mask = V;
            else if (A == QLatin1String("--timeout")) {
                bool Ok = false;
                O.TimeoutSeconds = V.toInt(&Ok);
                if (!Ok || O.TimeoutSeconds < 0) {
                    O.Error = QStringLiteral("--timeout takes a number of seconds, not \"%1\"").arg(V);
                    return O;
                }
            }
        } else if (A == QLatin1String("--resume") && Flags.contains(A)) {
            O.Resume = true;
        } else if ((A == QLatin1String("-r") || A == QLatin1String("--recursive")) && Flags.contains(QStringLiteral("-r"))) {
            O.Recursive = true;
        } else if (A.startsWith(QLatin1String("--")) || (A.startsWith(QLatin1Char('-')) && A.size() > 1)) {
            O.Error = QStringLiteral("unknown option '%1'").arg(A);
            return O;
        } else {
            Plain << A;
        }
    }
    if (Plain.isEmpty()) {
        O.Error = QStringLiteral("a URL or a path is needed");
        return O;
    }
    O.Target = Plain.takeFirst();
    O.Rest = Plain;
    return O;
}

QString Configure(TVxCustomWebComponent* C, const Options& O, QString& Error)
{
    if (!O.CaFile.isEmpty() && !VxInetAddTrustedCertificates(O.CaFile)) {
        Error = QStringLiteral("cannot read the CA file %1").arg(O.CaFile);
        return {};
    }
    C->SetTimeout(O.TimeoutSeconds * 1000);
    if (!O.Proxy.isEmpty()) {
        const qsizetype Colon = O.Proxy.lastIndexOf(QLatin1Char(':'));
        bool Ok = false;
        const int Port = Colon > 0 ? O.Proxy.mid(Colon + 1).toInt(&Ok) : 0;
        C->Proxy()->SetServer(Ok ? O.Proxy.left(Colon) : O.Proxy);
        C->Proxy()->SetPort(Ok ? Port : 0);
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
            Error = QStringLiteral("no host in %1").arg(Shown(O.Target));
            return {};
        }
        C->SetService(Scheme == QLatin1String("http") ? isHTTP : Scheme == QLatin1String("https") ? isHTTPS : isFTP);
        C->SetHost(Url.host());
        if (Url.port() > 0)
            C->SetPort(Url.port());
        C->SetUser(Url.userName(QUrl::FullyDecoded));
        C->SetPassword(Url.password(QUrl::FullyDecoded));
        if (Scheme == QLatin1String("ftp")) {
            // As RFC 1738 has it: the path after the host is relative to the login
            // directory, and a second slash (or "%2F") makes it absolute; no path at
            // all is the login directory itself.
            Remote = Url.path(QUrl::FullyDecoded);
            if (Remote.startsWith(QLatin1Char('/')))
                Remote.remove(0, 1);
            if (Remote.isEmpty())
                Remote = QStringLiteral(".");
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
        Error = QStringLiteral("%1: only http, https, ftp and file paths are supported").arg(Shown(O.Target));
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

QString Shown(const QString& Target)
{
    const QUrl Url(Target);
    return Url.isValid() && !Url.password().isEmpty() ? Url.toDisplayString(QUrl::RemovePassword) : Target;
}

QString Reason(const TVxCustomWebComponent* C)
{
    return C->LastError().isEmpty() ? QString() : QStringLiteral(" (%1)").arg(C->LastError());
}

}  // namespace vxweb
