// The URL of a web component: one QUrl for Service, Host, Port, User, Password and the
// remote path, read and written as the services read them (FTP paths as RFC 1738 has
// them, HTTP paths and queries percent-encoded, file: URLs as paths).
#include <vedidoredo/platform/VxException.h>
#include <vedidoredo/vxidir.h>
#include <vedidoredo/vxiupdate.h>

#include <QUrl>

namespace {

int DefaultPort(TVxIService Service)
{
    switch (Service) {
    case isHTTPS:
        return 443;
    case isFTP:
        return 21;
    default:
        return 80;
    }
}

const char* SchemeOf(TVxIService Service)
{
    switch (Service) {
    case isHTTP:
        return "http";
    case isHTTPS:
        return "https";
    case isFTP:
        return "ftp";
    default:
        return "file";
    }
}

// An FTP path as the services take it: relative to the login directory, absolute when
// the URL's path starts with "//" or "/%2F", "." for the login directory itself.
QString FtpPathFromUrl(const QUrl& Url)
{
    QString Path = Url.path(QUrl::FullyDecoded);
    if (Path.startsWith(QLatin1Char('/')))
        Path.remove(0, 1);
    return Path.isEmpty() ? QStringLiteral(".") : Path;
}

QString FtpPathToUrl(const QString& Path)
{
    if (Path.isEmpty() || Path == QLatin1String("."))
        return QStringLiteral("/");
    const QByteArray Keep = "/!$&'()*+,;=:@";
    if (Path.startsWith(QLatin1Char('/')))
        return QStringLiteral("/%2F") + QString::fromLatin1(QUrl::toPercentEncoding(Path.mid(1), Keep));
    return QLatin1Char('/') + QString::fromLatin1(QUrl::toPercentEncoding(Path, Keep));
}

}  // namespace

void TVxCustomWebComponent::SetUrl(const QUrl& Value)
{
    CheckChange("Url");
    const QString Shown = Value.toDisplayString(QUrl::RemovePassword);
    if (Value.isEmpty())
        throw EVxError(QStringLiteral("No URL given"));
    if (!Value.isValid()) {
        // QUrl's reason, without the source text it appends (which may hold a password).
        const QString Reason = Value.errorString().section(QLatin1Char(';'), 0, 0);
        throw EVxError(QStringLiteral("Invalid URL (%1)").arg(Reason));
    }
    const QString Scheme = Value.scheme().toLower();
    TVxIService NewService;
    if (Scheme == QLatin1String("http"))
        NewService = isHTTP;
    else if (Scheme == QLatin1String("https"))
        NewService = isHTTPS;
    else if (Scheme == QLatin1String("ftp"))
        NewService = isFTP;
    else if (Scheme == QLatin1String("file"))
        NewService = isNetwork;
    else if (Scheme.isEmpty())
        throw EVxError(QStringLiteral("The URL %1 has no scheme (http, https, ftp or file; a path is "
                                      "QUrl::fromLocalFile(path))").arg(Shown));
    else
        throw EVxError(QStringLiteral("Unsupported URL scheme \"%1\" in %2: only http, https, ftp and file "
                                      "are supported").arg(Value.scheme(), Shown));

    if (NewService == isNetwork) {
        const QString Path = Value.toLocalFile();
        if (Path.isEmpty())
            throw EVxError(QStringLiteral("No path in the URL %1").arg(Shown));
        SetService(isNetwork);
        SetUrlPath(Path);
        return;
    }
    if (Value.host().isEmpty())
        throw EVxError(QStringLiteral("No host in the URL %1").arg(Shown));
    SetService(NewService);
    SetHost(Value.host());
    SetPort(Value.port(DefaultPort(NewService)));
    SetUser(Value.userName(QUrl::FullyDecoded));
    SetPassword(Value.password(QUrl::FullyDecoded));
    if (NewService == isFTP) {
        SetUrlPath(FtpPathFromUrl(Value));
        return;
    }
    QString Path = Value.path(QUrl::FullyEncoded);
    if (Path.isEmpty())
        Path = QStringLiteral("/");
    if (Value.hasQuery())
        Path += QLatin1Char('?') + Value.query(QUrl::FullyEncoded);
    SetUrlPath(Path);
}

QUrl TVxCustomWebComponent::Url() const
{
    const QString Path = UrlPath();
    if (Service() == isNetwork) {
        if (Path.isEmpty() || Path.startsWith(QLatin1Char('/')))
            return Path.isEmpty() ? QUrl() : QUrl::fromLocalFile(Path);
        // A relative path stays relative ("file:dir/name"), also with a colon in it.
        QUrl Relative;
        Relative.setScheme(QStringLiteral("file"));
        Relative.setPath(Path, QUrl::DecodedMode);
        return Relative;
    }
    if (Host().isEmpty())
        return {};
    QUrl Result;
    Result.setScheme(QLatin1String(SchemeOf(Service())));
    Result.setHost(Host());
    if (Port() != DefaultPort(Service()))
        Result.setPort(Port());
    Result.setUserName(User(), QUrl::DecodedMode);
    Result.setPassword(Password(), QUrl::DecodedMode);
    if (Service() == isFTP) {
        Result.setPath(FtpPathToUrl(Path), QUrl::TolerantMode);
        return Result;
    }
    const qsizetype Question = Path.indexOf(QLatin1Char('?'));
    const QString PathPart = Question < 0 ? Path : Path.left(Question);
    Result.setPath(PathPart.isEmpty() ? QStringLiteral("/") : PathPart, QUrl::TolerantMode);
    if (Question >= 0)
        Result.setQuery(Path.mid(Question + 1), QUrl::TolerantMode);
    return Result;
}

QString TVxCustomWebComponent::UrlPath() const
{
    return {};
}

void TVxCustomWebComponent::SetUrlPath(const QString&) {}

QString TVxCustomWebUpdater::UrlPath() const
{
    return RemoteFileName();
}

void TVxCustomWebUpdater::SetUrlPath(const QString& Value)
{
    SetRemoteFileName(Value);
}

QString TVxRemoteFiles::UrlPath() const
{
    return Directory();
}

void TVxRemoteFiles::SetUrlPath(const QString& Value)
{
    SetDirectory(Value);
}
