// The node model: values, entity decoding, attribute splitting, lookups, date-times and
// the ownership rules.
#include "support/xml_test_helpers.h"

#include <vedidoredo/platform/VxException.h>

#include <QObject>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QString TagValue(const QVariant& V)
{
    TVxXMLItem Item;
    Item.SetValue(V);
    return Item.GetTagValue();
}

QString XMLValue(const QString& V)
{
    TVxXMLItem Item;
    Item.SetValue(V);
    return Item.GetTagXMLValue();
}

// The table applied the slow, obvious way: every search from the start.
QString NaiveDecode(QString S)
{
    static const std::pair<const char*, QString> Rows[] = {
        {"&brvbar", "|"}, {"&deg", QString(QChar(0xB0))}, {"&#176", QString(QChar(0xB0))},
        {"&plusmn", "+"}, {"&para", QString(QChar(0xB6))}, {"&amp", "&"}, {"&lt", "<"},
        {"&gt", ">"}, {"&copy", "c"}, {"&quot", "\""}, {"&apos", "'"}, {"&trade", "T"},
        {"&nbsp", ""}, {"&car", "\n"}, {"&ret", "\r"}, {"&#009", "\t"}, {"&#x9", "\t"},
        {"&#010", "\n"}, {"&#xa", "\n"}, {"&#013", "\r"}, {"&#xd", "\r"}, {"&#034", "\""},
        {"&#34", "\""}, {"&#039", "'"}, {"&#39", "'"}};
    for (const auto& [Entity, Replacement] : Rows) {
        const QString E = QString::fromLatin1(Entity);
        for (qsizetype P; (P = S.indexOf(E)) >= 0;) {
            qsizetype L = E.size();
            if (P + L < S.size() && S[P + L] == u';')
                ++L;
            S.replace(P, L, Replacement);
        }
    }
    return S;
}

}  // namespace

TEST(XMLModel, ValueStartsUnassignedKeepsVariantsAndReadsThemAsText)
{
    TVxXMLItem Item;
    EXPECT_FALSE(Item.HasValue());
    EXPECT_EQ(Item.GetTagXMLValue(), QString());
    Item.SetValue(42);
    EXPECT_EQ(Item.Value(), QVariant(42));
    EXPECT_EQ(Item.GetTagValue(), "42");
    Item.SetValue(QString());
    EXPECT_TRUE(Item.HasValue());  // an empty string is a stored value
    Item.SetValue(QVariant());
    EXPECT_FALSE(Item.HasValue());
    Item.SetValue(QString::fromUtf16(u"\u20AC \u00E9"));
    EXPECT_EQ(Item.Value().toString(), QString::fromUtf16(u"\u20AC \u00E9"));
}

TEST(XMLModel, GetTagXMLValueRemovesOneLayerOfDoubleQuotes)
{
    EXPECT_EQ(XMLValue("\"abc"), "abc");
    EXPECT_EQ(XMLValue("\""), "");
    EXPECT_EQ(XMLValue("'abc'"), "'abc'");
    EXPECT_EQ(XMLValue("\"abc\" \r\n"), "abc");
    EXPECT_EQ(XMLValue("  \"abc\"  "), "  \"abc\"  ");  // only a leading quote starts it
}

TEST(XMLModel, GetTagValueDecodesTheKnownEntities)
{
    EXPECT_EQ(TagValue("Fish &amp; Chips"), "Fish & Chips");
    EXPECT_EQ(TagValue("1&lt;2"), "1<2");
    EXPECT_EQ(TagValue("a&nbsp;b"), "ab");
    EXPECT_EQ(TagValue("x&#xA;y"), "x&#xA;y");  // uppercase hexadecimal is not in the table
    EXPECT_EQ(TagValue("&amp;amp;"), "&");
    EXPECT_EQ(TagValue("&amp;lt;"), "<");
    EXPECT_EQ(TagValue("&amplifier"), "&lifier");  // matched as a prefix
    EXPECT_EQ(TagValue("&deg;C &#176 &copy;&trade; &quot;q&quot; &apos;"),
              QString::fromUtf16(u"\u00B0C \u00B0 cT \"q\" '"));
    EXPECT_EQ(TagValue("\"&lt;quoted&gt;\""), "<quoted>");
    // Removing an entity can join the text around it into another one.
    EXPECT_EQ(TagValue("&nb&nbspsp;x"), "x");
    EXPECT_EQ(TagValue("&&copy;py"), "&cpy");
}

TEST(XMLModel, EntityDecodingMatchesTheRestartingDefinitionOnRandomText)
{
    // The decoder steps back instead of restarting; compare with the restarting form.
    const char* Pieces[] = {"&", "amp", ";", "lt", "gt", "nb", "sp", "#", "x", "a", "9",
                            "3", "4", "0", "1", "copy", "quot", "p", "c", "o", "r", "et"};
    QRandomGenerator Rng(20240501);
    for (int Round = 0; Round < 3000; ++Round) {
        QString S;
        const int Count = Rng.bounded(1, 24);
        for (int I = 0; I < Count; ++I)
            S += QLatin1String(Pieces[Rng.bounded(int(std::size(Pieces)))]);
        QString Fast = S;
        DecodeXMLEntities(Fast);
        ASSERT_EQ(Fast, NaiveDecode(S)) << S.toStdString();
    }
}

TEST(XMLModel, EntityDecodingOfLongTextIsLinear)
{
    QString S;
    for (int I = 0; I < 200000; ++I)
        S += QLatin1String("&amp;amp;");
    DecodeXMLEntities(S);
    EXPECT_EQ(S, QString(200000, u'&'));
}

TEST(XMLModel, ProcessAttributesSplitsPairsIntoAttributeChildren)
{
    TVxXMLEngine E;  // attribute text is only set by a parse
    const QString Text = "<x a=\"1\"  b=\"two words\" c='3'>";
    E.ParseXMLFromString(Text, Text.size());
    TVxXMLItem* X = E.RootItem();
    EXPECT_EQ(X->Attributes(), " a=\"1\"  b=\"two words\" c='3'");
    X->ProcessAttributes();
    EXPECT_EQ(Dump(X), "x(a=\"\"1\" \"@a,b=\"\"two words\" \"@a,c=\"'3'\"@a)");
    EXPECT_EQ(X->Items()->Items(0)->Level(), X->Level() + 1);
    EXPECT_EQ(X->Items()->Items(1)->GetTagValue(), "two words");
    EXPECT_EQ(X->Items()->Items(2)->GetTagValue(), "'3'");
    EXPECT_TRUE(X->Attributes().isEmpty());
    X->ProcessAttributes();
    EXPECT_EQ(X->Items()->Count(), 3);
}

TEST(XMLModel, ProcessAttributesNeedsNameAndValueWithoutSpacesAroundTheEqualsSign)
{
    TVxXMLEngine E;
    E.ParseXMLFromString("<x a = \"1\" b=\"open>", 19);
    E.RootItem()->ProcessAttributes();
    EXPECT_EQ(E.RootItem()->Items()->Count(), 0);
    E.ParseXMLFromString("<y k=v q=\"a=b\">", 15);
    TVxXMLItem* Y = E.RootItem();
    Y->ProcessAttributes();
    EXPECT_EQ(Dump(Y), "y(k=\"v \"@a,q=\"\"a=b\"\"@a)");
}

TEST(XMLModel, XMLStringToDateTimeReadsTheFixedLayoutOnly)
{
    EXPECT_DOUBLE_EQ(XMLStringToDateTime("2010-05-17T14:03:09"),
                     EncodeDateTime(2010, 5, 17, 14, 3, 9, 0));
    EXPECT_DOUBLE_EQ(XMLStringToDateTime("2010/05/17 14.03.09.250+02:00"),
                     EncodeDateTime(2010, 5, 17, 14, 3, 9, 0));
    EXPECT_DOUBLE_EQ(XMLStringToDateTime("2010-05-17"), 0.0);
    EXPECT_DOUBLE_EQ(XMLStringToDateTime("2010-13-17T14:03:09"), 0.0);
    EXPECT_DOUBLE_EQ(XMLStringToDateTime("2010-05-17T24:03:09"), 0.0);
    EXPECT_DOUBLE_EQ(XMLStringToDateTime("2010-05-17T14:03:0x"), 0.0);
    EXPECT_DOUBLE_EQ(XMLStringToDateTime(""), 0.0);
}

TEST(XMLModel, SameStringsFoldsOnlyAsciiLetters)
{
    EXPECT_TRUE(SameStrings(false, "UTF-8", "utf-8"));
    EXPECT_FALSE(SameStrings(true, "UTF-8", "utf-8"));
    EXPECT_FALSE(SameStrings(false, QString::fromUtf16(u"\u00C9"), QString::fromUtf16(u"\u00E9")));
    EXPECT_FALSE(SameStrings(false, "abc", "abcd"));
}

TEST(XMLModel, GetChildSearchesTwoLevelsOrAllWithCase)
{
    TVxXMLItem Root;
    Root.SetTagName("root");
    TVxXMLItem* A = Root.Items()->AddItem(&Root);
    A->SetTagName("a");
    TVxXMLItem* B = A->Items()->AddItem(A);
    B->SetTagName("grand");
    TVxXMLItem* C = B->Items()->AddItem(B);
    C->SetTagName("great");
    TVxXMLItem* D = Root.Items()->AddItem(&Root);
    D->SetTagName("grand");

    EXPECT_EQ(Root.GetChild("root", false), &Root);
    EXPECT_EQ(Root.GetChild("grand", false), B);  // pre-order: a's child before the sibling
    EXPECT_EQ(Root.GetChild("great", false), nullptr);
    EXPECT_EQ(Root.GetChild("great", true), C);
    EXPECT_EQ(Root.GetChild("GREAT", true), nullptr);
    EXPECT_EQ(A->GetChild("great", false), C);  // two levels below a
}

TEST(XMLModel, AddItemSetsParentAndLevel)
{
    TVxXMLItem Root;
    TVxXMLItem* A = Root.Items()->AddItem(&Root);
    TVxXMLItem* B = A->Items()->AddItem(A);
    EXPECT_EQ(A->ParentItem(), &Root);
    EXPECT_EQ(B->ParentItem(), A);
    EXPECT_EQ(B->Level(), 2);
    // Without a parent: level 0, no parent, but still held (and freed) by the list.
    TVxXMLItem* Loose = Root.Items()->AddItem(nullptr);
    EXPECT_EQ(Loose->ParentItem(), nullptr);
    EXPECT_EQ(Loose->Level(), 0);
    EXPECT_EQ(Root.Items()->Count(), 2);
    delete Loose;
    EXPECT_EQ(Root.Items()->Count(), 1);
    // A parent must be the node that owns the list.
    EXPECT_THROW(A->Items()->AddItem(&Root), EVxError);
}

TEST(XMLModel, DestroyingANodeLeavesItsParentsListConsistent)
{
    TVxXMLItem Root;
    TVxXMLItem* Kids[4];
    for (int I = 0; I < 4; ++I) {
        Kids[I] = Root.Items()->AddItem(&Root);
        Kids[I]->SetTagName(QString::number(I));
        Kids[I]->Items()->AddItem(Kids[I])->SetTagName("sub");
    }
    delete Kids[1];
    EXPECT_EQ(Dump(&Root), "(0(sub),2(sub),3(sub))");
    delete Kids[3];
    delete Kids[0];
    EXPECT_EQ(Dump(&Root), "(2(sub))");
    Root.Items()->Clear();
    EXPECT_EQ(Root.Items()->Count(), 0);
}

TEST(XMLModel, OwnersDestroyWhatTheyOwn)
{
    auto* Owner = new QObject;
    auto* OwnedByObject = new TVxXMLItem(Owner);
    EXPECT_EQ(OwnedByObject->Owner(), Owner);
    auto* OwnedByNode = new TVxXMLItem(OwnedByObject);
    EXPECT_EQ(OwnedByNode->ParentItem(), OwnedByObject);
    EXPECT_EQ(OwnedByNode->Level(), 0);
    EXPECT_EQ(OwnedByObject->Items()->Count(), 0);  // owned, but not a listed child
    OwnedByNode->Items()->AddItem(OwnedByNode)->SetName("n");
    delete Owner;  // takes both nodes with it (the sanitizer build checks for leaks)

    auto* Owner2 = new QObject;
    auto* Early = new TVxXMLItem(Owner2);
    delete Early;  // destroying it first must leave the owner nothing to do
    delete Owner2;

    TVxXMLItem Parent;
    auto* Child = new TVxXMLItem(&Parent);
    delete Child;  // leaves the owner's bookkeeping
}

TEST(XMLModel, AssignCopiesTheWholeSubtreeAlsoFromWithinItself)
{
    TVxXMLEngine E;
    const QString Text = "<a k=\"1\">x<b>y<c/></b><!-- n --><d>z</d></a>";
    E.ParseXMLFromString(Text, Text.size());
    const QString Before = Dump(E.RootItem());

    TVxXMLItem Copy;
    Copy.Assign(E.RootItem());
    EXPECT_EQ(Dump(&Copy), Before);
    EXPECT_EQ(Copy.Items()->Items(0)->Items()->Items(0)->Level(), 2);

    // Assigning a descendant to its ancestor, and an ancestor to its descendant.
    TVxXMLItem* B = E.RootItem()->Items()->Items(0);
    E.RootItem()->Assign(B);
    EXPECT_EQ(Dump(E.RootItem()), "b=\"y\"(c)");
    TVxXMLItem* C = E.RootItem()->Items()->Items(0);
    C->Assign(E.RootItem());
    EXPECT_EQ(Dump(E.RootItem()), "b=\"y\"(b=\"y\"(c))");

    E.SetRootItem(&Copy);
    EXPECT_EQ(Dump(E.RootItem()), Before);
    EXPECT_THROW(Copy.Assign(nullptr), EVxConvertError);
}

TEST(XMLModel, DestroyingAVeryDeepTreeDoesNotRecurse)
{
    auto* Root = new TVxXMLItem;
    TVxXMLItem* Node = Root;
    for (int I = 0; I < 300000; ++I)
        Node = Node->Items()->AddItem(Node);
    EXPECT_EQ(Node->Level(), 300000);
    EXPECT_EQ(Root->GetChild("missing", true), nullptr);
    delete Root;
}
