#include <vedidoredo/VxIDNS.h>
#include <vedidoredo/VxIDNSReply.h>

#include "socket_clients/VxDNSQuery.h"
#include "socket_test_helpers.h"
#include "support/scripted_server.h"

#include <QUdpSocket>

#include <gtest/gtest.h>

using vxtest::TConnection;
using vxtest::TScriptedServer;
using vxtest::TScriptedUdpServer;

namespace {

const QByteArray Header = QByteArray("\x12\x34\x01\x00", 4);

// BuildQuery with the ID the expectations below are written for.
QByteArray BuildQuery(const QString& Domain, TVxIDNSRequests Requests)
{
    return VxDNSQuery::BuildQuery(Domain, Requests, 0x1234);
}

// A reply to Request: its ID, then Rest (a reply built with ReplyHeader, ID replaced).
QByteArray Answering(const QByteArray& Request, const QByteArray& Reply)
{
    return Request.left(2) + Reply.mid(2);
}

QByteArray Count(int N)
{
    return QByteArray(1, char(N >> 8)) + QByteArray(1, char(N & 0xFF)) + QByteArray(6, '\0');
}

QByteArray U16(int V)
{
    return QByteArray(1, char((V >> 8) & 0xFF)) + QByteArray(1, char(V & 0xFF));
}

QByteArray U32(quint32 V)
{
    return U16(int(V >> 16)) + U16(int(V & 0xFFFF));
}

QByteArray Name(const QByteArray& Dotted)
{
    QByteArray Out;
    for (const QByteArray& L : Dotted.split('.'))
        if (!L.isEmpty())
            Out += char(L.size()) + L;
    return Out + '\0';
}

QByteArray Rr(const QByteArray& Owner, int Type, quint32 Ttl, const QByteArray& Data)
{
    return Owner + U16(Type) + U16(1) + U32(Ttl) + U16(int(Data.size())) + Data;
}

// A reply header: id 0x1234, QR RD RA, the given counts.
QByteArray ReplyHeader(int QD, int AN, int NS, int AR, int ExtraFlags = 0)
{
    return QByteArray("\x12\x34", 2) + U16(0x8180 | ExtraFlags) + U16(QD) + U16(AN) + U16(NS) + U16(AR);
}

}  // namespace

TEST(DnsQuery, WritesOneQuestionPerKindInOrdinalOrder)
{
    const QByteArray Q = BuildQuery(QStringLiteral("example.org"), irMX | irA);
    const QByteArray Labels("\x07" "example" "\x03" "org" "\x00", 13);
    EXPECT_EQ(Q, Header + Count(2) + Labels + QByteArray("\x00\x01\x00\x01", 4) + Labels
                     + QByteArray("\x00\x0f\x00\x01", 4));
    // A trailing dot adds nothing.
    EXPECT_EQ(BuildQuery(QStringLiteral("example.org."), irMX | irA), Q);

    const QByteArray All = BuildQuery(QStringLiteral("a"), irAll);
    EXPECT_EQ(All, Header + Count(1) + QByteArray("\x01" "a" "\x00" "\x00\xff\x00\x01", 7));

    // Every kind maps to its QTYPE.
    const int Expected[] = {255, 1, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 252, 253};
    for (int i = 0; i < VxDNSRequestCount; ++i)
        EXPECT_EQ(VxDNSRequestQType(VxDNSRequestOfOrdinal(i)), Expected[i]);
}

TEST(DnsQuery, ReversesThePointerName)
{
    const QByteArray Q = BuildQuery(QStringLiteral("192.0.2.1"), irPTR);
    EXPECT_EQ(Q, Header + Count(1)
                     + QByteArray("\x01" "1" "\x01" "2" "\x01" "0" "\x03" "192" "\x07" "in-addr" "\x04" "arpa"
                                  "\x00" "\x00\x0c\x00\x01",
                                  28));
    // A name already in reverse form is asked for as it stands.
    const QByteArray Labels("\x01" "1" "\x01" "2" "\x01" "0" "\x03" "192" "\x07" "in-addr" "\x04" "arpa" "\x00", 24);
    EXPECT_EQ(BuildQuery(QStringLiteral("1.2.0.192.in-addr.arpa"), irPTR), Q);
    EXPECT_EQ(BuildQuery(QStringLiteral("1.2.0.192.IN-ADDR.ARPA."), irPTR).mid(12, 5), Labels.left(5));
    EXPECT_TRUE(BuildQuery(QStringLiteral("b.a.ip6.arpa"), irPTR).contains("\x01" "b" "\x01" "a" "\x03" "ip6" "\x04" "arpa\x00"));
    // Other kinds in the same query keep the name's order.
    const QByteArray Both = BuildQuery(QStringLiteral("192.0.2.1"), irA | irPTR);
    EXPECT_TRUE(Both.contains(QByteArray("\x03" "192" "\x01" "0" "\x01" "2" "\x01" "1" "\x00" "\x00\x01", 13)));
}

TEST(DnsQuery, RefusesNamesThatAreNotDnsNames)
{
    const QString Long = QString(64, QLatin1Char('a')) + QStringLiteral(".example");
    EXPECT_THROW(BuildQuery(Long, irA), EVxConvertError);
    EXPECT_NO_THROW(BuildQuery(QString(63, QLatin1Char('a')), irA));
    QStringList Many;
    for (int i = 0; i < 5; ++i)
        Many << QString(60, QLatin1Char('b'));
    EXPECT_THROW(BuildQuery(Many.join(QLatin1Char('.')), irA), EVxConvertError);
    // International names go out in their ASCII form.
    EXPECT_TRUE(BuildQuery(QString::fromUtf8("b\xc3\xbc" "cher.de"), irA)
                    .contains("\x0dxn--bcher-kva\x02" "de"));
}

TEST(DnsQuery, IsEmptyWithNothingToAsk)
{
    TVxIDNSResolver R;
    EXPECT_EQ(R.Port(), 53);
    R.SetDomain(QStringLiteral("example.org"));
    R.SetAddress(QStringLiteral("127.0.0.1"));
    EXPECT_EQ(R.GetQuery(), QString());  // no kinds
    R.SetRequests(irA);
    EXPECT_FALSE(R.GetQuery().isEmpty());
    R.SetDomain(QString());
    EXPECT_EQ(R.GetQuery(), QString());
    R.SetDomain(QStringLiteral("example.org"));
    R.SetAddress(QString());
    EXPECT_EQ(R.GetQuery(), QString());  // no server
}

TEST(DnsWire, SendsTheMessageAsOneDatagramAndReturnsTheRawReply)
{
    const QByteArray Answer = ReplyHeader(1, 1, 0, 0) + Name("example.org") + U16(1) + U16(1)
                              + Rr(QByteArray("\xc0\x0c", 2), 1, 300, QByteArray("\xc0\x00\x02\x00", 4));
    TScriptedUdpServer Server([&](const QByteArray& Q) { return Answering(Q, Answer); });
    TVxIDNSResolver R;
    R.SetAddress(QStringLiteral("127.0.0.1"));
    R.SetPort(Server.Port());
    R.SetDomain(QStringLiteral("example.org"));
    R.SetRequests(irA);
    const QString Got = R.Execute();
    ASSERT_EQ(Server.Received().size(), 1u);
    const QByteArray Sent = Server.Received()[0];
    EXPECT_EQ(Got, Bytes(Answering(Sent, Answer)));  // zero bytes included
    EXPECT_EQ(Sent.mid(2), BuildQuery(QStringLiteral("example.org"), irA).mid(2));
    EXPECT_EQ(VxDecodeDNSReply(Got).Records(), QStringList{QStringLiteral("example.org.\t300\tIN\tA\t192.0.2.0")});
}

TEST(DnsWire, TakesOnlyTheReplyWithTheQuerysIdFromTheServer)
{
    const QByteArray Answer = ReplyHeader(1, 0, 0, 0) + Name("example.org") + U16(1) + U16(1);
    std::vector<QByteArray> Ids;
    TScriptedUdpServer Server(
        [&](const QByteArray& Q, quint16 ClientPort) {
            Ids.push_back(Q.left(2));
            // The right ID from another port, then a wrong ID from the server's port.
            QUdpSocket Other;
            Other.writeDatagram(Answering(Q, Answer) + "spoofed", QHostAddress::LocalHost, ClientPort);
            QByteArray WrongId = Answering(Q, Answer) + "wrong id";
            WrongId[1] = char(WrongId[1] ^ 0x01);
            return QList<QByteArray>{WrongId, Answering(Q, Answer)};
        },
        3);
    TVxIDNSResolver R;
    R.SetAddress(QStringLiteral("127.0.0.1"));
    R.SetPort(Server.Port());
    R.SetDomain(QStringLiteral("example.org"));
    R.SetRequests(irA);
    for (int I = 0; I < 3; ++I) {
        const QString Got = R.Execute();
        ASSERT_EQ(Ids.size(), size_t(I + 1));
        EXPECT_EQ(Got, Bytes(Ids.back() + Answer.mid(2)));
    }
    // Each query has an ID of its own.
    EXPECT_FALSE(Ids[0] == Ids[1] && Ids[1] == Ids[2]);

    // Nothing but mismatched replies: the wait ends with the time limit.
    TScriptedUdpServer Silent([&](const QByteArray& Q) {
        QByteArray WrongId = Answering(Q, Answer);
        WrongId[0] = char(WrongId[0] ^ 0x80);
        return WrongId;
    });
    R.SetPort(Silent.Port());
    R.SetTimeout(300);
    try {
        R.Execute();
        ADD_FAILURE() << "no exception";
    } catch (const EVxSocketError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("Waiting for a reply: the operation timed out (127.0.0.1:%1)")
                                   .arg(Silent.Port()));
    }
}

TEST(DnsWire, RepeatsATruncatedQueryOverTcpAndChecksItsId)
{
    const QByteArray Query = BuildQuery(QStringLiteral("big.example"), irText);
    const QByteArray Full = ReplyHeader(0, 1, 0, 0) + Rr(Name("big.example"), 16, 60, "\x05hello");
    // The first stream reply answers with the query's ID, the second with another.
    int Served = 0;
    TScriptedServer Tcp(
        [&](TConnection& C) {
            const QByteArray Len = C.ReadCount(2);
            const QByteArray Asked = C.ReadCount((quint8(Len[0]) << 8) | quint8(Len[1]));
            QByteArray Reply = Asked.left(2) + Full.mid(2);
            if (++Served == 2)
                Reply[1] = char(Reply[1] ^ 0x01);
            C.Send(U16(int(Reply.size())) + Reply);
            C.Close();
        },
        2);
    TScriptedUdpServer Udp(Tcp.Port(), [](const QByteArray& Q) { return Answering(Q, ReplyHeader(0, 0, 0, 0, 0x0200)); },
                           2);
    if (!Udp.Bound())
        GTEST_SKIP() << "the UDP port of the same number is taken";
    TVxIDNSResolver R;
    R.SetAddress(QStringLiteral("127.0.0.1"));
    R.SetPort(Tcp.Port());
    R.SetDomain(QStringLiteral("big.example"));
    R.SetRequests(irText);
    const QString Got = R.Execute();
    EXPECT_EQ(Got.mid(2), Bytes(Full.mid(2)));
    EXPECT_EQ(Tcp.Received().mid(4), Query.mid(2));
    EXPECT_THROW(R.Execute(), EVxError);
}

TEST(DnsWire, RefusesALongLabelBeforeSending)
{
    TScriptedUdpServer Server([](const QByteArray&) { return QByteArray("x"); });
    TVxIDNSResolver R;
    R.SetAddress(QStringLiteral("127.0.0.1"));
    R.SetPort(Server.Port());
    R.SetDomain(QString(64, QLatin1Char('x')) + QStringLiteral(".org"));
    R.SetRequests(irA);
    try {
        R.Execute();
        ADD_FAILURE() << "no exception";
    } catch (const EVxConvertError& E) {
        EXPECT_TRUE(E.Message().contains(QLatin1String("63")));
    }
    EXPECT_TRUE(Server.Received().empty());
}

TEST(DnsReply, DecodesRecordsInZoneFileForm)
{
    // Question example.org MX; answers use compression back into the question.
    QByteArray M = ReplyHeader(1, 3, 1, 2) + Name("example.org") + U16(15) + U16(1);
    const QByteArray Ptr("\xc0\x0c", 2);
    M += Rr(Ptr, 15, 3600, U16(10) + QByteArray("\x04mail\xc0\x0c", 7));
    M += Rr(Ptr, 16, 60, QByteArray("\x05hello\x0bquote\"back\\", 18));
    M += Rr(Ptr, 28, 60, QByteArray("\x20\x01\x0d\xb8", 4) + QByteArray(11, '\0') + "\x01");
    M += Rr(Ptr, 6, 900,
            Name("ns1.example.org") + Name("admin.example.org") + U32(2024010101) + U32(7200) + U32(900)
                + U32(1209600) + U32(300));
    M += Rr(Name("1.2.0.192.in-addr.arpa"), 12, 5, Name("host.example.org"));
    M += Rr(Ptr, 99, 1, QByteArray("\xab\xcd", 2));
    const TVxDNSReply R = VxDecodeDNSReply(M);
    ASSERT_TRUE(R.Valid) << R.Error.toStdString();
    EXPECT_EQ(R.RCode(), 0);
    ASSERT_EQ(R.Questions.size(), 1);
    EXPECT_EQ(R.Questions[0].Text(), QStringLiteral(";example.org.\tIN\tMX"));
    EXPECT_EQ(R.Records(), (QStringList{
                               QStringLiteral("example.org.\t3600\tIN\tMX\t10 mail.example.org."),
                               QStringLiteral("example.org.\t60\tIN\tTXT\t\"hello\" \"quote\\\"back\\\\\""),
                               QStringLiteral("example.org.\t60\tIN\tAAAA\t2001:db8::1"),
                               QStringLiteral("example.org.\t900\tIN\tSOA\tns1.example.org. admin.example.org. "
                                              "2024010101 7200 900 1209600 300"),
                               QStringLiteral("1.2.0.192.in-addr.arpa.\t5\tIN\tPTR\thost.example.org."),
                               QStringLiteral("example.org.\t1\tIN\tTYPE99\t\\# 2 abcd"),
                           }));
}

TEST(DnsReply, StopsCleanlyOnMalformedMessages)
{
    const QByteArray Good = ReplyHeader(1, 1, 0, 0) + Name("a.example") + U16(1) + U16(1)
                            + Rr(QByteArray("\xc0\x0c", 2), 1, 1, QByteArray("\x01\x02\x03\x04", 4));
    for (int Cut = 0; Cut < Good.size(); ++Cut) {
        const TVxDNSReply R = VxDecodeDNSReply(Good.left(Cut));
        EXPECT_FALSE(R.Valid) << Cut;
        EXPECT_FALSE(R.Error.isEmpty());
    }
    EXPECT_TRUE(VxDecodeDNSReply(Good).Valid);
    // A pointer to itself or forwards would loop: refused.
    const QByteArray Loop = ReplyHeader(1, 0, 0, 0) + QByteArray("\xc0\x0c", 2) + U16(1) + U16(1);
    EXPECT_FALSE(VxDecodeDNSReply(Loop).Valid);
    // Record data that does not fill its length.
    const QByteArray Short = ReplyHeader(0, 1, 0, 0) + Rr(Name("x"), 1, 1, QByteArray("\x01\x02\x03", 3));
    const TVxDNSReply R = VxDecodeDNSReply(Short);
    EXPECT_TRUE(R.Valid);
    EXPECT_EQ(R.Records(), QStringList{QStringLiteral("x.\t1\tIN\tA\t\\# 3 010203")});
    const QByteArray Overrun = ReplyHeader(0, 1, 0, 0) + Rr(Name("x"), 15, 1, U16(5) + Name("mx") + "zz");
    EXPECT_FALSE(VxDecodeDNSReply(Overrun).Valid);
}
