// The value syntax of `vx run NAME=VALUE`, kind by kind, read back with --read.
#include "tool_harness.h"

#include "VxConsole.h"

#include "platform/VxByteText.h"

#include <gtest/gtest.h>

namespace {

// Assigns and reads one property back; the output without its final line feed.
QByteArray SetAndRead(const QString& Assignment, const QString& Property)
{
    const VxResult R = RunVx({"run", "TVxTestComponent", Assignment, "--read", Property});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    EXPECT_TRUE(R.Out.endsWith('\n'));
    return R.Out.chopped(R.Out.endsWith('\n') ? 1 : 0);
}

int StatusOf(const QString& Assignment)
{
    return RunVx({"run", "TVxTestComponent", Assignment, "--read", "Text"}).Status;
}

}  // namespace

TEST(VxRunValues, TextTakesTheEscapesAndWritesBytes)
{
    EXPECT_EQ(SetAndRead("Text=a\\tb\\\\c", "Text"), QByteArray("a\tb\\c"));
    EXPECT_EQ(SetAndRead("Text=line\\r\\nnext", "Text"), QByteArray("line\r\nnext"));
    // \xHH is the character HH; printed back as that one byte.
    EXPECT_EQ(SetAndRead("Text=\\x00\\xff\\x41", "Text"), QByteArray("\x00\xff" "A", 3));
    // An equals sign after the first belongs to the value.
    EXPECT_EQ(SetAndRead("Text=a=b", "Text"), QByteArray("a=b"));
    EXPECT_EQ(SetAndRead("Text=", "Text"), QByteArray());
    // Characters above 255 have no byte of their own: UTF-8.
    EXPECT_EQ(SetAndRead(QStringLiteral("Text=\u00e9\u20ac"), "Text"), QByteArray("\xe9\xe2\x82\xac"));
}

TEST(VxRunValues, BadEscapesAreUsageErrors)
{
    for (const char* Bad : {"Text=\\q", "Text=ends\\", "Text=\\x4", "Text=\\x4g", "Text=\\x+1"}) {
        const VxResult R = RunVx({"run", "TVxTestComponent", Bad});
        EXPECT_EQ(R.Status, 64) << Bad;
        EXPECT_TRUE(R.Err.contains("Text")) << R.Err.toStdString();
    }
}

TEST(VxRunValues, IntegersAreDecimalWithinTheirType)
{
    EXPECT_EQ(SetAndRead("Count=2147483647", "Count"), "2147483647");
    EXPECT_EQ(SetAndRead("Big=-9223372036854775808", "Big"), "-9223372036854775808");
    EXPECT_EQ(SetAndRead("Count=+42", "Count"), "42");
    EXPECT_EQ(SetAndRead("Big=9007199254740993", "Big"), "9007199254740993");
    EXPECT_EQ(SetAndRead("Small=65535", "Small"), "65535");
    for (const char* Bad : {"Count=2147483648", "Big=9223372036854775808", "Count=0x10", "Count=1.5", "Count= 1", "Count=",
                            "Small=-1", "Small=65536"})
        EXPECT_EQ(StatusOf(Bad), 64) << Bad;
}

TEST(VxRunValues, BooleansAndNumbers)
{
    EXPECT_EQ(SetAndRead("Flag=true", "Flag"), "true");
    EXPECT_EQ(SetAndRead("Flag=false", "Flag"), "false");
    EXPECT_EQ(StatusOf("Flag=yes"), 64);
    EXPECT_EQ(StatusOf("Flag=1"), 64);
    EXPECT_EQ(SetAndRead("Ratio=0.1", "Ratio"), "0.1");
    EXPECT_EQ(StatusOf("Ratio=inf"), 64);
}

TEST(VxRunValues, EnumerationsByName)
{
    EXPECT_EQ(SetAndRead("Method=tmHead", "Method"), "tmHead");
    const VxResult R = RunVx({"run", "TVxTestComponent", "Method=tmPut"});
    EXPECT_EQ(R.Status, 64);
    // The message names the value and what would have been right.
    EXPECT_TRUE(R.Err.contains("tmPut"));
    EXPECT_TRUE(R.Err.contains("tmGet, tmPost, tmHead"));
    EXPECT_EQ(StatusOf("Method=1"), 64);
}

TEST(VxRunValues, SetsWithOrWithoutBrackets)
{
    EXPECT_EQ(SetAndRead("Records=[trA,trNS]", "Records"), "[trA,trNS]");
    EXPECT_EQ(SetAndRead("Records=trMX", "Records"), "[trMX]");
    EXPECT_EQ(SetAndRead("Records=[ trNS , trA ]", "Records"), "[trA,trNS]");
    EXPECT_EQ(SetAndRead("Records=[]", "Records"), "[]");
    EXPECT_EQ(SetAndRead("Records=", "Records"), "[]");
    for (const char* Bad : {"Records=[trA", "Records=trA]", "Records=[trA,,trMX]", "Records=[trQ]"})
        EXPECT_EQ(StatusOf(Bad), 64) << Bad;
}

TEST(VxRunValues, StringListsAreLines)
{
    EXPECT_EQ(SetAndRead("Lines=one\\ntwo\\r\\nthree", "Lines"), "one\ntwo\nthree");
    // A final line break adds no empty item; an empty line inside is kept.
    const VxResult R = RunVx({"run", "TVxTestComponent", "Lines=a\\n\\nb\\n", "--read", "Lines", "--json"});
    EXPECT_TRUE(R.Out.contains("\"Result\": [\n        \"a\",\n        \"\",\n        \"b\"\n    ]"))
        << R.Out.toStdString();
    // An empty list prints no line at all.
    EXPECT_EQ(RunVx({"run", "TVxTestComponent", "Lines=", "--read", "Lines"}).Out, QByteArray());
}

TEST(VxRunValues, DateTimesAsTextOrDays)
{
    EXPECT_EQ(SetAndRead("When=2023-12-25 14:30:15", "When"), "2023-12-25 14:30:15.000");
    EXPECT_EQ(SetAndRead("When=45285.5", "When"), "2023-12-25 12:00:00.000");
    EXPECT_EQ(SetAndRead("When=-1.25", "When"), "1899-12-29 06:00:00.000");
    for (const char* Bad : {"When=2023-13-01 00:00:00", "When=tomorrow", "When=2023-12-25 25:00:00"})
        EXPECT_EQ(StatusOf(Bad), 64) << Bad;
}

TEST(VxRunValues, OwnedObjectsAndCollectionItems)
{
    EXPECT_EQ(SetAndRead("Settings.Server=proxy.example", "Settings.Server"), "proxy.example");
    // Items are created up to the index; the ones before it keep their defaults.
    const VxResult R = RunVx({"run", "TVxTestComponent", "Items[2].FileName=c.txt",
                              "Items[0].Method=tmPost", "--read", "Items"});
    ASSERT_EQ(R.Status, 0) << R.Err.toStdString();
    EXPECT_EQ(R.Out, QByteArray("[\n"
                                "    {\n        \"FileName\": \"\",\n        \"Method\": \"tmPost\"\n    },\n"
                                "    {\n        \"FileName\": \"\",\n        \"Method\": \"tmGet\"\n    },\n"
                                "    {\n        \"FileName\": \"c.txt\",\n        \"Method\": \"tmGet\"\n    }\n"
                                "]\n"));
    EXPECT_EQ(RunVx({"run", "TVxTestComponent", "Items[1].FileName=x", "--read", "Items.Count"}).Out, "2\n");
    EXPECT_EQ(SetAndRead("Items[0].FileName=a", "Items[0].FileName"), "a");
}

TEST(VxRunValues, PathsThatDoNotFitAreUsageErrors)
{
    for (const char* Bad : {"Settings=x", "Settings.Nope=1", "Text.Length=1", "Settings[0].Server=x",
                            "Items[0]=x", "Items[-1].FileName=x", "Items[100000].FileName=x",
                            "Items.FileName=x", "Fixed=x", "objectName=x", "9Text=x", "Text..A=1"}) {
        const VxResult R = RunVx({"run", "TVxTestComponent", Bad});
        EXPECT_EQ(R.Status, 64) << Bad;
        EXPECT_FALSE(R.Err.isEmpty()) << Bad;
    }
    // Reading an item that was never created does not create it.
    EXPECT_EQ(RunVx({"run", "TVxTestComponent", "--read", "Items[0].FileName"}).Status, 64);
}

TEST(VxRunValues, ByteTextAndByteArrays)
{
    EXPECT_EQ(SetAndRead("Data=\\x01\\xfe", "Data"), QByteArray("\x01\xfe"));
    EXPECT_EQ(VxByteTextToBytes(QString::fromUtf16(u"a\u00ff\U0001F600")), QByteArray("a\xff\xf0\x9f\x98\x80"));
    // A lone surrogate cannot be encoded; it must not swallow the next character.
    QString Lone = QStringLiteral("x");
    Lone += QChar(0xD800);
    Lone += QLatin1Char('y');
    EXPECT_TRUE(VxByteTextToBytes(Lone).endsWith('y'));
}
