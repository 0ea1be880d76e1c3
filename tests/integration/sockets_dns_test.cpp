// DNS queries against dnsmasq answering from its own records on 127.0.0.1.
#include <vedidoredo/VxIDNS.h>
#include <vedidoredo/VxIDNSReply.h>

#include "support/peer_process.h"

#include <QHostAddress>
#include <QUdpSocket>

#include <chrono>
#include <thread>

namespace {

class DnsmasqTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        VX_REQUIRE_PROGRAM(Dnsmasq, "dnsmasq");
        Port = vxtest::FreeLocalPort();
        ASSERT_NE(Port, 0);
        QByteArray Conf = QStringLiteral("port=%1\n"
                                         "listen-address=127.0.0.1\n"
                                         "bind-interfaces\n"
                                         "no-resolv\n"
                                         "no-hosts\n"
                                         "no-poll\n"
                                         "pid-file=%2/dnsmasq.pid\n"
                                         "user=root\n"
                                         "host-record=www.example.test,192.0.2.10\n"
                                         "host-record=mail.example.test,192.0.2.25\n"
                                         "mx-host=example.test,mail.example.test,10\n"
                                         "txt-record=example.test,\"v=spf1 -all\",\"second string\"\n"
                                         "ptr-record=10.2.0.192.in-addr.arpa,www.example.test\n")
                              .arg(Port)
                              .arg(Daemon.Dir())
                              .toLocal8Bit();
        // More text than one datagram of 512 bytes holds: the reply comes truncated.
        for (int i = 0; i < 30; ++i)
            Conf += QStringLiteral("txt-record=big.example.test,\"%1-%2\"\n")
                        .arg(QString(60, QLatin1Char('x')))
                        .arg(i, 2, 10, QLatin1Char('0'))
                        .toLocal8Bit();
        const QString Path = Daemon.WriteFile(QStringLiteral("dnsmasq.conf"), Conf);
        ASSERT_TRUE(Daemon.Start(Dnsmasq, {QStringLiteral("-k"), QStringLiteral("-C"), Path,
                                           QStringLiteral("--log-facility=-")}));
        // Ready when it answers.
        for (int Try = 0; Try < 40 && Daemon.Running(); ++Try) {
            try {
                if (!Ask(QStringLiteral("www.example.test"), irA, 250).isEmpty())
                    return;
            } catch (const EVxError&) {
                // not answering yet
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        FAIL() << "dnsmasq did not answer: " << Daemon.Log().toStdString();
    }

    QString Ask(const QString& Name, TVxIDNSRequests Kinds, int TimeoutMs = 3000)
    {
        TVxIDNSResolver R;
        R.SetAddress(QStringLiteral("127.0.0.1"));
        R.SetPort(Port);
        R.SetTimeout(TimeoutMs);
        R.SetDomain(Name);
        R.SetRequests(Kinds);
        const QString Reply = R.Execute();
        return VxDecodeDNSReply(Reply).Valid ? Reply : QString();
    }

    TVxDNSReply Decoded(const QString& Name, TVxIDNSRequests Kinds)
    {
        const QString Raw = Ask(Name, Kinds);
        EXPECT_FALSE(Raw.isEmpty()) << "no reply for " << Name.toStdString();
        const TVxDNSReply R = VxDecodeDNSReply(Raw);
        EXPECT_EQ(R.RCode(), 0);
        return R;
    }

    static QStringList AnswerLines(const TVxDNSReply& R)
    {
        QStringList Lines;
        for (const TVxDNSRecord& Rec : R.Answers)
            Lines << Rec.Text().section(QLatin1Char('\t'), 0, 0) + QLatin1Char(' ')
                         + Rec.Text().section(QLatin1Char('\t'), 2);  // without the TTL
        return Lines;
    }

    vxtest::TPeerProcess Daemon;
    quint16 Port = 0;
};

}  // namespace

TEST_F(DnsmasqTest, AnswersAddressAndMailExchangerQueries)
{
    EXPECT_EQ(AnswerLines(Decoded(QStringLiteral("www.example.test"), irA)),
              QStringList{QStringLiteral("www.example.test. IN\tA\t192.0.2.10")});
    const TVxDNSReply Mx = Decoded(QStringLiteral("example.test."), irMX);
    EXPECT_EQ(AnswerLines(Mx), QStringList{QStringLiteral("example.test. IN\tMX\t10 mail.example.test.")});
    ASSERT_EQ(Mx.Questions.size(), 1);
    EXPECT_EQ(Mx.Questions[0].Type, 15);
}

TEST_F(DnsmasqTest, AnswersTextAndPointerQueries)
{
    EXPECT_EQ(AnswerLines(Decoded(QStringLiteral("example.test"), irText)),
              QStringList{QStringLiteral("example.test. IN\tTXT\t\"v=spf1 -all\" \"second string\"")});
    // The address is turned into its in-addr.arpa name by the resolver.
    EXPECT_EQ(AnswerLines(Decoded(QStringLiteral("192.0.2.10"), irPTR)),
              QStringList{QStringLiteral("10.2.0.192.in-addr.arpa. IN\tPTR\twww.example.test.")});
    // A name already in that form is asked for as it is.
    EXPECT_EQ(AnswerLines(Decoded(QStringLiteral("10.2.0.192.in-addr.arpa"), irPTR)),
              QStringList{QStringLiteral("10.2.0.192.in-addr.arpa. IN\tPTR\twww.example.test.")});
}

TEST_F(DnsmasqTest, FetchesATruncatedReplyOverTcp)
{
    const TVxDNSReply R = Decoded(QStringLiteral("big.example.test"), irText);
    EXPECT_FALSE(R.Truncated());
    EXPECT_EQ(R.Answers.size(), 30);
}

TEST_F(DnsmasqTest, ReportsAnUnknownName)
{
    const QString Raw = Ask(QStringLiteral("nothing.example.test"), irA);
    ASSERT_FALSE(Raw.isEmpty());
    const TVxDNSReply R = VxDecodeDNSReply(Raw);
    EXPECT_TRUE(R.Answers.isEmpty());
    EXPECT_NE(R.RCode(), 0);
}
