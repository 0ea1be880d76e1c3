#include <vedidoredo/VxInBase.h>
#include <vedidoredo/VxInCnst.h>
#include <vedidoredo/platform/VxUiHooks.h>

#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <QStringList>

using vxtest::TConnection;
using vxtest::TScriptedServer;

namespace {

// A client whose query is whatever the test sets.
class TQueryClient : public TVxInetBase {
public:
    using TVxInetBase::TVxInetBase;
    QString Query;
    QString GetQuery() override { return Query; }
};

// Reads the query's header block, answers, closes.
TScriptedServer::Script Answer(QByteArray Reply)
{
    return [Reply](TConnection& C) {
        C.ReadUntil("\r\n\r\n");
        C.Send(Reply);
        C.Close();
    };
}

void Target(TVxInetBase& Client, const TScriptedServer& Server)
{
    Client.SetHost(QStringLiteral("127.0.0.1"));
    Client.SetPort(Server.Port());
}

// Installs logon hooks for one test and removes them afterwards.
struct TLogonHook {
    explicit TLogonHook(std::function<bool(const QString&, QString&, QString&)> F)
    {
        TVxUiHooks H;
        H.AskLogon = std::move(F);
        VxSetUiHooks(H);
    }
    ~TLogonHook() { VxSetUiHooks({}); }
};

}  // namespace

TEST(InetBase, HostAndAddressShareOneTargetRule)
{
    TVxInetBase B;
    B.SetHost(QStringLiteral("192.0.2.7"));
    EXPECT_EQ(B.Host(), QString());
    EXPECT_EQ(B.Address(), QStringLiteral("192.0.2.7"));
    B.SetAddress(QStringLiteral("mailhost"));
    EXPECT_EQ(B.Address(), QString());
    EXPECT_EQ(B.Host(), QStringLiteral("mailhost"));
    B.SetAbout(QStringLiteral("anything"));
    EXPECT_EQ(B.About(), QString());
    EXPECT_EQ(B.Port(), 0);
    EXPECT_TRUE(B.LoginPrompt());
    EXPECT_FALSE(B.KeepConnection());
    EXPECT_EQ(B.Timeout(), 0);
    EXPECT_EQ(B.ClientType(), ctBlocking);
}

TEST(InetBase, AddrIsIPAcceptsExactlyFourNumbersUpTo255)
{
    for (const char* Yes : {"1.2.3.4", "0.0.0.0", "255.255.255.255", "127.0.0.1"})
        EXPECT_TRUE(TVxInetBase::AddrIsIP(QString::fromLatin1(Yes))) << Yes;
    for (const char* No : {"1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4.", "", "1..3.4", "a.b.c.d",
                           "1.2.3.-4", "1.2.3.4x", ".1.2.3", "1.2.3.99999999999", "example.org"})
        EXPECT_FALSE(TVxInetBase::AddrIsIP(QString::fromLatin1(No))) << No;
}

TEST(InetBase, SendsQueryWithKeepAliveBlockAndReturnsAnswer)
{
    TScriptedServer Server(Answer("record text\r\n"));
    TQueryClient C;
    Target(C, Server);
    C.Query = QStringLiteral("example\r\n");
    EXPECT_EQ(C.Execute(), QStringLiteral("record text\r\n"));
    EXPECT_FALSE(C.Connected());
}

TEST(InetBase, ExactBytesWithoutAndWithProxy)
{
    {
        TScriptedServer Server(Answer("ok"));
        TQueryClient C;
        Target(C, Server);
        C.Query = QStringLiteral("example\r\n");
        C.Execute();
        EXPECT_EQ(Server.Received(), QByteArray("example\r\nProxy-Connection: Keep-Alive\r\n\r\n"));
    }
    {
        // The proxy becomes the target and the login lines follow the query.
        TScriptedServer Proxy(Answer("ok"));
        TQueryClient C;
        C.SetHost(QStringLiteral("whois.example"));
        C.SetPort(43);
        C.Proxy()->SetUseProxy(true);
        C.Proxy()->SetServer(QStringLiteral("127.0.0.1"));
        C.Proxy()->SetPort(Proxy.Port());
        C.Proxy()->SetUser(QStringLiteral("u"));
        C.Proxy()->SetPassword(QStringLiteral("p"));
        C.SetLoginPrompt(false);
        C.Query = QStringLiteral("example\r\n");
        EXPECT_EQ(C.Execute(), QStringLiteral("ok"));
        EXPECT_EQ(Proxy.Received(), QByteArray("example\r\nUsername: u\r\nPassword: p\r\n\r\n"));
        EXPECT_EQ(C.Host(), QString());
        EXPECT_EQ(C.Address(), QStringLiteral("127.0.0.1"));
        EXPECT_EQ(C.Port(), Proxy.Port());
    }
    {
        // A proxy without login sends a lone empty line after the query.
        TQueryClient C;
        C.Proxy()->SetUseProxy(true);
        C.SetLoginPrompt(false);
        EXPECT_EQ(C.GetRawHeaders(), QStringLiteral("\r\n"));
    }
}

TEST(InetBase, ProxyLoginPromptStoresOnlyAcceptedAnswers)
{
    TQueryClient C;
    C.Proxy()->SetUseProxy(true);
    C.Proxy()->SetUser(QStringLiteral("old"));
    QStringList Captions;
    {
        TLogonHook Hook([&](const QString& Caption, QString& User, QString& Password) {
            Captions << Caption;
            EXPECT_EQ(User, QStringLiteral("old"));
            User = QStringLiteral("new");
            Password = QStringLiteral("secret");
            return true;
        });
        EXPECT_EQ(C.GetRawHeaders(), QStringLiteral("Username: new\r\nPassword: secret\r\n\r\n"));
    }
    {
        TLogonHook Hook([&](const QString& Caption, QString& User, QString&) {
            Captions << Caption;
            User = QStringLiteral("typed but cancelled");
            return false;
        });
        EXPECT_EQ(C.GetRawHeaders(), QStringLiteral("Username: new\r\nPassword: secret\r\n\r\n"));
    }
    EXPECT_EQ(Captions, QStringList({strVxInProxyLogon, strVxInProxyLogon}));
    // Without any hook the prompt answers Cancel.
    EXPECT_EQ(C.GetRawHeaders(), QStringLiteral("Username: new\r\nPassword: secret\r\n\r\n"));
}

TEST(InetBase, EmptyQuerySendsNothingAndAsksNoLogin)
{
    TScriptedServer Server([](TConnection& C) {
        C.ReadSome(300);
        C.Send("hello");
        C.Close();
    });
    TQueryClient C;
    Target(C, Server);
    C.Proxy()->SetUseProxy(true);  // would prompt if a query were sent
    int Prompts = 0;
    TLogonHook Hook([&](const QString&, QString&, QString&) { return ++Prompts, false; });
    EXPECT_EQ(C.Execute(), QStringLiteral("hello"));
    EXPECT_EQ(Server.Received(), QByteArray());
    EXPECT_EQ(Prompts, 0);
}

namespace {

// Execute's outcome: the answer, or the message of the EVxError it raised.
QString Outcome(TVxInetBase& C)
{
    try {
        return C.Execute();
    } catch (const EVxError& E) {
        return QStringLiteral("raised: ") + E.Message();
    }
}

QString Peer(const TScriptedServer& Server)
{
    return QStringLiteral("127.0.0.1:%1").arg(Server.Port());
}

}  // namespace

TEST(InetBase, StatusCheckOnFirstPiece)
{
    struct Case {
        QByteArray Reply;
        QString Refusal;  // empty: the answer comes back
    };
    const Case Cases[] = {
        {"HTTP/1.0 401 Unauthorized\r\n\r\n", strVxInEAuthRequired},
        {"HTTP/1.0 404 Not Found\r\n\r\n", strVxInEFileNotFound},
        {"HTTP/1.0 407 Proxy Authentication Required\r\n\r\n", strVxInEProxyAuth},
        {"% Query 401 lines\r\n", {}},
        {"HTTP/1.0 500 Oops\r\n", {}},
        {"no-space-at-all", {}},
    };
    for (const Case& K : Cases) {
        TScriptedServer Server(Answer(K.Reply));
        TQueryClient C;
        Target(C, Server);
        C.Query = QStringLiteral("GET / HTTP/1.0\r\n");
        const QString Expected = K.Refusal.isEmpty()
                                     ? QString::fromLatin1(K.Reply)
                                     : QStringLiteral("raised: %1 (%2)").arg(K.Refusal, Peer(Server));
        EXPECT_EQ(Outcome(C), Expected) << K.Reply.constData();
        // A refused answer is not read on: the connection is closed.
        EXPECT_FALSE(C.Connected());
    }
}

TEST(InetBase, FailedExchangesRaiseNamingTheTarget)
{
    struct Case {
        const char* Name;
        TScriptedServer::Script Script;
        QString Message;  // with %1 for the target
        bool SocketError;  // EVxSocketError, after OnError
    };
    const Case Cases[] = {
        {"silent", [](TConnection& C) { C.ReadAll(3000); },
         QStringLiteral("Socket error: the operation timed out after 300 ms (110), on receive from %1"), true},
        {"reset", [](TConnection& C) { C.ReadUntil("\r\n\r\n"); C.Reset(); },
         QStringLiteral("Socket error: Connection reset by peer (104), on receive from %1"), true},
        {"reset after a piece", [](TConnection& C) { C.ReadUntil("\r\n\r\n"); C.Send("partial"); C.Reset(); },
         QStringLiteral("Socket error: Connection reset by peer (104), on receive from %1"), true},
        {"closed", [](TConnection& C) { C.ReadUntil("\r\n\r\n"); C.Close(); },
         QStringLiteral("Connection closed by the server before any answer (%1)"), false},
    };
    for (const Case& K : Cases) {
        TScriptedServer Server(K.Script);
        TQueryClient C;
        Target(C, Server);
        C.SetTimeout(300);
        C.Query = QStringLiteral("q\r\n");
        QStringList Log;
        C.SetOnError([&](QObject*, TVxClientSocket*, TVxErrorEvent Kind, int&) {
            Log << QStringLiteral("error %1").arg(int(Kind));
        });
        C.SetOnAfterExecute([&](QObject*, QString&) { Log << QStringLiteral("after"); });
        try {
            C.Execute();
            ADD_FAILURE() << K.Name << ": no exception";
        } catch (const EVxError& E) {
            EXPECT_EQ(E.Message(), K.Message.arg(Peer(Server))) << K.Name;
            EXPECT_EQ(dynamic_cast<const EVxSocketError*>(&E) != nullptr, K.SocketError) << K.Name;
        }
        // OnError first for a socket failure; the failed answer never reaches AfterExecute.
        EXPECT_EQ(Log, K.SocketError ? QStringList{QStringLiteral("error %1").arg(int(eeReceive))} : QStringList())
            << K.Name;
        EXPECT_FALSE(C.Connected()) << K.Name;
    }
}

TEST(InetBase, NotificationsInOrderAndDisconnectOnce)
{
    TScriptedServer Server(Answer("answer"));
    TQueryClient C;
    Target(C, Server);
    C.Query = QStringLiteral("q\r\n");
    QStringList Log;
    C.SetOnBeforeExecute([&](QObject* S) { Log << QStringLiteral("before"); EXPECT_EQ(S, &C); });
    C.SetOnLookup([&](QObject*, TVxClientSocket*) { Log << QStringLiteral("lookup"); });
    C.SetOnConnecting([&](QObject*, TVxClientSocket*) { Log << QStringLiteral("connecting"); });
    C.SetOnConnect([&](QObject* S, TVxClientSocket* Socket) {
        Log << QStringLiteral("connect");
        EXPECT_EQ(S, Socket);  // the socket is the sender, not the component
    });
    C.SetOnAfterExecute([&](QObject*, QString& Text) {
        Log << QStringLiteral("after:") + Text;
        Text = QStringLiteral("replaced");
    });
    C.SetOnDisconnect([&](QObject*, TVxClientSocket*) { Log << QStringLiteral("disconnect"); });
    EXPECT_EQ(C.Execute(), QStringLiteral("replaced"));
    EXPECT_EQ(Log, QStringList({"before", "lookup", "connecting", "connect", "after:answer",
                                "disconnect"}));
    EXPECT_FALSE(C.Connected());
}

TEST(InetBase, KeepConnectionReusesTheOpenConnection)
{
    TScriptedServer Server(Answer("first"), 2);
    TQueryClient C;
    Target(C, Server);
    C.SetKeepConnection(true);
    C.Query = QStringLiteral("q\r\n");
    int Connects = 0, Disconnects = 0;
    C.SetOnConnect([&](QObject*, TVxClientSocket*) { ++Connects; });
    C.SetOnDisconnect([&](QObject*, TVxClientSocket*) { ++Disconnects; });
    EXPECT_EQ(C.Execute(), QStringLiteral("first"));
    EXPECT_TRUE(C.Connected());
    // The server has closed its side, which the engine does not notice: the second run
    // uses the same connection, on which nothing can be sent any more, and then closes it.
    EXPECT_EQ(Outcome(C), QStringLiteral("raised: No answer from server (%1)").arg(Peer(Server)));
    EXPECT_EQ(Connects, 1);
    EXPECT_EQ(Disconnects, 1);
    EXPECT_FALSE(C.Connected());
    EXPECT_EQ(Server.Connections(), 1);
}

TEST(InetBase, MissingHostRaisesTheCatalogueTextOfTheMoment)
{
    TQueryClient C;
    bool Before = false;
    C.SetOnBeforeExecute([&](QObject*) { Before = true; });
    const QString Saved = strVxInEHost;
    strVxInEHost = QStringLiteral("Kein Host.");
    try {
        C.Execute();
        ADD_FAILURE() << "no exception";
    } catch (const EVxError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Kein Host."));
    }
    strVxInEHost = Saved;
    EXPECT_TRUE(Before);
    EXPECT_THROW(C.Connect(), EVxError);
}

namespace {

// A port on 127.0.0.1 with nothing listening.
quint16 ClosedPort()
{
    quint16 Port;
    { TScriptedServer Probe([](TConnection&) {}, 0); Port = Probe.Port(); }
    return Port;
}

}  // namespace

TEST(InetBase, ConnectFailureRaisesUnlessOnErrorSuppressesIt)
{
    TQueryClient C;
    C.SetHost(QStringLiteral("127.0.0.1"));
    C.SetPort(ClosedPort());
    C.Query = QStringLiteral("q\r\n");
    QList<TVxErrorEvent> Kinds;
    C.SetOnError([&](QObject*, TVxClientSocket*, TVxErrorEvent Kind, int& Code) {
        Kinds << Kind;
        EXPECT_NE(Code, 0);
    });
    try {
        C.Execute();
        ADD_FAILURE() << "no exception";
    } catch (const EVxSocketError& E) {
        EXPECT_TRUE(E.Message().endsWith(QStringLiteral("on connect to 127.0.0.1:%1").arg(C.Port())))
            << E.Message().toStdString();
    }
    EXPECT_EQ(Kinds, QList<TVxErrorEvent>({eeConnect}));
    EXPECT_FALSE(C.Connected());

    // Suppressed, the socket's exception gives way to the engine's: nothing was sent.
    C.SetOnError([&](QObject*, TVxClientSocket*, TVxErrorEvent, int& Code) { Code = 0; });
    EXPECT_EQ(Outcome(C), QStringLiteral("raised: No answer from server (127.0.0.1:%1)").arg(C.Port()));
}

TEST(InetBase, ASuppressedReceiveFailureKeepsWhatArrived)
{
    TScriptedServer Server([](TConnection& C) {
        C.ReadUntil("\r\n\r\n");
        C.Send("partial");
        C.ReadAll(3000);
    });
    TQueryClient C;
    Target(C, Server);
    C.SetTimeout(300);
    C.Query = QStringLiteral("q\r\n");
    C.SetOnError([](QObject*, TVxClientSocket*, TVxErrorEvent, int& Code) { Code = 0; });
    EXPECT_EQ(C.Execute(), QStringLiteral("partial"));
}

TEST(InetBase, LongAnswerArrivesByteForByte)
{
    constexpr int Size = 24 * 1024 * 1024 + 17;
    QByteArray Body(Size, Qt::Uninitialized);
    for (int I = 0; I < Size; ++I)
        Body[I] = char((I * 7 + I / 256) & 0xFF);
    TScriptedServer Server([&Body](TConnection& C) {
        C.Send(Body);
        C.Close();
    });
    TQueryClient C;
    Target(C, Server);
    const QString Result = C.Execute();
    ASSERT_EQ(Result.size(), Size);
    EXPECT_TRUE(Result.toLatin1() == Body);
}

TEST(InetBase, CharactersAbove255AreSentAsUtf8)
{
    TScriptedServer Server(Answer("ok"));
    TQueryClient C;
    Target(C, Server);
    C.Query = QString::fromUtf8("b\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80\r\n");  // ü stays one byte
    C.Execute();
    EXPECT_TRUE(Server.Received().startsWith("b\xFC\xE2\x82\xAC\xF0\x9F\x98\x80\r\n"));
}
