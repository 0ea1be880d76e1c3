// `vx xml FILE [--json] [--get NAME]`, run as the built tool.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "support/vx_process.h"

namespace {

using TRun = vxtest::VxResult;

TRun Vx(const QStringList& Args)
{
    return vxtest::RunVxBinary(QStringList{"xml"} + Args);
}

class VxXml : public ::testing::Test {
protected:
    QString Write(const QByteArray& Content, const QString& Name = "doc.xml")
    {
        const QString Path = FDir.filePath(Name);
        QFile F(Path);
        EXPECT_TRUE(F.open(QIODevice::WriteOnly));
        F.write(Content);
        return Path;
    }
    QTemporaryDir FDir;
};

const QByteArray Doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<order id=\"7\">\n"
                       "  <item sku=\"A-1\">Caf\xC3\xA9 &amp; cr\xC3\xA8me</item>\n"
                       "  <!-- gift -->\n"
                       "  <empty/>\n"
                       "</order>\n";

}  // namespace

TEST_F(VxXml, PrintsAnOutlineForPeople)
{
    const TRun R = Vx({Write(Doc)});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    EXPECT_EQ(QString::fromUtf8(R.Out), QString::fromUtf8("?xml\n"
                                                          "  @version = \"1.0\"\n"
                                                          "  @encoding = \"UTF-8\"\n"
                                                          "  order  id=\"7\"\n"
                                                          "    item  sku=\"A-1\" = \"Caf\xC3\xA9 & cr\xC3\xA8me\"\n"
                                                          "    <!-- gift -->\n"
                                                          "    empty\n"));
}

TEST_F(VxXml, JsonHoldsTheStoredTree)
{
    const TRun R = Vx({Write("<?xml version=\"1.0\"?><a k=\"1\">Caf\xC3\xA9 &amp;<!-- n --><b/></a>"), "--json"});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    // Values as stored: entities kept, null while unassigned; the document is UTF-8.
    auto Node = [](const char* Name, const char* Kind, const char* Value, const char* Attributes,
                   int Level, const QByteArray& Items) {
        return QByteArray("{\"TagName\": \"") + Name + "\", \"Kind\": \"" + Kind + "\", \"Value\": " + Value +
               ", \"Attributes\": \"" + Attributes + "\", \"Level\": " + QByteArray::number(Level) +
               ", \"Items\": [" + Items + "]}";
    };
    const QByteArray A = Node("a", "ikProperty", "\"Caf\xC3\xA9 &amp;\"", " k=\\\"1\\\"", 1,
                              Node("Comment", "ikComment", "\"Comment n --\"", "", 2, "") + ", " +
                                  Node("b", "ikProperty", "null", "", 2, ""));
    EXPECT_EQ(R.Out, Node("?xml", "ikProperty", "null", "", 0,
                          Node("version", "ikAttribute", "\"\\\"1.0\\\"\"", "", 1, "") + ", " + A) +
                         "\n");
    EXPECT_EQ(QJsonDocument::fromJson(R.Out).object()["Items"].toArray().size(), 2);
}

TEST_F(VxXml, JsonEscapesWhatJsonCannotCarry)
{
    // UTF-16 with a lone surrogate and control characters.
    QByteArray U16 = "\xFF\xFE";
    for (char16_t C : std::u16string(u"<a>\u0001\"\\\xD800x</a>"))
        U16.append(char(C & 0xFF)).append(char(C >> 8));
    const TRun R = Vx({Write(U16), "--json"});
    ASSERT_EQ(R.Status, 0);
    EXPECT_TRUE(R.Out.contains("\"Value\": \"\\u0001\\\"\\\\\\ud800x\"")) << R.Out.toStdString();
}

TEST_F(VxXml, GetPrintsTheDecodedValueOfTheFirstMatch)
{
    const QString File = Write(Doc);
    TRun R = Vx({File, "--get", "ITEM"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(QString::fromUtf8(R.Out), QString::fromUtf8("Caf\xC3\xA9 & cr\xC3\xA8me\n"));
    R = Vx({"--get", "version", File});
    EXPECT_EQ(R.Out, "1.0\n");
    R = Vx({File, "--get", "item", "--json"});
    EXPECT_TRUE(R.Out.startsWith("{\"TagName\": \"item\""));
    R = Vx({File, "--get", "missing"});
    EXPECT_EQ(R.Status, 1);
    EXPECT_TRUE(R.Out.isEmpty());
    EXPECT_TRUE(R.Err.contains("missing"));
}

TEST_F(VxXml, ErrorsAndUsage)
{
    TRun R = Vx({FDir.filePath("none.xml")});
    EXPECT_EQ(R.Status, 2);
    EXPECT_TRUE(R.Err.contains("none.xml")) << R.Err.toStdString();
    EXPECT_EQ(Vx({}).Status, 64);
    EXPECT_EQ(Vx({Write(Doc), "--get"}).Status, 64);
    EXPECT_EQ(Vx({Write(Doc), Write(Doc, "b.xml")}).Status, 64);
    R = Vx({"--help"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_TRUE(R.Out.contains("--json"));
}

TEST_F(VxXml, DeepDocuments)
{
    QByteArray Deep;
    for (int I = 0; I < 30000; ++I)
        Deep += "<d>";
    TRun R = Vx({Write(Deep), "--json"});
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(R.Out.count("\"TagName\": \"d\""), 30000);
    EXPECT_TRUE(R.Out.endsWith(QByteArray(30000, ']').replace("]", "]}") + "\n"));
    R = Vx({Write(Deep)});
    EXPECT_EQ(R.Out.count('\n'), 30000);
}

TEST_F(VxXml, AFileWithoutAnElementIsAnError)
{
    const QByteArray Files[] = {"", QByteArray("\x7F" "ELF\x02\x01\x01\x00<a>", 12), "\xFF\xD8\xFF\xE0\x00\x10JFIF",
                                "<?xml version=\"1.0\"?>\n", "<!-- only a comment -->\n", "just text\n"};
    for (const QByteArray& Content : Files) {
        const QString Path = Write(Content);
        const TRun R = Vx({Path, "--json"});
        EXPECT_EQ(R.Status, 1) << Content.toHex().toStdString();
        EXPECT_TRUE(R.Out.isEmpty());
        EXPECT_EQ(QString::fromUtf8(R.Err), "vx: xml: no XML element in " + Path + "\n");
    }
}

TEST_F(VxXml, OutsideTextCarriesNoControlCharacters)
{
    // ESC, BEL, CR and the C1 CSI from a document's names, attributes and values.
    const QString File = Write("<r a=\"\x1B]0;title\x07\"><v>x\x1B[2J\r\xC2\x9By</v></r>");
    const TRun Outline = Vx({File});
    EXPECT_EQ(Outline.Status, 0);
    EXPECT_EQ(QString::fromUtf8(Outline.Out), "r  a=\"]0;title\"\n  v = \"x\\x1b[2J\\r\\x9by\"\n");
    const TRun Get = Vx({File, "--get", "v"});
    EXPECT_EQ(Get.Out, "x[2Jy\n");
}
