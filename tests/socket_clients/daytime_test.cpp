#include <vedidoredo/VxITime.h>

#include "support/scripted_server.h"

#include <gtest/gtest.h>

using vxtest::TConnection;
using vxtest::TScriptedServer;

namespace {

QString Text(TDateTime V)
{
    return DateTimeToText(V);
}

}  // namespace

TEST(Daytime, DecodesTheFormatsDaytimeServersSend)
{
    const struct {
        const char* Answer;
        const char* Expected;
    } Cases[] = {
        // NIST, read whole: the last digit counts.
        {"\n60303 23-12-25 14:30:15 00 0 0 50.0 UTC(NIST) *\r\n", "2023-12-25 14:30:15.000"},
        {"60303 23-12-25 14:30:15", "2023-12-25 14:30:15.000"},
        // ctime/asctime, and date(1) with a zone: the server's clock as sent, or UTC.
        {"Tue Dec  8 13:39:35 2026\r\n", "2026-12-08 13:39:35.000"},
        {"Tue Dec 08 13:39:35 EST 2026", "2026-12-08 18:39:35.000"},
        // RFC 822/2822, converted to UTC when the zone is known.
        {"Tue, 08 Dec 2026 13:39:35 +0000", "2026-12-08 13:39:35.000"},
        {"08 Dec 2026 13:39:35 UTC", "2026-12-08 13:39:35.000"},
        {"Tue, 8 Dec 2026 13:39:35 +0130\r\n", "2026-12-08 12:09:35.000"},
        {"8 DEC 2026 13:39:35 CET", "2026-12-08 13:39:35.000"},
        // ISO 8601.
        {"2026-12-08T13:39:35Z", "2026-12-08 13:39:35.000"},
        {"2026-12-08 13:39:35.25-02:00", "2026-12-08 15:39:35.250"},
        {"20261208T133935Z", "2026-12-08 13:39:35.000"},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(Text(TVxInetDateTime::DecodeDaytime(QString::fromLatin1(C.Answer))), QLatin1String(C.Expected))
            << C.Answer;
}

TEST(Daytime, AnythingElseIsRefusedNeverAWrongDate)
{
    const char* const Answers[] = {
        "",                                          // empty
        "No answer from server",                     // a message, not a date
        "HTTP/1.0 400 Bad request\r\n",
        "60303 23-12-26 14:30:15",                   // the day number names another date
        "60303 23-13-25 14:30:15",                   // month 13
        "Wed Dec  8 13:39:35 2026",                  // 8 Dec 2026 is a Tuesday
        "Tue, 08 Dec 2026 25:39:35 +0000",
        "2026-02-30T10:00:00Z",
        "2026-12-08T13:39:35Z\r\n2026-12-08T13:39:36Z",  // two lines
        "0 7-1-2 3:4:5 ",                            // what the loose reading took as 2007
    };
    for (const char* A : Answers) {
        try {
            TVxInetDateTime::DecodeDaytime(QString::fromLatin1(A));
            ADD_FAILURE() << "accepted: " << A;
        } catch (const EVxConvertError& E) {
            EXPECT_TRUE(E.Message().startsWith(QLatin1String("unrecognised daytime answer: \""))) << A;
        }
    }
    // The answer is quoted with its control characters shown, and cut when long.
    try {
        TVxInetDateTime::DecodeDaytime(QStringLiteral("bad\r\n") + QString(100, QLatin1Char('x')));
    } catch (const EVxConvertError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("unrecognised daytime answer: \"bad\\r\\n") + QString(55, QLatin1Char('x')) +
                                   QStringLiteral("\"..."));
    }
}

TEST(Daytime, EveryReadAsksTheServerAgain)
{
    int Served = 0;
    TScriptedServer Server(
        [&Served](TConnection& C) {
            ++Served;
            C.Send(Served % 2 ? "\n60303 23-12-25 14:30:15 00 0 0 50.0 UTC(NIST) *\r\n"
                              : "\n60304 23-12-26 00:00:01 00 0 0 50.0 UTC(NIST) *\r\n");
            C.Close();
        },
        4);
    TVxInetDateTime D;
    EXPECT_EQ(D.Port(), 13);
    EXPECT_FALSE(D.Host().isEmpty());
    D.SetHost(QStringLiteral("127.0.0.1"));
    D.SetPort(Server.Port());
    D.SetTimeout(5000);
    EXPECT_EQ(Text(D.DateTime()), QStringLiteral("2023-12-25 14:30:15.000"));
    EXPECT_EQ(Text(D.GetDateTime()), QStringLiteral("2023-12-26 00:00:01.000"));
    // The property read by name runs the exchange too.
    EXPECT_EQ(Text(D.property("DateTime").value<TDateTime>()), QStringLiteral("2023-12-25 14:30:15.000"));
    EXPECT_EQ(Server.Connections(), 3);

    // An answer that is no date raises, naming the server.
    TScriptedServer Garbage([](TConnection& C) {
        C.Send("garbage\r\n");
        C.Close();
    });
    D.SetPort(Garbage.Port());
    try {
        D.DateTime();
        ADD_FAILURE() << "no exception";
    } catch (const EVxConvertError& E) {
        EXPECT_EQ(E.Message(), QStringLiteral("unrecognised daytime answer: \"garbage\\r\\n\" (127.0.0.1:%1)")
                                   .arg(Garbage.Port()));
    }
}
