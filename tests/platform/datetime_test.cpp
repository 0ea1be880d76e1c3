#include <vedidoredo/platform/VxDateTime.h>
#include <vedidoredo/platform/VxException.h>

#include <gtest/gtest.h>

TEST(DateTime, EncodesDaysSince18991230)
{
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(EncodeDate(2023, 12, 25), 45285.0);
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
}

TEST(DateTime, RejectsFieldsOutOfRange)
{
    EXPECT_THROW(EncodeDate(2023, 13, 1), EVxConvertError);
    EXPECT_THROW(EncodeDate(2023, 4, 31), EVxConvertError);
    EXPECT_THROW(EncodeTime(25, 0, 0, 0), EVxConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EVxError);
}

TEST(DateTime, DecodesBackToFieldsWithMillisecondRounding)
{
    int Y, Mo, D, H, Mi, S, Ms;
    DecodeDateTime(EncodeDateTime(2023, 12, 25, 14, 30, 15, 7), Y, Mo, D, H, Mi, S, Ms);
    EXPECT_EQ(std::make_tuple(Y, Mo, D, H, Mi, S, Ms), std::make_tuple(2023, 12, 25, 14, 30, 15, 7));
    // A value a hair below midnight rounds into the next day, not to 24:00.
    DecodeDateTime(TDateTime(45285.0 - 1e-12), Y, Mo, D, H, Mi, S, Ms);
    EXPECT_EQ(std::make_tuple(D, H, Mi, S, Ms), std::make_tuple(25, 0, 0, 0, 0));
}

TEST(DateTime, ConvertsToQDateTimeKeepingWallClockFields)
{
    const TDateTime V = EncodeDateTime(2024, 2, 29, 23, 59, 58, 999);
    const QDateTime Q = DateTimeToQDateTime(V, Qt::UTC);
    EXPECT_EQ(Q.toString(Qt::ISODateWithMs), QStringLiteral("2024-02-29T23:59:58.999Z"));
    EXPECT_DOUBLE_EQ(QDateTimeToDateTime(Q), V);
    EXPECT_EQ(DateTimeToText(V), QStringLiteral("2024-02-29 23:59:58.999"));
}

TEST(DateTime, ReadsTextForms)
{
    TDateTime V;
    ASSERT_TRUE(TextToDateTime(QStringLiteral("2023-12-25 14:30:15"), V));
    EXPECT_EQ(DateTimeToText(V), QStringLiteral("2023-12-25 14:30:15.000"));
    ASSERT_TRUE(TextToDateTime(QStringLiteral("45285.5"), V));
    EXPECT_DOUBLE_EQ(V, 45285.5);
    EXPECT_FALSE(TextToDateTime(QStringLiteral("yesterday"), V));
    EXPECT_FALSE(TextToDateTime(QStringLiteral("2023-12-25 25:00:00"), V));
}
