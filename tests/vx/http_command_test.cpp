// `vx http` against scripted servers on 127.0.0.1: the answer as received, redirects.
#include "tool_harness.h"

#include "support/scripted_server.h"

#include <gtest/gtest.h>

using vxtest::TConnection;
using vxtest::TScriptedServer;

namespace {

TScriptedServer::Script Answers(const QByteArray& Answer)
{
    return [Answer](TConnection& C) {
        C.ReadUntil("\r\n\r\n");
        C.Send(Answer);
        C.Close();
    };
}

QString Target(const TScriptedServer& S)
{
    return QStringLiteral("127.0.0.1:%1").arg(S.Port());
}

}  // namespace

TEST(VxHttp, PrintsTheBodyByteForByte)
{
    const QByteArray Head = "HTTP/1.0 200 OK\r\nServer: t\r\n\r\n";
    const QByteArray Body("one\ntwo\r\n\r\n\x00\xff" "three", 17);
    TScriptedServer Server(Answers(Head + Body), 2);
    VxResult R = RunVx({"http", Target(Server), "/"});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    EXPECT_EQ(R.Out, Body);
    R = RunVx({"http", "GET", Target(Server), "/", "-i"});
    EXPECT_EQ(R.Out, Head + Body);
}

TEST(VxHttp, AFollowedRedirectIsTheAnswerAndItsFailureAnError)
{
    TScriptedServer Second(Answers("HTTP/1.0 200 OK\r\n\r\nmoved here"));
    TScriptedServer First(Answers("HTTP/1.0 302 Found\r\nLocation: http://" + Target(Second).toLatin1() + "/n\r\n\r\nold"));
    VxResult R = RunVx({"http", Target(First), "/o", "-L", "--timeout", "5"});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    EXPECT_EQ(R.Out, QByteArray("moved here"));

    quint16 Closed;
    {
        TScriptedServer Gone(Answers({}), 0);
        Closed = Gone.Port();
    }
    TScriptedServer Redirects(Answers("HTTP/1.0 301 Moved\r\nLocation: http://127.0.0.1:" + QByteArray::number(Closed) +
                                    "/\r\n\r\n"));
    R = RunVx({"http", Target(Redirects), "/", "-L", "--timeout=5"});
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(R.Out, QByteArray());
    EXPECT_TRUE(R.Err.startsWith("vx: http: following the redirect to 127.0.0.1:")) << R.Err.toStdString();
}

TEST(VxHttp, IncludeShowsEveryAnswersHeadARefusedOneToo)
{
    TScriptedServer Second(Answers("HTTP/1.0 200 OK\r\nServer: b\r\n\r\nmoved here"));
    const QByteArray Moved = "HTTP/1.0 302 Found\r\nLocation: http://" + Target(Second).toLatin1() + "/n";
    TScriptedServer First(Answers(Moved + "\r\n\r\nold"));
    VxResult R = RunVx({"http", Target(First), "/o", "-L", "-i"});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    EXPECT_EQ(R.Out, Moved + "\r\n\r\nHTTP/1.0 200 OK\r\nServer: b\r\n\r\nmoved here");

    TScriptedServer Missing(Answers("HTTP/1.0 404 Not Found\r\nServer: m\r\n\r\nno such page"));
    R = RunVx({"http", Target(Missing), "/x", "-i"});
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(R.Out, QByteArray("HTTP/1.0 404 Not Found\r\nServer: m\r\n\r\n"));
    EXPECT_TRUE(R.Err.contains("File not found")) << R.Err.toStdString();
}
