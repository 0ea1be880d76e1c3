// The parser: the tree for each kind of text, the callbacks, streams and encodings, and
// documents very deep, very wide or malformed.
#include "support/xml_test_helpers.h"

#include <vedidoredo/platform/VxException.h>

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Records the callbacks of a parse as text: "tag:parent:name:value:attributes" and
// "after:name".
struct TRecorder {
    QStringList Calls;

    void Attach(TVxXMLEngine& E)
    {
        E.SetOnTag([this](QObject* Sender, TVxXMLItem* Parent, const QString& Name,
                          const QString& Value, const QString& Attributes, bool& Accept) {
            EXPECT_TRUE(qobject_cast<TVxXMLEngine*>(Sender));
            EXPECT_TRUE(Accept);
            Calls << QStringList{"tag", Parent->TagName(), Name, Value, Attributes}.join(':');
        });
        E.SetOnAfterTag([this](QObject*, TVxXMLItem*& Node, bool& Cancel) {
            EXPECT_FALSE(Cancel);
            Calls << "after:" + Node->TagName();
        });
    }
};

void Parse(TVxXMLEngine& E, const QString& Text)
{
    E.ParseXMLFromString(Text, Text.size());
}

// Parses with handlers: OnTag answers Accept, OnAfterTag answers Cancel.
QString ParseWith(const QString& Text, std::function<bool(TVxXMLItem*, const QString&)> OnTag,
                  std::function<bool(TVxXMLItem*&)> OnAfterTag = {})
{
    TVxXMLEngine E;
    if (OnTag)
        E.SetOnTag([&](QObject*, TVxXMLItem* Parent, const QString& Name, const QString&,
                       const QString&, bool& Accept) { Accept = OnTag(Parent, Name); });
    if (OnAfterTag)
        E.SetOnAfterTag([&](QObject*, TVxXMLItem*& Node, bool& Cancel) { Cancel = OnAfterTag(Node); });
    Parse(E, Text);
    return Dump(E.RootItem());
}

}  // namespace

TEST(XMLParser, ElementsWithValuesAndTheCallbacksInOrder)
{
    TVxXMLEngine E;
    TRecorder R;
    R.Attach(E);
    Parse(E, "<a><b>1</b><c x=\"y\">2</c></a>");
    EXPECT_EQ(Dump(E.RootItem()), "a(b=\"1\",c=\"2\"[ x=\"y\"])");
    EXPECT_EQ(R.Calls, QStringList({"tag:a:b:1:", "after:b", "tag:a:c:2: x=\"y\"", "after:c",
                                    "after:a"}));
}

TEST(XMLParser, DeclarationFillsRootItemAndIsNeverClosed)
{
    TVxXMLEngine E;
    TRecorder R;
    R.Attach(E);
    Parse(E, "<?xml version=\"1.0\"?><a><b>1</b><c>2</c></a>");
    EXPECT_EQ(Dump(E.RootItem()), "?xml(version=\"\"1.0\"\"@a,a(b=\"1\",c=\"2\"))");
    EXPECT_EQ(E.RootItem()->Items()->Items(0)->GetTagValue(), "1.0");
    EXPECT_EQ(E.RootItem()->Kind(), ikProperty);
    EXPECT_EQ(R.Calls.filter("after:"), QStringList({"after:b", "after:c", "after:a"}));
}

TEST(XMLParser, ByteTextIsDecodedLikeALoadedDocument)
{
    // Byte text, as the socket and web components deliver it.
    const QString Text = QString::fromLatin1(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><a t=\"\xC3\xA9\">\xE2\x82\xAC<!--\xC3\xA9--></a>");
    TVxXMLEngine E;
    Parse(E, Text);
    const TVxXMLItem* A = E.RootItem()->Items()->Items(2);
    EXPECT_EQ(A->Value().toString(), QString(QChar(0x20AC)));
    EXPECT_EQ(A->Attributes(), QString::fromUtf16(u" t=\"\u00E9\""));
    EXPECT_EQ(A->Items()->Items(0)->Value().toString(), QString::fromUtf16(u"Comment\u00E9--"));
    // Bytes that are not UTF-8 stay Latin-1 text; text beyond Latin-1 is not decoded.
    EXPECT_EQ(ParseDump(QString::fromLatin1("<?xml encoding=\"UTF-8\"?><a>\xC3</a>")),
              QString::fromLatin1("?xml(encoding=\"\"UTF-8\"\"@a,a=\"\xC3\")"));
    EXPECT_EQ(ParseDump(QString::fromUtf16(u"<a>\u00C3\u00A9\u20AC</a>")), QString::fromUtf16(u"a=\"\u00C3\u00A9\u20AC\""));
}

TEST(XMLParser, RefusedElementIsSkippedWithItsContent)
{
    const auto NotB = [](TVxXMLItem*, const QString& Name) { return Name != "b"; };
    EXPECT_EQ(ParseWith("<a><b><x/><y><z>1</z></y></b><c/></a>", NotB), "a(c)");
    EXPECT_EQ(ParseWith("<a><b/><c/></a>", NotB), "a(c)");
    // Markup in sections, comments and quotes does not count as elements.
    EXPECT_EQ(ParseWith("<a><b><![CDATA[<x>]]><!-- <y> --><z q='/>'/></b>t<c/></a>", NotB), "a=\"t\"(c)");
    // The start tag of b has no ">": the way back to "the end of the refused start tag"
    // would lead to text parsed before, and refusing b again would never end.
    EXPECT_EQ(ParseWith("<r><x>a</<b/x<c>t</c></r>", NotB).left(8), "r(x=\"a\")");
}

TEST(XMLParser, OnAfterTagMayCancelOrDestroyTheClosedNode)
{
    EXPECT_EQ(ParseWith("<a><b>1</b><c>2</c></a>", {}, [](TVxXMLItem*&) { return true; }),
              "a(b=\"1\")");
    const auto DropB = [](TVxXMLItem*& Node) {
        if (Node->TagName() == "b") {
            delete Node;
            Node = nullptr;
        }
        return false;
    };
    EXPECT_EQ(ParseWith("<a><b>1<x/></b><c>2</c><b/><d/></a>", {}, DropB), "a(c=\"2\",d)");
}

TEST(XMLParser, HandlersMayDestroyTheNodeBeingFilledOrTheEngine)
{
    // OnTag destroys the parent it is offered: the parse goes on in the grandparent, so
    // "</b>" then closes a and e refills RootItem.
    EXPECT_EQ(ParseWith("<a><b><c>1</c><d/></b><e/></a>",
                        [](TVxXMLItem* Parent, const QString& Name) {
                            if (Name == "c")
                                delete Parent;
                            return true;
                        }),
              "e(c=\"1\",d)");
    {
        // A handler destroys RootItem: the engine carries on with a fresh one.
        TVxXMLEngine E;
        E.SetOnAfterTag([&E](QObject*, TVxXMLItem*& Node, bool&) {
            if (Node->TagName() == "b")
                delete E.RootItem();
        });
        Parse(E, "<a><b/><c>1</c></a><d/>");
        EXPECT_EQ(Dump(E.RootItem()), "d=\"1\"");
    }
    {
        auto* E = new TVxXMLEngine;
        E->SetOnAfterTag([E](QObject*, TVxXMLItem*&, bool&) { delete E; });
        Parse(*E, "<a><b/><c/></a>");  // must simply stop
    }
    {
        // A handler's exception reaches the caller; the tree keeps what was built.
        TVxXMLEngine E;
        E.SetOnTag([](QObject*, TVxXMLItem*, const QString& Name, const QString&, const QString&,
                      bool&) {
            if (Name == "c")
                throw EVxError("stop");
        });
        EXPECT_THROW(Parse(E, "<a><b/><c/></a>"), EVxError);
        EXPECT_EQ(Dump(E.RootItem()), "a(b)");
    }
}

TEST(XMLParser, EndTagsAreNotComparedAndValuesNotTrimmed)
{
    EXPECT_EQ(ParseDump("<a><b/><c>t</c></a>"), "a(b,c=\"t\")");
    EXPECT_EQ(ParseDump("<a><b></c></a>"), ParseDump("<a><b></b></a>"));
    EXPECT_EQ(ParseDump("<a>x<b>y</b>z</a>"), "a=\"xz\"(b=\"y\")");
    EXPECT_EQ(ParseDump("<a>\n  <b> 1 </b>\n</a>\n"), "a=\"\\n  \"(b=\" 1 \")");
    EXPECT_EQ(ParseDump("  junk <a/>"), "a");
}

TEST(XMLParser, CommentsBecomeCommentNodesInTheEnclosingElement)
{
    EXPECT_EQ(ParseDump("<a><!-- note --><b/></a>"), "a(Comment=\"Comment note --\"@c,b)");
    EXPECT_EQ(ParseDump("<a><!---->x<b/></a>"), "a=\"x\"(Comment=\"Comment--\"@c,b)");
    EXPECT_EQ(ParseDump("<a><!-- open"), "a(Comment=\"Comment\"@c)");
    // Outside every element a comment makes no node: RootItem stays the element's.
    EXPECT_EQ(ParseDump("<!-- c --><a>1</a><!-- d -->"), "a=\"1\"");
    EXPECT_EQ(ParseDump("<?xml v=\"1\"?><a>1</a><!-- d -->"),
              "?xml(v=\"\"1\"\"@a,a=\"1\",Comment=\"Comment d --\"@c)");
}

TEST(XMLParser, SectionsDeclarationsAndInstructionsAreNoElements)
{
    TVxXMLEngine E;
    TRecorder R;
    R.Attach(E);
    Parse(E, "<!DOCTYPE a><a><![CDATA[x<y>]]><?pi z?><b/></a>");
    EXPECT_EQ(Dump(E.RootItem()), "a=\"x<y>\"(b)");
    EXPECT_EQ(R.Calls, QStringList({"tag:a:b::", "after:b", "after:a"}));
}

TEST(XMLParser, ASecondTopLevelElementRefillsRootItem)
{
    EXPECT_EQ(ParseDump("<a k=\"1\">1<x/></a><b>2<y/></b>"), "b=\"12\"[ k=\"1\"](x,y)");
    // Many refills append to the value without copying it over and over.
    QString Text;
    for (int I = 0; I < 20000; ++I)
        Text += QLatin1String("<r>ab</r>");
    TVxXMLEngine E;
    Parse(E, Text);
    EXPECT_EQ(E.RootItem()->Value().toString().size(), 40000);
}

TEST(XMLParser, SelfClosedLastElementIsNotClosed)
{
    TVxXMLEngine E;
    TRecorder R;
    R.Attach(E);
    Parse(E, "<a><b/>");
    EXPECT_EQ(R.Calls, QStringList({"tag:a:b::"}));
    Parse(E, "<c/>");  // a new parse starts outside every element: c refills RootItem
    EXPECT_EQ(R.Calls.size(), 1);
    EXPECT_EQ(Dump(E.RootItem()), "c(b)");
}

TEST(XMLParser, ALessThanSignThatStartsNoTagIsText)
{
    EXPECT_EQ(ParseDump("<a>x < y <= z</a>"), "a=\"x < y <= z\"");
    // Surplus end tags, with no element open, are dropped with the text after them.
    EXPECT_EQ(ParseDump("<a/></b><c/>"), "c");
    EXPECT_EQ(ParseDump("<a/></><c>1</c>"), "c=\"1\"");
    EXPECT_EQ(ParseDump("< x><a/>"), "a");
}

TEST(XMLParser, MalformedAndTruncatedTextNeverFails)
{
    const char* Texts[] = {"", "<", "<<", "</", "/>", "<a", "<a b=\"", "<a b=\"/>\"", "<a>x",
                           "<a/", "<!--", "<!-- x --", "<?xml", "<?xml?>", "<a></a></a></a>",
                           "<a><b><c>", ">>>", "<a>/></a>", "<\"", "<a \"/\"", "<a/b>c"};
    for (const char* T : Texts) {
        ParseWith(QString::fromLatin1(T), [](TVxXMLItem*, const QString&) { return false; });
        ParseDump(QString::fromLatin1(T));
    }
    EXPECT_EQ(ParseDump("<a b=\"x/>\">1</a>"), "a=\"1\"[ b=\"x/>\"]");
    // A quote that nothing closes before the next "<" is an ordinary character.
    EXPECT_EQ(ParseDump("<r><a b=\"x>1</a><c/></r>"), "r(a=\"1\"[ b=\"x],c)");
    EXPECT_EQ(ParseDump(QString::fromLatin1("<a>1\0<b/>2</a>", 14)), "a=\"1\"");
}

TEST(XMLParser, LimitCountsCharactersOfTheText)
{
    auto Limited = [](const QString& Text, qsizetype N) {
        TVxXMLEngine E;
        E.ParseXMLFromString(Text, N);
        return Dump(E.RootItem());
    };
    EXPECT_EQ(Limited("<a>12345</a><b/>", 5), "a=\"12\"");
    EXPECT_EQ(Limited("<a><b>1</b></a>", 1000), "a(b=\"1\")");  // past the end reads as #0
    EXPECT_EQ(Limited("<a/>", -3), "");
}

TEST(XMLParser, GetItemByTagIgnoresCaseAndIncludesTheStart)
{
    TVxXMLEngine E;
    Parse(E, "<a><B><c/></B><b>2</b></a>");
    EXPECT_EQ(E.GetItemByTag(nullptr, "A"), E.RootItem());
    TVxXMLItem* First = E.GetItemByTag(nullptr, "b");
    ASSERT_NE(First, nullptr);
    EXPECT_EQ(First->TagName(), "B");
    EXPECT_EQ(E.GetItemByTag(First, "b"), First);
    EXPECT_EQ(E.GetItemByTag(First, "C"), First->Items()->Items(0));
    EXPECT_EQ(E.GetItemByTag(nullptr, "zz"), nullptr);
}

TEST(XMLParser, PathHelpersSplitAtSlashes)
{
    auto First = [](QString P) { return TVxXMLEngine::GetFirstTagName(P) + '|' + P; };
    auto Last = [](QString P) { return TVxXMLEngine::GetLastTagName(P) + '|' + P; };
    EXPECT_EQ(First("a/b/c"), "a|b/c");
    EXPECT_EQ(Last("a/b/c"), "c|a/b");
    EXPECT_EQ(Last("a/b/"), "|a/b");
    EXPECT_EQ(First("single"), "single|");
    EXPECT_EQ(Last("single"), "single|");
}

TEST(XMLParser, ByteOrderMarksGiveTheSameTree)
{
    const QString Doc = QString::fromUtf16(
        u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<r a=\"\u00E9\">\u20AC<s>\u00FC\u4E2D</s><!--\u00E9--></r>");
    const QString Expected = QString::fromUtf16(
        u"?xml=\"\\n\"(version=\"\"1.0\" \"@a,encoding=\"\"utf-8\"\"@a,"
        u"r=\"\u20AC\"[ a=\"\u00E9\"](s=\"\u00FC\u4E2D\",Comment=\"Comment\u00E9--\"@c))");
    const QByteArray Utf8 = "\xEF\xBB\xBF" + Doc.toUtf8();
    EXPECT_EQ(LoadDump(Utf8), Expected);
    EXPECT_EQ(LoadDump(Utf16(Doc, false)), Expected);
    EXPECT_EQ(LoadDump(Utf16(Doc, true)), Expected);
    // With a size the marks are found in the bytes read.
    EXPECT_EQ(LoadDump(Utf8, Utf8.size()), Expected);
    EXPECT_EQ(LoadDump(Utf16(Doc, true), Utf16(Doc, true).size()), Expected);

    // After a load from a mark the declared UTF-8 is not applied to later text either.
    for (const QByteArray& Bytes : {Utf8, Utf16(Doc, false), Utf16(Doc, true)}) {
        TVxXMLEngine E;
        QBuffer B;
        B.setData(Bytes);
        B.open(QIODevice::ReadOnly);
        E.LoadFromStream(0, &B);
        E.RootItem()->Items()->Clear();
        Parse(E, QString::fromLatin1("<?xml encoding=\"utf-8\"?><x>\xC3\xA9</x>"));
        EXPECT_EQ(E.GetItemByTag(nullptr, "x")->Value().toString(), QString::fromLatin1("\xC3\xA9"));
    }
}

TEST(XMLParser, DeclaredUtf8WithoutAMarkGivesTheMarkedValues)
{
    const QString Doc = QString::fromUtf16(
        u"<?xml version=\"1.0\" encoding=\"UTF-8\"?><r a=\"\u00E9\">\u20AC<s>\u00FC\u4E2D</s></r>");
    EXPECT_EQ(LoadDump(Doc.toUtf8()), LoadDump("\xEF\xBB\xBF" + Doc.toUtf8()));
    EXPECT_EQ(LoadDump(Doc.toUtf8()).count(QChar(0x4E2D)), 1);
}

TEST(XMLParser, Windows1252DocumentDecodesThroughItsCodePage)
{
    const QByteArray Doc = "<?xml version=\"1.0\" encoding=\"windows-1252\"?>"
                           "<p n=\"\x93q\x94\">\x80 5 \xE9t\xE9</p>";
    TVxXMLEngine E;
    QBuffer B;
    B.setData(Doc);
    B.open(QIODevice::ReadOnly);
    E.LoadFromStream(0, &B);
    const TVxXMLItem* P = E.GetItemByTag(nullptr, "p");
    ASSERT_NE(P, nullptr);
    EXPECT_EQ(P->Value().toString(), QString::fromUtf16(u"\u20AC 5 \u00E9t\u00E9"));
    EXPECT_EQ(P->Attributes(), QString::fromUtf16(u" n=\"\u201Cq\u201D\""));
    // A code page that is not a number or not known leaves the Latin-1 text.
    EXPECT_EQ(LoadDump("<?xml encoding=\"windows-x\"?><p>\x80</p>").right(5),
              QString::fromLatin1("=\"\x80\")"));
    EXPECT_EQ(LoadDump("<?xml encoding=\"windows-99999\"?><p>\x80</p>").right(5),
              QString::fromLatin1("=\"\x80\")"));
}

TEST(XMLParser, StreamEdgesAndTheEscRule)
{
    EXPECT_EQ(LoadDump("<a>1</a>\x1B"), LoadDump("<a>1</a>"));
    EXPECT_EQ(LoadDump("<a>1\x1B"), "a=\"1\"");
    EXPECT_EQ(LoadDump("<a>1\x1A"), "a=\"1\x1A\"");  // only ESC
    EXPECT_EQ(LoadDump("\xEF\xBB\xBF<a>1\x1B"), "a=\"1\"");
    EXPECT_EQ(LoadDump(Utf16("<a>1\x1B", false)), "a=\"1\"");
    EXPECT_EQ(LoadDump(""), "");
    EXPECT_EQ(LoadDump("<"), "");
    EXPECT_EQ(LoadDump("\xFF\xFE"), "");
    EXPECT_EQ(LoadDump("\xFF\xFE<"), "");
    // UTF-8 after a mark that is not UTF-8 is read as Latin-1: nothing is lost.
    EXPECT_EQ(LoadDump("\xEF\xBB\xBF<a>\xC3</a>"), QString::fromLatin1("a=\"\xC3\""));
    // A size is the position where the document ends.
    EXPECT_EQ(LoadDump("<a>1</a><b>junk</b>", 8), "a=\"1\"");
    EXPECT_EQ(LoadDump("<a>1</a>", -5), "");

    TVxXMLEngine E;
    E.LoadFromStream(0, nullptr);
    QBuffer Closed;
    EXPECT_THROW(E.LoadFromStream(0, &Closed), EVxFileError);
    QBuffer Short;
    Short.setData("<a/>");
    Short.open(QIODevice::ReadOnly);
    EXPECT_THROW(E.LoadFromStream(100, &Short), EVxFileError);
}

TEST(XMLParser, Utf8MarkedTextIsScannedByCharacters)
{
    // The last character is two bytes long: it is the last character all the same.
    EXPECT_EQ(LoadDump("\xEF\xBB\xBF<a><\xC3\xA9"), ParseDump(QString::fromUtf16(u"<a><\u00E9")));
    EXPECT_EQ(LoadDump("\xEF\xBB\xBF<a><\xC3\xA9"), "a");
    // Over-long forms decode to "<" and "/", and then act as such.
    EXPECT_EQ(LoadDump("\xEF\xBB\xBF<a>\xC0\xBC" "b>x<\xC0\xAF" "b></a>"), "a(b=\"x\")");
}

TEST(XMLParser, LoadClearsChildrenButKeepsTheRoot)
{
    TVxXMLEngine E;
    TVxXMLItem* Root = E.RootItem();
    Parse(E, "<a>1<b/></a>");
    QBuffer B;
    B.setData("<c>2<d/></c>");
    B.open(QIODevice::ReadOnly);
    E.LoadFromStream(0, &B);
    EXPECT_EQ(E.RootItem(), Root);
    EXPECT_EQ(Dump(Root), "c=\"12\"(d)");
}

TEST(XMLParser, LoadFromFileReadsTheFileAndReportsMissingOnes)
{
    QTemporaryDir Dir;
    ASSERT_TRUE(Dir.isValid());
    const QString Name = Dir.filePath("doc.xml");
    QFile F(Name);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly));
    F.write("\xEF\xBB\xBF<a><b>\xC3\xA9</b></a>");
    F.close();
    TVxXMLEngine E;
    E.LoadFromFile(Name);
    EXPECT_EQ(Dump(E.RootItem()), QString::fromUtf16(u"a(b=\"\u00E9\")"));
    try {
        E.LoadFromFile(Dir.filePath("missing.xml"));
        ADD_FAILURE() << "no exception";
    } catch (const EVxFileError& Error) {
        EXPECT_TRUE(Error.Message().contains("missing.xml"));
    }
    EXPECT_EQ(E.RootItem()->Items()->Count(), 0);
    EXPECT_THROW(E.LoadFromFile(Dir.path()), EVxFileError);
}

TEST(XMLParser, ThousandsOfLevelsDeep)
{
    const int Depth = 20000;
    QByteArray Doc;
    for (int I = 0; I < Depth; ++I)
        Doc += "<e" + QByteArray::number(I % 10) + ">";
    Doc += "x";
    for (int I = 0; I < Depth; ++I)
        Doc += "</e>";
    int Closed = 0;
    TVxXMLEngine E;
    E.SetOnAfterTag([&](QObject*, TVxXMLItem*&, bool&) { ++Closed; });
    QBuffer B;
    B.setData(Doc);
    B.open(QIODevice::ReadOnly);
    E.LoadFromStream(0, &B);
    EXPECT_EQ(Closed, Depth);
    const TVxXMLItem* Node = E.RootItem();
    int Levels = 0;
    while (Node->Items()->Count() == 1) {
        Node = Node->Items()->Items(0);
        ++Levels;
    }
    EXPECT_EQ(Levels, Depth - 1);
    EXPECT_EQ(Node->Level(), Depth - 1);
    EXPECT_EQ(Node->Value().toString(), "x");
    EXPECT_EQ(E.GetItemByTag(nullptr, "missing"), nullptr);
    EXPECT_EQ(E.RootItem()->GetChild("missing", true), nullptr);
    E.RootItem()->Items()->Clear();
}

TEST(XMLParser, TensOfThousandsWide)
{
    const int Width = 60000;
    QString Doc = "<list>";
    for (int I = 0; I < Width; ++I)
        Doc += QStringLiteral("<i n=\"%1\">%1</i>").arg(I);
    Doc += "</list>";
    TVxXMLEngine E;
    Parse(E, Doc);
    const TVxXMLItems* Items = E.RootItem()->Items();
    ASSERT_EQ(Items->Count(), Width);
    EXPECT_EQ(Items->Items(Width - 1)->Value().toString(), QString::number(Width - 1));
    EXPECT_EQ(Items->Items(123)->Attributes(), " n=\"123\"");
    // Destroy every other child directly, from the front.
    for (int I = 0; I < Width; I += 2)
        delete E.RootItem()->Items()->Items(I / 2);
    ASSERT_EQ(Items->Count(), Width / 2);
    EXPECT_EQ(Items->Items(0)->Value().toString(), "1");
    EXPECT_EQ(Items->Last()->Value().toString(), QString::number(Width - 1));
}

TEST(XMLParser, ManyDeclarationsStayCheap)
{
    // Each top-level declaration refills RootItem and looks for its encoding.
    QByteArray Doc;
    for (int I = 0; I < 20000; ++I)
        Doc += "<?xml a=\"1\"/>";
    Doc += "<?xml encoding=\"utf-8\"/><x>\xC3\xA9</x>";
    TVxXMLEngine E;
    QBuffer B;
    B.setData(Doc);
    B.open(QIODevice::ReadOnly);
    E.LoadFromStream(0, &B);
    EXPECT_EQ(E.RootItem()->Items()->Count(), 20001);
    EXPECT_EQ(E.RootItem()->TagName(), "x");
    EXPECT_EQ(E.RootItem()->Value().toString(), QString(QChar(0xE9)));
}

namespace {

QByteArray Encoded(const char* Encoding, const QString& Text)
{
    QStringEncoder E(Encoding);
    EXPECT_TRUE(E.isValid()) << Encoding;
    return E.encode(Text);
}

}  // namespace

TEST(XMLParser, DocumentsAsPeopleWriteThem)
{
    struct TCase {
        const char* Name;
        QByteArray Document;
        QString Tree;
    };
    const TCase Cases[] = {
        {"an icon: doctype with internal subset, CDATA style block",
         "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
         "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"svg11.dtd\" [\n"
         "  <!ENTITY ns \"http://www.w3.org/2000/svg\"> <!-- ]> is no end here -->\n]>\n"
         "<svg width=\"16\"><style type=\"text/css\"><![CDATA[ .a{fill:#333} a>b{} ]]></style>"
         "<path d=\"M0 0h16\"/></svg>\n",
         "?xml=\"\\n\"(version=\"\"1.0\" \"@a,encoding=\"\"UTF-8\" \"@a,standalone=\"\"no\"\"@a,"
         "svg[ width=\"16\"](style=\" .a{fill:#333} a>b{} \"[ type=\"text/css\"],path[ d=\"M0 0h16\"]))"},
        {"a settings schema: CDATA holding key names",
         "<schemalist><key name=\"down\"><default><![CDATA[['<Super>Page_Down']]]></default>"
         "<summary>Down</summary></key></schemalist>",
         "schemalist(key[ name=\"down\"](default=\"['<Super>Page_Down']\",summary=\"Down\"))"},
        {"sections join in order", "<t>x<![CDATA[a]]]]><![CDATA[>b]]>y</t>", "t=\"xa]]>by\""},
        {"a build file: dotted names",
         "<Project><Rule.DataSource Persistence=\"File\"/><Item.Meta>v</Item.Meta></Project>",
         "Project(Rule.DataSource[ Persistence=\"File\"],Item.Meta=\"v\")"},
        {"a logging configuration: single-quoted URLs",
         "<log4j:configuration xmlns:log4j='http://jakarta.apache.org/log4j/'>"
         "<a href='http://x/y?a>b' title='say \"hi\"'>t</a></log4j:configuration>",
         "log4j:configuration[ xmlns:log4j='http://jakarta.apache.org/log4j/']"
         "(a=\"t\"[ href='http://x/y?a>b' title='say \"hi\"'])"},
        {"mixed content keeps its text", "<p>Hello <b>big</b> world<br/>! x/>y<?pi?></p>",
         "p=\"Hello  world! x/>y\"(b=\"big\",br)"},
        {"instructions and a trailing comment",
         "<?xml-stylesheet href=\"a.xsl\"?>\n<feed><?php echo '?' ?><e/></feed>\n<!-- end -->\n", "feed(e)"},
        {"UTF-8 without a declaration", "<p n=\"\xC3\xA9\">caf\xC3\xA9</p>", QString::fromUtf16(u"p=\"caf\u00E9\"[ n=\"\u00E9\"]")},
        {"declared UTF-8 with stray Latin-1 bytes: just those pieces Latin-1",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><caf\xE9 t=\"\xC3\xA9\">na\xEFve<b>\xE2\x82\xAC</b></caf\xE9>",
         QString::fromUtf16(u"?xml(version=\"\"1.0\" \"@a,encoding=\"\"UTF-8\"\"@a,"
                            u"caf\u00E9=\"na\u00EFve\"[ t=\"\u00E9\"](b=\"\u20AC\"))")},
        {"neither declared nor UTF-8: Latin-1", "<p>caf\xE9</p>", QString::fromUtf16(u"p=\"caf\u00E9\"")},
        {"Shift_JIS, with names in Japanese",
         Encoded("Shift_JIS", QString::fromUtf16(u"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><\u8A2D\u5B9A \u540D=\"\u5024\">"
                                                 u"\u65E5\u672C\u8A9E\u30BD\u30D5\u30C8</\u8A2D\u5B9A>")),
         QString::fromUtf16(u"?xml(version=\"\"1.0\" \"@a,encoding=\"\"Shift_JIS\"\"@a,"
                            u"\u8A2D\u5B9A=\"\u65E5\u672C\u8A9E\u30BD\u30D5\u30C8\"[ \u540D=\"\u5024\"])")},
        {"KOI8-R, single quotes, lower case",
         Encoded("KOI8-R", QString::fromUtf16(u"<?xml version='1.0' encoding='koi8-r'?><\u043F>\u041F\u0440\u0438\u0432\u0435\u0442</\u043F>")),
         QString::fromUtf16(u"?xml(version=\"'1.0' \"@a,encoding=\"'koi8-r'\"@a,\u043F=\"\u041F\u0440\u0438\u0432\u0435\u0442\")")},
        {"ISO-8859-7, the encoding not first",
         Encoded("ISO-8859-7", QString::fromUtf16(u"<?xml standalone=\"yes\" encoding=\"ISO-8859-7\"?><\u03BB>\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1</\u03BB>")),
         QString::fromUtf16(u"?xml(standalone=\"\"yes\" \"@a,encoding=\"\"ISO-8859-7\"\"@a,\u03BB=\"\u039A\u03B1\u03BB\u03B7\u03BC\u03AD\u03C1\u03B1\")")},
        {"an encoding no converter knows: Latin-1", "<?xml encoding=\"x-none\"?><p>\xE9</p>",
         QString::fromUtf16(u"?xml(encoding=\"\"x-none\"\"@a,p=\"\u00E9\")")},
        {"UTF-16 named in an 8-bit declaration: UTF-8", "<?xml encoding=\"UTF-16\"?><p>\xC3\xA9</p>",
         QString::fromUtf16(u"?xml(encoding=\"\"UTF-16\"\"@a,p=\"\u00E9\")")},
    };
    for (const TCase& C : Cases) {
        EXPECT_EQ(LoadDump(C.Document).toStdString(), C.Tree.toStdString()) << C.Name;
        // Byte text gives the same tree.
        EXPECT_EQ(ParseDump(QString::fromLatin1(C.Document)).toStdString(), C.Tree.toStdString()) << C.Name;
    }
}
