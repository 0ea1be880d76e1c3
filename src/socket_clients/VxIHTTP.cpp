#include <vedidoredo/VxIHTTP.h>

#include "VxHttpText.h"

using namespace VxHttpText;

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

TVxIHTTPClient::TVxIHTTPClient(QObject* Owner) : TVxInetBase(Owner)
{
    SetPort(80);
}

TVxIHTTPClient::~TVxIHTTPClient()
{
    EndRun();
}

void TVxIHTTPClient::Connect()
{
    if (!Connected()) {
        if (Proxy()->Named()) {
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
    if (!FProxiedTarget.isEmpty() && Proxy()->Named())
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

QString TVxIHTTPClient::GetResponse(const QString& Value) const
{
    for (const QString& Line : FResponseHeaders)
        if (StartsWithAsciiNoCase(Line, Value))
            return Line;
    return {};
}

void TVxIHTTPClient::AnswerRefused(const QString& Piece)
{
    QString Text = Piece;
    SplitAnswer(Text, FResponseHeaders, false);
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
