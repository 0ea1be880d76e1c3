#include <vedidoredo/VxIHTTP.h>

namespace {

bool StartsWithAsciiNoCase(const QString& Line, const QString& Prefix)
{
    if (Line.size() < Prefix.size())
        return false;
    for (qsizetype i = 0; i < Prefix.size(); ++i) {
        char16_t A = Line.at(i).unicode(), B = Prefix.at(i).unicode();
        if (A >= 'A' && A <= 'Z')
            A += 'a' - 'A';
        if (B >= 'A' && B <= 'Z')
            B += 'a' - 'A';
        if (A != B)
            return false;
    }
    return true;
}

}  // namespace

QString TVxIHTTPClient::HostHeaderValue(const QString& Target, int Port)
{
    // An IPv6 literal is written in brackets, as in a URL.
    const QString Name = Target.contains(QLatin1Char(':')) && !Target.startsWith(QLatin1Char('['))
                             ? QLatin1Char('[') + Target + QLatin1Char(']')
                             : Target;
    return Port == 80 || Name.isEmpty() ? Name : Name + QLatin1Char(':') + QString::number(Port);
}

TVxIHTTPClient::TVxIHTTPClient(QObject* Owner) : TVxInetBase(Owner)
{
    SetPort(80);
}

QString TVxIHTTPClient::MethodWord(TVxIHTTPAction Action)
{
    switch (Action) {
    case haHead: return QStringLiteral("HEAD");
    case haGet: return QStringLiteral("GET");
    case haPost: return QStringLiteral("POST");
    }
    return QStringLiteral("GET");
}

void TVxIHTTPClient::Connect()
{
    if (!Connected()) {
        if (Proxy()->UseProxy() && !Proxy()->Server().isEmpty()) {
            const QString Target = !Host().isEmpty() ? Host() : Address();
            // After an earlier run through the proxy the socket still points at it; the
            // remembered target then stays.
            const bool StillAtProxy = Target == Proxy()->Server() && Port() == Proxy()->Port();
            if (!StillAtProxy || FProxiedTarget.isEmpty())
                FProxiedTarget = HostHeaderValue(Target, Port());
        } else {
            FProxiedTarget.clear();
        }
    }
    TVxInetBase::Connect();
}

QString TVxIHTTPClient::GetQuery()
{
    const QString CRLF = QStringLiteral("\r\n");
    QString Q;
    if (!FProxiedTarget.isEmpty() && Proxy()->UseProxy() && !Proxy()->Server().isEmpty())
        Q = MethodWord(FAction) + QStringLiteral(" http://") + FProxiedTarget + FRequest + QStringLiteral(" HTTP/1.0")
            + CRLF + QStringLiteral("Host: ") + FProxiedTarget + CRLF;
    else if (!Proxy()->Server().isEmpty())
        Q = MethodWord(FAction) + QLatin1Char(' ') + Host() + FRequest + QStringLiteral(" HTTP/1.0") + CRLF
            + QStringLiteral("Host: ") + Proxy()->Server() + CRLF;
    else
        Q = MethodWord(FAction) + QLatin1Char(' ') + FRequest + QStringLiteral(" HTTP/1.0") + CRLF
            + QStringLiteral("Host: ") + HostHeaderValue(!Host().isEmpty() ? Host() : Address(), Port())
            + CRLF;
    for (const QString& Line : FHeaders)
        Q += Line + CRLF;
    return Q + CRLF;
}

QStringList TVxIHTTPClient::SplitLines(const QString& Text)
{
    QStringList Lines;
    qsizetype Start = 0;
    const qsizetype N = Text.size();
    qsizetype i = 0;
    while (i < N) {
        const QChar C = Text.at(i);
        if (C == QLatin1Char('\r') || C == QLatin1Char('\n')) {
            Lines << Text.mid(Start, i - Start);
            if (C == QLatin1Char('\r') && i + 1 < N && Text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            Start = ++i;
        } else {
            ++i;
        }
    }
    if (Start < N)
        Lines << Text.mid(Start);
    return Lines;
}

void TVxIHTTPClient::SplitAnswer(QString& Text, QStringList& Headers, bool RemoveHeaders)
{
    Headers = SplitLines(Text);
    if (Headers.isEmpty()) {
        Text.clear();
        return;
    }
    qsizetype Separator = Headers.indexOf(QString());
    if (Separator < 0)
        Separator = Headers.size() - 1;
    if (RemoveHeaders) {
        QString Body;
        for (qsizetype i = Separator + 1; i < Headers.size(); ++i)
            Body += Headers.at(i) + QStringLiteral("\r\n");
        Text = Body;
    }
    Headers.erase(Headers.begin() + Separator, Headers.end());
}

QString TVxIHTTPClient::GetResponse(const QString& Value) const
{
    for (const QString& Line : FResponseHeaders)
        if (StartsWithAsciiNoCase(Line, Value))
            return Line;
    return {};
}

void TVxIHTTPClient::AfterExecute(QString& Text)
{
    TVxInetBase::AfterExecute(Text);
    SplitAnswer(Text, FResponseHeaders, FRemoveHeaders);

    QString URL = GetResponse(QStringLiteral("Location"));
    if (URL.isEmpty())
        return;
    bool Abort = true;
    if (FOnRedirect)
        FOnRedirect(this, URL, Abort);
    if (Abort || URL.isEmpty())
        return;
    SetHost(URL);
    // The first answer was read until the server closed the connection.
    Disconnect();
    Connect();
    QString Second = InternalExecute();
    SplitAnswer(Second, FResponseHeaders, FRemoveHeaders);
    Text = Second;
}
