// `vx run`: the actions (Execute, --read, --call), --json and the exit statuses.
#include "tool_harness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QJsonObject JsonOf(const VxResult& R)
{
    QJsonParseError Error;
    const QJsonDocument D = QJsonDocument::fromJson(R.Out, &Error);
    EXPECT_EQ(Error.error, QJsonParseError::NoError) << R.Out.toStdString();
    EXPECT_TRUE(D.isObject());
    return D.object();
}

}  // namespace

TEST(VxRunActions, ExecuteWritesTheAnswerAsBytesWithNothingAdded)
{
    const VxResult R = RunVx({"run", "TVxTestComponent", "Text=ab\\r\\n\\xff"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(R.Out, QByteArray("ab\r\n\xff"));
    EXPECT_EQ(R.Err, QByteArray());
}

TEST(VxRunActions, ExceptionsEndWithStatusTwoAndTheirMessage)
{
    // A library exception from Execute, another exception, and one from a setter.
    VxResult R = RunVx({"run", "TVxTestComponent", "Count=13", "Text=x"});
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(R.Err, QByteArray("vx: run: Host/Address is not defined.\n"));
    EXPECT_EQ(R.Out, QByteArray());
    R = RunVx({"run", "TVxTestComponent", "Count=14"});
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(R.Err, QByteArray("vx: run: out of luck\n"));
    R = RunVx({"run", "TVxTestComponent", "Count=-1"});
    EXPECT_EQ(R.Status, 2);
    EXPECT_TRUE(R.Err.contains("Count must not be negative"));
    R = RunVx({"run", "TVxTestPlain", "--read", "Failing"});
    EXPECT_EQ(R.Status, 2);
    EXPECT_EQ(R.Err, QByteArray("vx: run: Failing cannot be read\n"));
}

TEST(VxRunActions, WebComponentsReportFalseAsStatusOne)
{
    VxResult R = RunVx({"run", "TVxTestWebComponent", "Succeed=false"});
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(R.Out, QByteArray());
    R = RunVx({"run", "TVxTestWebComponent"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(R.Out, QByteArray());
    R = RunVx({"run", "TVxTestWebComponent", "Succeed=false", "--json"});
    EXPECT_EQ(R.Status, 1);
    EXPECT_EQ(JsonOf(R), QJsonObject({{"Result", false}, {"Succeed", false}}));
}

TEST(VxRunActions, CallRunsOperationsWithoutArguments)
{
    VxResult R = RunVx({"run", "TVxTestComponent", "Text=x", "Lines=a\\nb", "--call", "Clear", "--json"});
    EXPECT_EQ(R.Status, 0);
    QJsonObject J = JsonOf(R);
    EXPECT_EQ(J.value("Result"), QJsonValue(QJsonValue::Null));
    EXPECT_EQ(J.value("Text"), QJsonValue(""));
    EXPECT_EQ(J.value("Lines"), QJsonValue(QJsonArray()));

    R = RunVx({"run", "TVxTestComponent", "Count=1", "Lines=a\\nb", "--call=Sum"});
    EXPECT_EQ(R.Out, QByteArray("3\n"));
    // A void operation prints nothing.
    EXPECT_EQ(RunVx({"run", "TVxTestComponent", "--call", "Clear"}).Out, QByteArray());
    EXPECT_EQ(RunVx({"run", "TVxTestComponent", "Items[0].FileName=a", "--call", "Items.Clear"}).Status, 64);

    R = RunVx({"run", "TVxTestComponent", "--call", "Take"});
    EXPECT_EQ(R.Status, 64);
    EXPECT_TRUE(R.Err.contains("takes arguments"));
    R = RunVx({"run", "TVxTestComponent", "--call", "Nope"});
    EXPECT_EQ(R.Status, 64);
    EXPECT_TRUE(R.Err.contains("'Nope'"));
    EXPECT_TRUE(R.Err.contains("Execute, Clear, Sum"));
    // QObject's own slots are not the component's operations.
    EXPECT_EQ(RunVx({"run", "TVxTestComponent", "--call", "deleteLater"}).Status, 64);
}

TEST(VxRunActions, JsonHoldsTheResultAndEveryPropertyAfterTheAction)
{
    const VxResult R = RunVx({"run", "TVxTestComponent", "Text=caf\\xe9\\x00", "Method=tmPost",
                              "Records=[trA,trMX]", "Lines=x\\ny", "When=2023-12-25 14:30:15",
                              "Settings.Port=8080", "Items[0].FileName=f", "Data=\\x80", "--json"});
    ASSERT_EQ(R.Status, 0) << R.Err.toStdString();
    const QJsonObject J = JsonOf(R);
    // Byte text keeps one character per byte: é is U+00E9, not a UTF-8 pair.
    EXPECT_EQ(J.value("Result").toString(), QString::fromUtf16(u"caf\u00e9") + QChar(0));
    EXPECT_EQ(J.value("Text"), J.value("Result"));
    EXPECT_EQ(J.value("Method"), QJsonValue("tmPost"));
    EXPECT_EQ(J.value("Records"), QJsonValue(QJsonArray({"trA", "trMX"})));
    EXPECT_EQ(J.value("Lines"), QJsonValue(QJsonArray({"x", "y"})));
    EXPECT_EQ(J.value("When"), QJsonValue("2023-12-25 14:30:15.000"));
    EXPECT_EQ(J.value("Settings"), QJsonValue(QJsonObject({{"Server", ""}, {"Port", 8080}})));
    EXPECT_EQ(J.value("Items"), QJsonValue(QJsonArray({QJsonObject({{"FileName", "f"}, {"Method", "tmGet"}})})));
    EXPECT_EQ(J.value("Data"), QJsonValue(QString(QChar(0x80))));
    EXPECT_EQ(J.value("Flag"), QJsonValue(false));
    EXPECT_EQ(J.value("Fixed"), QJsonValue("fixed"));
    EXPECT_FALSE(J.contains("objectName"));
    EXPECT_EQ(J.size(), 16);
}

TEST(VxRunActions, ThePropertyReadIsNotReadAgainForJson)
{
    const QJsonObject J = JsonOf(RunVx({"run", "TVxTestComponent", "--read", "Reads", "--json"}));
    EXPECT_EQ(J.value("Result"), QJsonValue(1));
    EXPECT_EQ(J.value("Reads"), QJsonValue(1));
}

TEST(VxRunActions, JsonMarksPropertiesThatFailedToRead)
{
    const VxResult R = RunVx({"run", "TVxTestPlain", "Name=n", "--read", "Name", "--json"});
    EXPECT_EQ(R.Status, 2);
    const QJsonObject J = JsonOf(R);
    EXPECT_EQ(J.value("Result"), QJsonValue("n"));
    EXPECT_EQ(J.value("Failing"), QJsonValue(QJsonValue::Null));
    EXPECT_TRUE(R.Err.contains("Failing cannot be read"));
}

TEST(VxRunActions, UsageErrorsNameWhatIsWrong)
{
    const struct {
        QStringList Args;
        const char* Named;
    } Cases[] = {
        {{"run"}, "CLASS"},
        {{"run", "TVxNoSuchThing"}, "TVxNoSuchThing"},
        {{"run", "TVxTestComponent", "Nope=1"}, "Nope"},
        {{"run", "TVxTestComponent", "Count=many"}, "many"},
        {{"run", "TVxTestComponent", "--read", "Nope"}, "Nope"},
        {{"run", "TVxTestComponent", "--read"}, "--read"},
        {{"run", "TVxTestComponent", "--read", "Text", "--call", "Clear"}, "--call"},
        {{"run", "TVxTestComponent", "--frobnicate"}, "--frobnicate"},
        {{"run", "TVxTestComponent", "Text"}, "NAME=VALUE"},
        {{"run", "TVxTestComponent", "=x"}, "NAME=VALUE"},
        {{"run", "TVxTestPlain"}, "Execute"},
    };
    for (const auto& C : Cases) {
        const VxResult R = RunVx(C.Args);
        EXPECT_EQ(R.Status, 64) << C.Args.join(' ').toStdString();
        EXPECT_TRUE(R.Err.contains(C.Named)) << R.Err.toStdString();
        EXPECT_EQ(R.Out, QByteArray());
    }
}

TEST(VxRunActions, ClassHelpListsPropertiesAndOperations)
{
    const VxResult R = RunVx({"run", "TVxTestComponent", "--help"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_TRUE(R.Out.contains("Records   a set of trA, trMX, trNS"));
    EXPECT_TRUE(R.Out.contains("Fixed     text (read-only)"));
    EXPECT_TRUE(R.Out.contains("Items     object TVxTestItems, items as NAME[i].PROPERTY"));
    EXPECT_TRUE(R.Out.contains("Operations: Execute, Clear, Sum\n"));
}
