// Every socket client against a server that falls silent or resets the connection:
// the failure is raised, naming the server, never returned or decoded as an answer.
#include <vedidoredo/VxIFedEx.h>
#include <vedidoredo/VxIHTTP.h>
#include <vedidoredo/VxITime.h>
#include <vedidoredo/VxIWeath.h>
#include <vedidoredo/VxWhoIs.h>

#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using vxtest::TConnection;
using vxtest::TScriptedServer;

TEST(SocketClients, SilentOrResettingServersRaiseNamingTheServer)
{
    const struct {
        const char* Name;
        std::function<TVxInetBase*()> Make;
        bool ReadsDateTime;  // the exchange runs when DateTime is read
    } Clients[] = {
        {"whois", [] { auto* W = new TVxWhoIs; W->SetDomain(QStringLiteral("example.org")); return W; }, false},
        {"daytime", [] { return new TVxInetDateTime; }, true},
        {"http", [] { return new TVxIHTTPClient; }, false},
        {"weather", [] { return new TVxWeatherInfo; }, false},
        {"fedex", [] { return new TVxFedExTracker; }, false},
    };
    const struct {
        const char* Name;
        TScriptedServer::Script Script;
        const char* Failure;
    } Servers[] = {
        {"silent", [](TConnection& C) { C.ReadAll(3000); }, "timed out after 300 ms"},
        {"resetting", [](TConnection& C) { C.ReadSome(50); C.Send("part"); C.Reset(); }, "Connection reset by peer"},
    };
    for (const auto& Client : Clients) {
        for (const auto& Server : Servers) {
            TScriptedServer Peer(Server.Script);
            std::unique_ptr<TVxInetBase> C(Client.Make());
            C->SetAddress(QStringLiteral("127.0.0.1"));
            C->SetPort(Peer.Port());
            C->SetTimeout(300);
            try {
                if (Client.ReadsDateTime)
                    static_cast<TVxInetDateTime*>(C.get())->DateTime();
                else
                    C->Execute();
                ADD_FAILURE() << Client.Name << ", " << Server.Name << ": no exception";
            } catch (const EVxSocketError& E) {
                EXPECT_TRUE(E.Message().contains(QLatin1String(Server.Failure))) << E.Message().toStdString();
                EXPECT_TRUE(E.Message().endsWith(QStringLiteral("127.0.0.1:%1").arg(Peer.Port())))
                    << E.Message().toStdString();
            }
        }
    }
}
