// SNTP against chronyd serving its own clock on 127.0.0.1.
#include <vedidoredo/VxISNTP.h>
#include <vedidoredo/platform/VxDateTime.h>

#include "support/peer_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

TEST(SocketsSntpIntegration, ChronyGivesTheTimeOfTheLocalClock)
{
    VX_REQUIRE_PROGRAM(Chronyd, "chronyd");
    vxtest::TPeerProcess Daemon;
    const quint16 Port = vxtest::FreeLocalPort();
    ASSERT_NE(Port, 0);
    // A local reference so that the server answers as synchronised; no command socket,
    // no control of the system clock (-x).
    const QString Conf = Daemon.WriteFile(
        QStringLiteral("chrony.conf"),
        QStringLiteral("pidfile %1/chronyd.pid\n"
                       "driftfile %1/chrony.drift\n"
                       "port %2\n"
                       "bindaddress 127.0.0.1\n"
                       "cmdport 0\n"
                       "bindcmdaddress /\n"
                       "allow 127.0.0.1\n"
                       "local stratum 8\n")
            .arg(Daemon.Dir())
            .arg(Port)
            .toLocal8Bit());
    ASSERT_TRUE(Daemon.Start(Chronyd, {QStringLiteral("-d"), QStringLiteral("-x"), QStringLiteral("-u"),
                                       QStringLiteral("root"), QStringLiteral("-f"), Conf}));

    TVxInetSNTP Sntp;
    Sntp.SetAddress(QStringLiteral("127.0.0.1"));
    Sntp.SetPort(Port);
    Sntp.SetTimeout(500);
    TDateTime Got = 0;
    TDateTime Local = 0;
    // Until it serves, the read raises (no reply, or refused as not synchronised).
    QString Why;
    for (int Try = 0; Try < 40 && double(Got) == 0.0 && Daemon.Running(); ++Try) {
        try {
            Got = Sntp.GetDateTime();
            Local = Now();
        } catch (const EVxError& E) {
            Why = E.Message();
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    }
    ASSERT_NE(double(Got), 0.0) << Why.toStdString() << "\n" << Daemon.Log().toStdString();
    // The server's clock is this machine's clock, given as local time.
    EXPECT_LT(std::fabs(double(Got) - double(Local)) * 86400.0, 1.0)
        << DateTimeToText(Got).toStdString() << " vs " << DateTimeToText(Local).toStdString();
}
