#include <vedidoredo/VxWhoIs.h>

#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <QSet>

using vxtest::TConnection;
using vxtest::TScriptedServer;

namespace {

QString ServerOf(TVxWhoIs& W, const QString& Label)
{
    return W.ServerFor(Label);
}

}  // namespace

TEST(WhoIsServerList, HasTheKeysInOrderAndTheSharing)
{
    const QStringList List = TVxWhoIs::BuiltInServerList();
    ASSERT_EQ(List.size(), 149);
    EXPECT_EQ(List.first(), QStringLiteral("*=") + TVxWhoIs::DefaultServer());

    const QStringList Single = QStringLiteral(
        "ac ae aero af ag am as asia at au be bg bi biz bj br bt bz ca cat cc cd ch ck cl cn co com coop cx cz "
        "de dk dm dz edu ee eu fi fo fr gl gov gs hk hm hn hu ie il in info int io iq ir is it je jobs jp ke kg "
        "kr la li lt lu lv ly ma md me mil mobi ms mu mx my name net nf ng nl no nu nz org pl pr pro pt ro ru sa "
        "sb sc se sg sh si sk sm st su tc tel tf th tj tk tl tm to tp tr travel tw tv tz ua uk us uy uz vc ve vg "
        "ws xxx").split(QLatin1Char(' '));
    QStringList SingleKeys, TwoLabel;
    QSet<QString> Servers;
    for (qsizetype i = 1; i < List.size(); ++i) {
        const QString Key = List[i].section(QLatin1Char('='), 0, 0);
        const QString Server = List[i].section(QLatin1Char('='), 1);
        ASSERT_FALSE(Server.isEmpty()) << Key.toStdString();
        Servers.insert(Server);
        (Key.contains(QLatin1Char('.')) ? TwoLabel : SingleKeys) << Key;
    }
    EXPECT_EQ(SingleKeys, Single);
    ASSERT_EQ(TwoLabel.size(), 18);
    EXPECT_EQ(Servers.size(), 124);
    EXPECT_FALSE(Servers.contains(TVxWhoIs::DefaultServer()));

    TVxWhoIs W;
    int UnderCom = 0, UnderNet = 0;
    QSet<QString> SecondLevelServers;
    for (const QString& Key : TwoLabel) {
        UnderCom += Key.endsWith(QLatin1String(".com"));
        UnderNet += Key.endsWith(QLatin1String(".net"));
        if (Key.endsWith(QLatin1String(".com")) || Key.endsWith(QLatin1String(".net")))
            SecondLevelServers.insert(W.ServerFor(Key));
    }
    EXPECT_EQ(SecondLevelServers.size(), 1);
    EXPECT_NE(W.ServerFor(QStringLiteral("co.nl")), W.ServerFor(QStringLiteral("nl")));
    EXPECT_NE(W.ServerFor(QStringLiteral("ac.uk")), W.ServerFor(QStringLiteral("uk")));
    EXPECT_EQ(UnderCom, 13);
    EXPECT_EQ(UnderNet, 3);
    const QList<QStringList> Shared = {{"com", "net"}, {"cx", "dm", "nf"}, {"hn", "la", "sc", "vc"},
                                       {"ru", "su"}, {"tc", "vg"}, {"tl", "tp"}};
    for (const QStringList& Group : Shared)
        for (const QString& Key : Group)
            EXPECT_EQ(ServerOf(W, Key), ServerOf(W, Group.first())) << Key.toStdString();
}

TEST(WhoIsServerChoice, PicksTheServerOfTheLastLabel)
{
    TVxWhoIs W;
    EXPECT_EQ(W.Port(), 43);
    EXPECT_TRUE(W.AutoSelectServer());
    W.SetDomain(QStringLiteral("example.de"));
    EXPECT_EQ(W.Host(), W.ServerFor(QStringLiteral("de")));
    W.SetDomain(QStringLiteral("www.example.CO.UK"));  // never a two-label entry
    EXPECT_EQ(W.Host(), W.ServerFor(QStringLiteral("uk")));
    W.SetDomain(QStringLiteral("shop.uk.com"));
    EXPECT_EQ(W.Host(), W.ServerFor(QStringLiteral("com")));
    W.SetDomain(QStringLiteral("example.zz"));
    EXPECT_EQ(W.Host(), W.ServerFor(QStringLiteral("*")));
    W.SetDomain(QStringLiteral("example."));
    EXPECT_EQ(W.Host(), W.ServerFor(QStringLiteral("*")));
    W.SetDomain(QStringLiteral("org"));  // no dot: the whole value is the label
    EXPECT_EQ(W.Host(), W.ServerFor(QStringLiteral("org")));
}

TEST(WhoIsServerChoice, AddressesGoToTheDefaultServer)
{
    TVxWhoIs W;
    W.SetServerList({QStringLiteral("*=whois.example.net")});
    W.SetDomain(QStringLiteral("192.0.2.1"));
    EXPECT_EQ(W.Host(), TVxWhoIs::DefaultServer());
    W.SetDomain(QStringLiteral("192.0.2"));  // not an address: label "2", not listed
    EXPECT_EQ(W.Host(), QStringLiteral("whois.example.net"));
    W.SetDomain(QStringLiteral("192.0.2.256"));
    EXPECT_EQ(W.Host(), QStringLiteral("whois.example.net"));
}

TEST(WhoIsServerChoice, ChoosesOnlyWhenTheDomainChanges)
{
    TVxWhoIs W;
    W.SetDomain(QStringLiteral("example.de"));
    W.SetServerList({QStringLiteral("de=whois.other.example")});
    W.SetDomain(QStringLiteral("example.de"));
    EXPECT_EQ(W.Host(), TVxWhoIs::BuiltInServerList().filter(QStringLiteral("de=")).first().mid(3));
    W.SetDomain(QStringLiteral("EXAMPLE.DE"));  // a different value: chooses again, key case ignored
    EXPECT_EQ(W.Host(), QStringLiteral("whois.other.example"));

    TVxWhoIs Manual;
    Manual.SetAutoSelectServer(false);
    Manual.SetAddress(QStringLiteral("127.0.0.1"));
    Manual.SetPort(4343);
    Manual.SetDomain(QStringLiteral("example.de"));
    EXPECT_EQ(Manual.Host(), QString());
    EXPECT_EQ(Manual.Address(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(Manual.Port(), 4343);
}

TEST(WhoIsServerChoice, FallsBackToTheDefaultServer)
{
    TVxWhoIs W;
    W.SetServerList({QStringLiteral("de=whois.denic.de")});  // no "*" entry
    W.SetDomain(QStringLiteral("example.zz"));
    EXPECT_EQ(W.Host(), TVxWhoIs::DefaultServer());
    // A server given as an address is stored as the address; Host then reads empty and
    // the "*" entry takes over.
    W.SetServerList({QStringLiteral("zz=192.0.2.43"), QStringLiteral("*=whois.star.example")});
    W.SetDomain(QStringLiteral("example.zz"));
    EXPECT_EQ(W.Host(), TVxWhoIs::DefaultServer());  // same domain: nothing happened
    W.SetDomain(QStringLiteral("other.zz"));
    EXPECT_EQ(W.Host(), QStringLiteral("whois.star.example"));
}

TEST(WhoIsWire, SendsTheDomainAndReturnsTheRecordUnchanged)
{
    const QByteArray Record = "Domain Name: EXAMPLE.ORG\r\n% 401 lines\r\n\x01\xff end\r\n";
    TScriptedServer Server([&](TConnection& C) {
        C.ReadUntil("\r\n\r\n");
        C.Send(Record);
        C.Close();
    });
    TVxWhoIs W;
    W.SetDomain(QStringLiteral("example.org"));
    W.SetAddress(QStringLiteral("127.0.0.1"));
    W.SetPort(Server.Port());
    EXPECT_EQ(W.Execute(), QString::fromLatin1(Record));
    EXPECT_EQ(Server.Received(), QByteArray("example.org\r\nProxy-Connection: Keep-Alive\r\n\r\n"));
}

TEST(WhoIsWire, SendsInternationalNamesInTheirAsciiForm)
{
    TVxWhoIs W;
    W.SetAutoSelectServer(false);
    W.SetDomain(QString::fromUtf8("b\xc3\xbc" "cher.de"));
    EXPECT_EQ(W.GetQuery(), QStringLiteral("xn--bcher-kva.de\r\n"));
}
