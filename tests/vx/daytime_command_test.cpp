// `vx daytime` and `vx run TVxInetDateTime` against a daytime server on 127.0.0.1.
#include "tool_harness.h"

#include "support/scripted_server.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using vxtest::TConnection;
using vxtest::TScriptedServer;
using vxtest::TScriptedUdpServer;

namespace {

const QByteArray NistLine = "\n60303 23-12-25 14:30:15 00 0 0 50.0 UTC(NIST) *\r\n";

TScriptedServer::Script Sends(const QByteArray& Answer)
{
    return [Answer](TConnection& C) {
        C.Send(Answer);
        C.Close();
    };
}

}  // namespace

TEST(VxDaytime, PrintsTheServersTimeReadably)
{
    TScriptedServer Server(Sends(NistLine));
    const QString Target = QStringLiteral("127.0.0.1:%1").arg(Server.Port());
    const VxResult R = RunVx({"daytime", Target, "--timeout", "5"});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    EXPECT_EQ(QString::fromUtf8(R.Out),
              QStringLiteral("2023-12-25 14:30:15 (Monday), server time of %1; NIST-style servers send UTC\n")
                  .arg(Target));
}

TEST(VxDaytime, AnAnswerWithoutADateIsAnErrorNotADate)
{
    // The old reading took these for 2001-01-01 01:01:01.
    const struct {
        QByteArray Answer;
        const char* Why;
    } Cases[] = {
        {QByteArray(), "Connection closed by the server before any answer"},
        {QByteArray("HTTP/1.0 400 Bad request\r\n"), "unrecognised daytime answer: \"HTTP/1.0 400 Bad request\\r\\n\""},
    };
    for (const auto& C : Cases) {
        TScriptedServer Server(Sends(C.Answer));
        const QString Target = QStringLiteral("127.0.0.1:%1").arg(Server.Port());
        const VxResult R = RunVx({"daytime", Target});
        EXPECT_EQ(R.Status, 2);
        EXPECT_EQ(R.Out, QByteArray());
        EXPECT_EQ(QString::fromUtf8(R.Err), QStringLiteral("vx: daytime: %1 (%2)\n").arg(QLatin1String(C.Why), Target));
    }
}

TEST(VxDaytime, TimeoutEndsTheWaitForASilentServer)
{
    TScriptedServer Server([](TConnection& C) { C.ReadAll(10000); });
    const VxResult R = RunVx({"daytime", QStringLiteral("127.0.0.1:%1").arg(Server.Port()), "--timeout=0.2"});
    EXPECT_EQ(R.Status, 2);
    EXPECT_FALSE(R.Err.isEmpty());
}

TEST(VxDaytime, ARefusedConnectionIsAnError)
{
    quint16 Port;
    {
        TScriptedServer Closed(Sends({}), 0);
        Port = Closed.Port();
    }
    const VxResult R = RunVx({"daytime", QStringLiteral("127.0.0.1:%1").arg(Port)});
    EXPECT_EQ(R.Status, 2);
    EXPECT_TRUE(R.Err.contains(QStringLiteral("on connect to 127.0.0.1:%1\n").arg(Port).toLatin1())) << R.Err.toStdString();
}

TEST(VxBinary, RunReadsTheDateTimeOfALocalServerAsTheCommandDoes)
{
    for (const QByteArray& Answer : {NistLine, QByteArray("Mon Dec 25 14:30:15 2023\r\n")}) {
        TScriptedServer Server(Sends(Answer), 2);
        const QString Port = QString::number(Server.Port());
        const VxResult R = RunVxBinary({"run", "TVxInetDateTime", "Host=127.0.0.1", "Port=" + Port, "--read", "DateTime"});
        EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
        EXPECT_EQ(R.Out, QByteArray("2023-12-25 14:30:15.000\n"));
        const VxResult Command = RunVx({"daytime", "127.0.0.1:" + Port});
        EXPECT_TRUE(Command.Out.startsWith("2023-12-25 14:30:15 (Monday)")) << Command.Out.toStdString();
    }
}

TEST(VxBinary, RunWritesTheAnswerAsItCame)
{
    const QByteArray Answer = NistLine + QByteArray("\x00\x80\xff", 3);
    TScriptedServer Server(Sends(Answer));
    const VxResult R = RunVxBinary({"run", "TVxInetDateTime", "Host=127.0.0.1",
                                    QStringLiteral("Port=%1").arg(Server.Port())});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    EXPECT_EQ(R.Out, Answer);
}

TEST(VxBinary, JsonAfterReadingDateTimeAsksTheServerOnce)
{
    TScriptedServer Server(Sends(NistLine));
    // The server answers once: a second exchange would fail (timeout) and show as null.
    const VxResult R = RunVxBinary({"run", "TVxInetDateTime", "Address=127.0.0.1", "Timeout=5000",
                                    QStringLiteral("Port=%1").arg(Server.Port()), "--read", "DateTime", "--json"});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    const QJsonObject J = QJsonDocument::fromJson(R.Out).object();
    EXPECT_EQ(J.value("Result"), QJsonValue("2023-12-25 14:30:15.000"));
    EXPECT_EQ(J.value("DateTime"), J.value("Result"));
    EXPECT_EQ(J.value("Proxy").toObject().value("UseProxy"), QJsonValue(false));
}

TEST(VxBinary, NoHostIsAnExceptionWithStatusTwo)
{
    const VxResult R = RunVxBinary({"run", "TVxInetDateTime", "Host=", "Address="});
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(R.Err, QByteArray("vx: run: Host/Address is not defined.\n"));
}

TEST(VxBinary, JsonAsksNoServerBeyondTheAction)
{
    TScriptedServer Daytime(Sends(NistLine));
    TScriptedUdpServer Sntp([](const QByteArray&) { return QByteArray(); });
    for (const auto& [Class, Port] : {std::pair{"TVxInetDateTime", Daytime.Port()}, std::pair{"TVxInetSNTP", Sntp.Port()}}) {
        const VxResult R = RunVxBinary({"run", Class, "Address=127.0.0.1", "Timeout=300",
                                        QStringLiteral("Port=%1").arg(Port), "--read", "Port", "--json"});
        EXPECT_EQ(R.Status, 0) << Class << ": " << R.Err.toStdString();
        const QJsonObject J = QJsonDocument::fromJson(R.Out).object();
        EXPECT_EQ(J.value("Result"), QJsonValue(Port)) << Class;
        EXPECT_FALSE(J.contains("DateTime")) << Class;
    }
    EXPECT_EQ(Daytime.Connections(), 0);
    EXPECT_TRUE(Sntp.Received().empty());
}
