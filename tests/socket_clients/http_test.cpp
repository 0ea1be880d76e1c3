#include <vedidoredo/VxIHTTP.h>

#include "socket_clients/VxHttpText.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

using vxtest::TConnection;
using vxtest::TScriptedServer;

namespace {

const QString RawBlock = QStringLiteral("Proxy-Connection: Keep-Alive\r\n\r\n");

// A server that reads one request and answers with Answer, then closes.
TScriptedServer::Script Answering(const QByteArray& Answer)
{
    return [Answer](TConnection& C) {
        C.ReadUntil("Keep-Alive\r\n\r\n");  // the end of the raw header block
        C.Send(Answer);
        C.Close();
    };
}

}  // namespace

TEST(HttpQuery, ComposesTheRequestText)
{
    TVxIHTTPClient H;
    EXPECT_EQ(H.Port(), 80);
    EXPECT_EQ(H.Action(), haHead);
    EXPECT_TRUE(H.RemoveHeaders());
    H.SetAction(haGet);
    H.SetRequest(QStringLiteral("/index.html"));
    H.SetHost(QStringLiteral("example"));
    H.SetHeaders({QStringLiteral("Accept: text/plain")});
    EXPECT_EQ(H.GetQuery(),
              QStringLiteral("GET /index.html HTTP/1.0\r\nHost: example\r\nAccept: text/plain\r\n\r\n"));
    H.SetAction(haPost);  // no body either
    EXPECT_EQ(H.GetQuery(),
              QStringLiteral("POST /index.html HTTP/1.0\r\nHost: example\r\nAccept: text/plain\r\n\r\n"));
    H.SetAction(haHead);
    H.SetHeaders({});
    EXPECT_EQ(H.GetQuery(), QStringLiteral("HEAD /index.html HTTP/1.0\r\nHost: example\r\n\r\n"));

    // The Host line names what the server can use: the address when the target is one,
    // and the port unless it is 80.
    const struct {
        const char* Target;
        int Port;
        const char* Host;
    } Targets[] = {{"192.0.2.7", 80, "192.0.2.7"}, {"192.0.2.7", 8080, "192.0.2.7:8080"},
                   {"example", 8443, "example:8443"}, {"::1", 81, "[::1]:81"}};
    for (const auto& T : Targets) {
        H.SetHost(QLatin1String(T.Target));
        H.SetPort(T.Port);
        EXPECT_EQ(H.GetQuery(), QStringLiteral("HEAD /index.html HTTP/1.0\r\nHost: %1\r\n\r\n").arg(QLatin1String(T.Host)));
    }
    H.SetHost(QStringLiteral("example"));
    H.SetPort(80);

    // A proxy server name alone switches to the proxy form, UseProxy or not.
    H.SetAction(haGet);
    H.Proxy()->SetServer(QStringLiteral("proxy"));
    EXPECT_EQ(H.GetQuery(), QStringLiteral("GET example/index.html HTTP/1.0\r\nHost: proxy\r\n\r\n"));
}

TEST(HttpAnswer, SplitsHeadersFromTheBody)
{
    const QString Answer = QStringLiteral("HTTP/1.0 200 OK\r\nServer: x\r\n\r\na\nb");
    QString Text = Answer;
    QStringList Headers;
    VxHttpText::SplitAnswer(Text, Headers, true);
    EXPECT_EQ(Text, QStringLiteral("a\r\nb\r\n"));
    EXPECT_EQ(Headers, (QStringList{QStringLiteral("HTTP/1.0 200 OK"), QStringLiteral("Server: x")}));

    Text = Answer;
    VxHttpText::SplitAnswer(Text, Headers, false);
    EXPECT_EQ(Text, Answer);
    EXPECT_EQ(Headers.size(), 2);

    // Without an empty line the last line is the separator: dropped, body empty.
    Text = QStringLiteral("HTTP/1.0 200 OK\rServer: x\rtail");
    VxHttpText::SplitAnswer(Text, Headers, true);
    EXPECT_EQ(Text, QString());
    EXPECT_EQ(Headers, (QStringList{QStringLiteral("HTTP/1.0 200 OK"), QStringLiteral("Server: x")}));

    Text = QString();
    VxHttpText::SplitAnswer(Text, Headers, true);
    EXPECT_TRUE(Text.isEmpty());
    EXPECT_TRUE(Headers.isEmpty());

    Text = QStringLiteral("No answer from server");
    VxHttpText::SplitAnswer(Text, Headers, true);
    EXPECT_TRUE(Text.isEmpty());
    EXPECT_TRUE(Headers.isEmpty());

    EXPECT_EQ(VxHttpText::SplitLines(QStringLiteral("a\r\n\r\nb\n\nc\r")),
              (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b"), QString(), QStringLiteral("c")}));
}

TEST(HttpWire, SendsTheRequestAndFindsResponseLines)
{
    TScriptedServer Server(Answering("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nLOCATIONS: none\r\n\r\nhello\r\n"));
    TVxIHTTPClient H;
    H.SetAddress(QStringLiteral("127.0.0.1"));
    H.SetPort(Server.Port());
    H.SetAction(haGet);
    H.SetRequest(QStringLiteral("/a b"));
    QString Seen;
    H.SetOnAfterExecute([&](QObject*, QString& Text) { Seen = Text; });
    EXPECT_EQ(H.Execute(), QStringLiteral("hello\r\n"));
    EXPECT_TRUE(Seen.startsWith(QLatin1String("HTTP/1.0 200 OK\r\n")));  // the raw answer
    EXPECT_EQ(Server.Received(), QStringLiteral("GET /a b HTTP/1.0\r\nHost: 127.0.0.1:%1\r\n\r\n")
                                         .arg(Server.Port())
                                         .toLatin1()
                                     + RawBlock.toLatin1());
    EXPECT_EQ(H.GetResponse(QStringLiteral("content-TYPE")), QStringLiteral("Content-Type: text/plain"));
    EXPECT_EQ(H.GetResponse(QString()), QStringLiteral("HTTP/1.0 200 OK"));
    EXPECT_EQ(H.GetResponse(QStringLiteral("X-Missing")), QString());
}

TEST(HttpRedirect, IsNotFollowedWithoutAHandler)
{
    TScriptedServer Server(Answering("HTTP/1.0 302 Found\r\nLocation: http://other/\r\n\r\nmoved\r\n"), 2);
    TVxIHTTPClient H;
    H.SetAddress(QStringLiteral("127.0.0.1"));
    H.SetPort(Server.Port());
    EXPECT_EQ(H.Execute(), QStringLiteral("moved\r\n"));
    EXPECT_EQ(Server.Connections(), 1);
}

TEST(HttpRedirect, FollowsOnceToTheHandlersHostAndReturnsTheSecondAnswer)
{
    int Served = 0;
    TScriptedServer Server(
        [&](TConnection& C) {
            C.ReadUntil("Keep-Alive\r\n\r\n");
            // Both answers redirect: only the first is looked at.
            C.Send(++Served == 1 ? QByteArray("HTTP/1.0 301 Moved\r\nLocation: http://127.0.0.1/\r\n\r\nold\r\n")
                                 : QByteArray("HTTP/1.0 302 Again\r\nlocation: elsewhere\r\n\r\nnew\r\n"));
            C.Close();
        },
        3);
    TVxIHTTPClient H;
    H.SetHost(QStringLiteral("localhost"));
    H.SetAddress(QStringLiteral("127.0.0.1"));
    H.SetPort(Server.Port());
    H.SetAction(haGet);
    H.SetRequest(QStringLiteral("/"));
    int Calls = 0, AfterCalls = 0;
    QString Offered;
    H.SetOnRedirect([&](QObject* Sender, QString& URL, bool& Abort) {
        EXPECT_EQ(Sender, &H);
        EXPECT_TRUE(Abort);
        Offered = URL;
        URL = QStringLiteral("127.0.0.1");
        Abort = false;
        ++Calls;
    });
    H.SetOnAfterExecute([&](QObject*, QString&) { ++AfterCalls; });
    EXPECT_EQ(H.Execute(), QStringLiteral("new\r\n"));
    EXPECT_EQ(Offered, QStringLiteral("Location: http://127.0.0.1/"));
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(AfterCalls, 1);
    EXPECT_EQ(Server.Connections(), 2);
    EXPECT_EQ(H.Address(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(H.ResponseHeaders().first(), QStringLiteral("HTTP/1.0 302 Again"));
    EXPECT_FALSE(H.Connected());
}

TEST(HttpRedirect, AnAbortingHandlerStopsIt)
{
    TScriptedServer Server(Answering("HTTP/1.0 302 Found\r\nLocation: x\r\n\r\n"), 2);
    TVxIHTTPClient H;
    H.SetAddress(QStringLiteral("127.0.0.1"));
    H.SetPort(Server.Port());
    H.SetOnRedirect([](QObject*, QString& URL, bool&) { URL = QStringLiteral("127.0.0.1"); });
    EXPECT_EQ(H.Execute(), QString());
    EXPECT_EQ(Server.Connections(), 1);
}

TEST(HttpProxy, ThroughTheProxyTheRequestNamesTheTarget)
{
    TScriptedServer Proxy(
        [](TConnection& C) {
            C.ReadUntil("\r\n\r\n");
            C.Send("HTTP/1.0 200 OK\r\n\r\nvia proxy\r\n");
            C.Close();
        },
        2);
    TVxIHTTPClient H;
    H.SetHost(QStringLiteral("origin.example"));
    H.SetPort(8080);
    H.SetAction(haGet);
    H.SetRequest(QStringLiteral("/index.html"));
    H.SetLoginPrompt(false);
    H.Proxy()->SetServer(QStringLiteral("127.0.0.1"));
    H.Proxy()->SetPort(Proxy.Port());
    H.Proxy()->SetUseProxy(true);
    EXPECT_EQ(H.Execute(), QStringLiteral("via proxy\r\n"));
    // With a proxy and no login the raw block is a lone CR LF.
    const QByteArray Expected = "GET http://origin.example:8080/index.html HTTP/1.0\r\nHost: origin.example:8080\r\n\r\n\r\n";
    EXPECT_EQ(Proxy.Received(0), Expected);
    // The socket now points at the proxy; a second run still asks for the same target.
    EXPECT_EQ(H.Execute(), QStringLiteral("via proxy\r\n"));
    EXPECT_EQ(Proxy.Received(1), Expected);
}
