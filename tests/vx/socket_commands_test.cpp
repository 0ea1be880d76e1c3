// The socket subcommands and `vx run` with the socket classes, through the built vx.
#include <vedidoredo/platform/VxDateTime.h>

#include "support/scripted_server.h"
#include "tool_harness.h"

#include <gtest/gtest.h>

#include <QStringList>


using vxtest::TConnection;
using vxtest::TScriptedServer;
using vxtest::TScriptedUdpServer;

namespace {

using VxRun = VxResult;

VxRun Vx(const QStringList& Args)
{
    return RunVxBinary(Args);
}

QByteArray U16(int V)
{
    return QByteArray(1, char((V >> 8) & 0xFF)) + QByteArray(1, char(V & 0xFF));
}

}  // namespace

class VxSocketCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QByteArray(VX_TOOL_PATH).isEmpty())
            GTEST_SKIP() << "vx is not built";
    }
};

TEST_F(VxSocketCommands, DnsPrintsTheDecodedReply)
{
    // Echoes the question with one MX record.
    TScriptedUdpServer Server([](const QByteArray& Query) {
        QByteArray Reply = Query.left(2) + U16(0x8180) + U16(1) + U16(1) + U16(0) + U16(0) + Query.mid(12);
        Reply += QByteArray("\xc0\x0c", 2) + U16(15) + U16(1) + QByteArray("\0\0\0\x3c", 4) + U16(9) + U16(10)
                 + QByteArray("\x04mail\xc0\x0c", 7);
        return Reply;
    });
    const VxRun R = Vx({"dns", "example.org", "MX", QStringLiteral("@127.0.0.1:%1").arg(Server.Port())});
    EXPECT_EQ(R.Status, 0);
    EXPECT_TRUE(R.Out.contains("example.org.\t60\tIN\tMX\t10 mail.example.org.\n")) << R.Out.toStdString();
    EXPECT_TRUE(R.Out.contains("status NOERROR"));
    EXPECT_EQ(Vx({"dns", "example.org", "BOGUS"}).Status, 64);
}

TEST_F(VxSocketCommands, DnsReportsALostReply)
{
    TScriptedUdpServer Server([](const QByteArray&) { return QByteArray(); });
    const VxRun R = Vx({"dns", "example.org", QStringLiteral("@127.0.0.1:%1").arg(Server.Port()), "--timeout", "0.2"});
    EXPECT_EQ(R.Status, 2);
    EXPECT_TRUE(R.Out.isEmpty());
}

TEST_F(VxSocketCommands, RunSetsTheKindsOfAQueryByName)
{
    TScriptedUdpServer Server([](const QByteArray& Query) { return Query; });
    const VxRun R = Vx({"run", "TVxIDNSResolver", "Address=127.0.0.1", QStringLiteral("Port=%1").arg(Server.Port()),
                      "Domain=example.org", "Requests=[irMX,irA]", "--json"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_TRUE(R.Out.contains("\"irA\",\n        \"irMX\"")) << R.Out.toStdString();
    ASSERT_EQ(Server.Received().size(), 1u);
    EXPECT_EQ(Server.Received()[0].mid(4, 2), U16(2));  // two questions
}

TEST_F(VxSocketCommands, WhoisSendsTheDomainToTheGivenServer)
{
    TScriptedServer Server([](TConnection& C) {
        C.ReadUntil("\r\n\r\n");
        C.Send("Domain Name: EXAMPLE.ORG\r\n");
        C.Close();
    });
    const VxRun R = Vx({"whois", "example.org", "--server", QStringLiteral("127.0.0.1:%1").arg(Server.Port())});
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(R.Out, QByteArray("Domain Name: EXAMPLE.ORG\r\n"));
    EXPECT_EQ(Server.Received(), QByteArray("example.org\r\nProxy-Connection: Keep-Alive\r\n\r\n"));
}

TEST_F(VxSocketCommands, HttpPrintsTheBody)
{
    TScriptedServer Server([](TConnection& C) {
        C.ReadUntil("Keep-Alive\r\n\r\n");
        C.Send("HTTP/1.0 200 OK\r\nServer: t\r\n\r\nbody\r\n");
        C.Close();
    });
    const VxRun R = Vx({"http", QStringLiteral("127.0.0.1:%1").arg(Server.Port()), "/p", "-H", "Accept: */*"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(R.Out, QByteArray("body\r\n"));
    EXPECT_EQ(Server.Received(),
              QStringLiteral("GET /p HTTP/1.0\r\nHost: 127.0.0.1:%1\r\nAccept: */*\r\n\r\n"
                             "Proxy-Connection: Keep-Alive\r\n\r\n")
                  .arg(Server.Port())
                  .toLatin1());
}

TEST_F(VxSocketCommands, SntpPrintsTheTimeAndTheOffset)
{
    TScriptedUdpServer Server([](const QByteArray& Q) {
        QByteArray M(48, '\0');
        M[0] = char(0x1C);
        M[1] = 1;
        M.replace(24, 8, Q.mid(40, 8));  // the reply to this request
        M[40] = char(0xE0);  // some time in 2019
        return M;
    }, 2);
    VxRun R = Vx({"sntp", QStringLiteral("127.0.0.1:%1").arg(Server.Port())});
    EXPECT_EQ(R.Status, 0);
    const QList<QByteArray> Lines = R.Out.split('\n');
    ASSERT_GE(Lines.size(), 2) << R.Out.toStdString();
    EXPECT_TRUE(Lines[0].startsWith("2019-")) << R.Out.toStdString();
    EXPECT_TRUE(Lines[1].startsWith("offset -")) << R.Out.toStdString();  // the local clock is ahead

    R = Vx({"run", "TVxInetSNTP", "Address=127.0.0.1", QStringLiteral("Port=%1").arg(Server.Port()),
            "--read", "DateTime"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_TRUE(R.Out.startsWith("2019-")) << R.Out.toStdString();
}
