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

TEST(Daytime, DecodesNistStyleLines)
{
    EXPECT_EQ(Text(TVxInetDateTime::DecodeDaytime(
                  QStringLiteral("\n60303 23-12-25 14:30:15 00 0 0 50.0 UTC(NIST) *\r\n"))),
              QStringLiteral("2023-12-25 14:30:15.000"));
    // Nothing to read: every field is 1 and the year widens to 2001.
    EXPECT_EQ(Text(TVxInetDateTime::DecodeDaytime(QString())), QStringLiteral("2001-01-01 01:01:01.000"));
    EXPECT_EQ(Text(TVxInetDateTime::DecodeDaytime(QStringLiteral("No answer from server"))),
              QStringLiteral("2001-01-01 01:01:01.000"));
    // The last character is never read, so a final digit is lost.
    EXPECT_EQ(Text(TVxInetDateTime::DecodeDaytime(QStringLiteral("x 2024-02-29 10:20:35"))),
              QStringLiteral("2024-02-29 10:20:03.000"));
    // Years widen: one digit 200Y, three digits 2YYY, four stay.
    EXPECT_EQ(Text(TVxInetDateTime::DecodeDaytime(QStringLiteral("0 7-1-2 3:4:5 "))),
              QStringLiteral("2007-01-02 03:04:05.000"));
    EXPECT_EQ(Text(TVxInetDateTime::DecodeDaytime(QStringLiteral("0 999-1-2 3:4:5 "))),
              QStringLiteral("2999-01-02 03:04:05.000"));
    EXPECT_EQ(Text(TVxInetDateTime::DecodeDaytime(QStringLiteral("0 1999-1-2 3:4:5 "))),
              QStringLiteral("1999-01-02 03:04:05.000"));
}

TEST(Daytime, FieldsOutOfRangeFailWithAConversionError)
{
    EXPECT_THROW(TVxInetDateTime::DecodeDaytime(QStringLiteral("0 23-13-25 14:30:15 ")), EVxConvertError);
    EXPECT_THROW(TVxInetDateTime::DecodeDaytime(QStringLiteral("0 23-12-25 25:30:15 ")), EVxConvertError);
    EXPECT_THROW(TVxInetDateTime::DecodeDaytime(QStringLiteral("0 23-12-25 1:2:99999999999999 ")),
                 EVxConvertError);
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
}
