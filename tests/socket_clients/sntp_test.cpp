#include <vedidoredo/VxISNTP.h>
#include <vedidoredo/platform/VxDateTime.h>

#include "socket_test_helpers.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using vxtest::TScriptedUdpServer;

namespace {

constexpr double TwoTo32 = 4294967296.0;

void Put32(QByteArray& M, int Offset, quint32 V)
{
    for (int i = 0; i < 4; ++i)
        M[Offset + i] = char((V >> (24 - 8 * i)) & 0xFF);
}

quint32 Get32(const QByteArray& M, int Offset)
{
    quint32 V = 0;
    for (int i = 0; i < 4; ++i)
        V = (V << 8) | quint8(M[Offset + i]);
    return V;
}

// A reply; to Request when given (its transmit time echoed as the originate time).
QByteArray Reply(quint32 Seconds, quint32 Fraction, int Stratum = 2, int Leap = 0, const QByteArray& Request = {})
{
    QByteArray M(48, '\0');
    if (Request.size() >= 48)
        M.replace(24, 8, Request.mid(40, 8));
    M[0] = char((Leap << 6) | (3 << 3) | 4);
    M[1] = char(Stratum);
    Put32(M, 40, Seconds);
    Put32(M, 44, Fraction);
    return M;
}

// Seconds since 1900-01-01 UTC of a UTC date-time.
quint32 NtpSeconds(int Y, int Mo, int D, int H, int Mi, int S)
{
    return quint32(std::llround((double(EncodeDateTime(Y, Mo, D, H, Mi, S, 0)) - 2.0) * 86400.0));
}

}  // namespace

TEST(SntpConversion, SwapsBytesAndReadsUnsignedTimestamps)
{
    EXPECT_EQ(TVxInetSNTP::SwapBytes(0x11223344), 0x44332211);
    EXPECT_EQ(quint32(TVxInetSNTP::SwapBytes(qint32(0x801020F0u))), 0xF0201080u);

    TZGuard Utc("UTC");
    EXPECT_DOUBLE_EQ(TVxInetSNTP::TimeZoneBias(), 0.0);
    // 2024-02-29 12:00:00 UTC has the top bit set: read unsigned, it is 2024, not 1888.
    const quint32 S = NtpSeconds(2024, 2, 29, 12, 0, 0);
    ASSERT_GE(S, 0x80000000u);
    EXPECT_EQ(DateTimeToText(TVxInetSNTP::NTPTimestamp2DateTime(qint32(S), 0)),
              QStringLiteral("2024-02-29 12:00:00.000"));
    EXPECT_EQ(DateTimeToText(TVxInetSNTP::NTPTimestamp2DateTime(qint32(S), qint32(0x80000000u))),
              QStringLiteral("2024-02-29 12:00:00.500"));
    // The largest fraction is cut to 999 ms, never carried into the next second.
    EXPECT_EQ(DateTimeToText(TVxInetSNTP::NTPTimestamp2DateTime(qint32(S), qint32(0xFFFFFFFFu))),
              QStringLiteral("2024-02-29 12:00:00.999"));
}

TEST(SntpConversion, GivesLocalTimeOfTheZone)
{
    TZGuard Plus2("XXX-2");  // two hours east of UTC, no daylight saving
    EXPECT_DOUBLE_EQ(TVxInetSNTP::TimeZoneBias(), -120.0 / 1440.0);
    const QByteArray R = Reply(NtpSeconds(2023, 6, 1, 12, 0, 0), 0, 1);
    EXPECT_EQ(DateTimeToText(TVxInetSNTP::DecodeReply(Bytes(R))), QStringLiteral("2023-06-01 14:00:00.000"));
}

TEST(SntpConversion, RejectsRepliesThatFailTheChecks)
{
    TZGuard Utc("UTC");
    const quint32 S = NtpSeconds(2023, 6, 1, 12, 0, 0);
    EXPECT_NE(double(TVxInetSNTP::DecodeReply(Bytes(Reply(S, 0, 1)))), 0.0);
    EXPECT_NE(double(TVxInetSNTP::DecodeReply(Bytes(Reply(S, 0, 15, 2)))), 0.0);
    EXPECT_EQ(double(TVxInetSNTP::DecodeReply(Bytes(Reply(S, 0, 1, 3)))), 0.0);  // unsynchronised
    EXPECT_EQ(double(TVxInetSNTP::DecodeReply(Bytes(Reply(S, 0, 0)))), 0.0);
    EXPECT_EQ(double(TVxInetSNTP::DecodeReply(Bytes(Reply(S, 0, 16)))), 0.0);
    EXPECT_EQ(double(TVxInetSNTP::DecodeReply(Bytes(Reply(0, 0, 1)))), 0.0);
    EXPECT_NE(double(TVxInetSNTP::DecodeReply(Bytes(Reply(0, 1, 1)))), 0.0);  // fraction alone counts
    EXPECT_EQ(double(TVxInetSNTP::DecodeReply(Bytes(Reply(S, 0, 1).left(47)))), 0.0);
    EXPECT_EQ(double(TVxInetSNTP::DecodeReply(QStringLiteral("No answer from server"))), 0.0);
}

TEST(SntpQuery, IsTheFortyEightByteClientMessageWithTheClock)
{
    TZGuard Utc("UTC");
    TVxInetSNTP S;
    EXPECT_EQ(S.Port(), 123);
    EXPECT_FALSE(S.Host().isEmpty());
    const TDateTime Before = Now();
    const QByteArray Q = S.GetQuery().toLatin1();
    ASSERT_EQ(Q.size(), 48);
    EXPECT_EQ(quint8(Q[0]), 0x1B);
    EXPECT_EQ(Q.mid(1, 39), QByteArray(39, '\0'));
    // The transmit time is the local clock in UTC; reading it back gives the same moment.
    const double Sent = Get32(Q, 40) + Get32(Q, 44) / TwoTo32;
    EXPECT_NEAR(Sent / 86400.0 + 2.0, double(Before), 5.0 / 86400.0);
}

TEST(SntpWire, TakesOnlyTheReplyToItsRequest)
{
    TZGuard Utc("UTC");
    const quint32 Secs = NtpSeconds(2030, 1, 2, 3, 4, 5);
    // A reply that does not echo the request, a short one, then the reply to it.
    TScriptedUdpServer Server([&](const QByteArray& Q, quint16) {
        return QList<QByteArray>{Reply(Secs + 99, 0, 1), QByteArray(47, '\x01'), Reply(Secs, 0x40000000u, 1, 0, Q)};
    });
    TVxInetSNTP S;
    S.SetAddress(QStringLiteral("127.0.0.1"));
    S.SetPort(Server.Port());
    EXPECT_EQ(DateTimeToText(S.DateTime()), QStringLiteral("2030-01-02 03:04:05.250"));
    const auto Got = Server.Received();
    ASSERT_EQ(Got.size(), 1u);
    EXPECT_EQ(Got[0].size(), 48);  // the message alone, no header block
    EXPECT_EQ(quint8(Got[0][0]), 0x1B);
}

TEST(SntpWire, FailuresAndRefusedRepliesRaiseNamingTheServer)
{
    TZGuard Utc("UTC");
    const quint32 Secs = NtpSeconds(2030, 1, 2, 3, 4, 5);
    const struct {
        std::function<QList<QByteArray>(const QByteArray&)> Replies;
        const char* Message;  // %1: the server
        bool SocketError;
    } Cases[] = {
        {[](const QByteArray&) { return QList<QByteArray>(); },
         "Waiting for a reply: the operation timed out (%1)", true},
        {[](const QByteArray&) { return QList<QByteArray>{QByteArray(47, '\x01')}; },
         "Waiting for a reply: the operation timed out; 1 datagram(s) ignored, the last: 47 bytes, too short "
         "for an SNTP message of 48 (%1)", true},
        {[&](const QByteArray& Q) { return QList<QByteArray>{Reply(Secs, 0, 1, 3, Q)}; },
         "SNTP reply refused: the server's clock is not synchronised (leap indicator 3) (%1)", false},
        {[&](const QByteArray& Q) { return QList<QByteArray>{Reply(Secs, 0, 16, 0, Q)}; },
         "SNTP reply refused: stratum 16 (a server gives 1 to 15) (%1)", false},
        {[&](const QByteArray& Q) { return QList<QByteArray>{Reply(0, 0, 1, 0, Q)}; },
         "SNTP reply refused: no transmit time (%1)", false},
    };
    for (const auto& C : Cases) {
        TScriptedUdpServer Server([&](const QByteArray& Q, quint16) { return C.Replies(Q); });
        TVxInetSNTP S;
        S.SetTimeout(300);
        S.SetAddress(QStringLiteral("127.0.0.1"));
        S.SetPort(Server.Port());
        int Errors = 0;
        S.SetOnError([&](QObject*, TVxClientSocket*, TVxErrorEvent Kind, int&) {
            EXPECT_EQ(Kind, eeReceive);
            ++Errors;
        });
        try {
            S.DateTime();
            ADD_FAILURE() << "no exception: " << C.Message;
        } catch (const EVxError& E) {
            EXPECT_EQ(E.Message(), QString::fromLatin1(C.Message).arg(QStringLiteral("127.0.0.1:%1").arg(Server.Port())));
            EXPECT_EQ(dynamic_cast<const EVxSocketError*>(&E) != nullptr, C.SocketError);
        }
        EXPECT_EQ(Errors, C.SocketError ? 1 : 0);
    }
}

TEST(SntpWire, AnUnknownHostIsRaised)
{
    TVxInetSNTP S;
    S.SetHost(QStringLiteral("no-such-host.invalid"));
    EXPECT_THROW(S.GetDateTime(), EVxSocketError);
    TVxInetSNTP NoTarget;
    NoTarget.SetHost(QString());
    EXPECT_THROW(NoTarget.GetDateTime(), EVxError);
}
