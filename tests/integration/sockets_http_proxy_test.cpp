// The raw HTTP client through tinyproxy on 127.0.0.1 to an origin server in the test.
#include <vedidoredo/VxIHTTP.h>

#include "support/peer_process.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <unistd.h>

using vxtest::TConnection;
using vxtest::TScriptedServer;

TEST(SocketsHttpProxyIntegration, TheRequestReachesTheTargetThroughTinyproxy)
{
    VX_REQUIRE_PROGRAM(Tinyproxy, "tinyproxy");
    TScriptedServer Origin([](TConnection& C) {
        C.ReadUntil("\r\n\r\n");
        C.Send("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nfrom the origin\r\n");
        C.Close();
    });
    vxtest::TPeerProcess Daemon;
    const quint16 Port = vxtest::FreeLocalPort();
    ASSERT_NE(Port, 0);
    const QString Conf = Daemon.WriteFile(QStringLiteral("tinyproxy.conf"),
                                          QStringLiteral("Port %1\n"
                                                         "Listen 127.0.0.1\n"
                                                         "Timeout 10\n"
                                                         "Allow 127.0.0.1\n"
                                                         "MaxClients 5\n"
                                                         "PidFile \"%2/tinyproxy.pid\"\n")
                                              .arg(Port)
                                              .arg(Daemon.Dir())
                                              .toLocal8Bit()
                                              + (::geteuid() == 0 ? QByteArray("User root\nGroup root\n") : QByteArray()));
    ASSERT_TRUE(Daemon.Start(Tinyproxy, {QStringLiteral("-d"), QStringLiteral("-c"), Conf}));
    ASSERT_TRUE(vxtest::WaitForLocalPort(Port, 15000)) << Daemon.Log().toStdString();

    TVxIHTTPClient H;
    H.SetAddress(QStringLiteral("127.0.0.1"));
    H.SetPort(Origin.Port());
    H.SetAction(haGet);
    H.SetRequest(QStringLiteral("/page"));
    H.SetLoginPrompt(false);
    H.Proxy()->SetServer(QStringLiteral("127.0.0.1"));
    H.Proxy()->SetPort(Port);
    H.Proxy()->SetUseProxy(true);
    EXPECT_EQ(H.Execute(), QStringLiteral("from the origin\r\n"));
    EXPECT_EQ(H.GetResponse(QStringLiteral("Content-Type")), QStringLiteral("Content-Type: text/plain"));
    EXPECT_TRUE(Origin.Received().startsWith("GET /page HTTP/1.0\r\n")) << Origin.Received().toStdString();
}
