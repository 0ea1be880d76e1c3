// The feed parser: feed texts of every kind through the scanner (whole, and read from a
// file in tiny blocks), and Execute against a scripted HTTP server.
#include "support/scripted_http_server.h"

#include <vedidoredo/VxIRSS.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaProperty>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Name=value of every field that is not empty.
template <class T>
QString Fields(const T* Object)
{
    QStringList Out;
    const QMetaObject& Meta = T::staticMetaObject;
    for (int I = Meta.propertyOffset(); I < Meta.propertyCount(); ++I) {
        const QVariant V = Meta.property(I).readOnGadget(Object);
        if (V.metaType() == QMetaType::fromType<QString>() && !V.toString().isEmpty())
            Out << QString::fromLatin1(Meta.property(I).name()) + QLatin1Char('=') + V.toString();
    }
    return Out.join(QLatin1Char('|'));
}

// "{channel fields}[item fields][item fields]" per channel.
QString Dump(const TVxIRSSChannels* Channels)
{
    QString Out;
    for (const TVxIRSSChannel* C : *Channels) {
        Out += QLatin1Char('{') + Fields(C) + QLatin1Char('}');
        for (const TVxIRSSItem* I : C->Items)
            Out += QLatin1Char('[') + Fields(I) + QLatin1Char(']');
    }
    return Out;
}

// Reads its file in blocks of a chosen size.
class TBlockParser : public TVxIRSSParser {
public:
    explicit TBlockParser(qsizetype Block) { FReadBlockSize = Block; }
};

struct TFeedCase {
    const char* Name;
    const char* Feed;
    const char* Expected;
};

void PrintTo(const TFeedCase& C, std::ostream* Out)
{
    *Out << C.Name;
}

const TFeedCase Cases[] = {
    {"rss 2.0, one element per line, image block after the title",
     "<?xml version=\"1.0\"?>\n<rss version=\"2.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
     "<channel>\n  <title>News &amp; Views</title>\n  <link>http://example.org/</link>\n"
     "  <description>All the news</description>\n  <language>en</language>\n"
     "  <pubDate>Tue, 08 Dec 2026 03:00:00 GMT</pubDate>\n"
     "  <image>\n    <title>Logo</title>\n    <link>http://example.org/logo</link>\n"
     "    <description>The logo</description>\n  </image>\n"
     "  <item>\n    <title>First</title>\n    <link>http://example.org/1</link>\n"
     "    <description>One</description>\n    <dc:creator>Ann</dc:creator>\n"
     "    <dc:date>2026-12-08T01:00:00Z</dc:date>\n    <pubDate>Tue, 08 Dec 2026 01:00:00 GMT</pubDate>\n"
     "    <category>A</category>\n    <category>B</category>\n    <guid isPermaLink=\"false\">g1</guid>\n"
     "  </item>\n  <item>\n    <title>Second</title>\n    <title>Second, again</title>\n"
     "    <link>http://example.org/2</link>\n  </item>\n</channel>\n</rss>\n",
     "{Title=News &amp; Views|Link=http://example.org/|Description=All the news|Language=en|"
     "PubDate=Tue, 08 Dec 2026 03:00:00 GMT}"
     "[Title=First|Link=http://example.org/1|Description=One|Creator=Ann|Date=2026-12-08T01:00:00Z|"
     "PubDate=Tue, 08 Dec 2026 01:00:00 GMT|Category=B|Guid=g1|Author=Ann]"
     "[Title=Second, again|Link=http://example.org/2]"},
    {"rdf: items beside the channel",
     "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns=\"http://purl.org/rss/1.0/\">\n"
     "<channel rdf:about=\"http://example.org/\">\n<title>R</title>\n<link>http://example.org/</link>\n"
     "<items><rdf:Seq><rdf:li resource=\"http://example.org/a\"/></rdf:Seq></items>\n</channel>\n"
     "<item rdf:about=\"http://example.org/a\">\n<title>A</title>\n<link>http://example.org/a</link>\n"
     "<dc:date>2026-01-01</dc:date>\n</item>\n<item rdf:about=\"http://example.org/b\"><title>B</title></item>\n"
     "</rdf:RDF>",
     "{Title=R|Link=http://example.org/}[Title=A|Link=http://example.org/a|Date=2026-01-01][Title=B]"},
    {"minified: channel and items start at their start tags",
     "<rss><channel><title>M</title><item><title>x1</title></item><item><title>x2</title></item></channel></rss>",
     "{Title=M}[Title=x1][Title=x2]"},
    {"cdata verbatim, blanks around it ignored",
     "<rss><channel><title><![CDATA[Fish & Chips]]></title><item>\n<title> <![CDATA[ a <b>\"it's\"</b> ]]> </title>\n"
     "<description>\n  <![CDATA[<p>x > y</p>]]>\n</description></item></channel></rss>",
     "{Title=Fish & Chips}[Title= a <b>\"it's\"</b> |Description=<p>x > y</p>]"},
    {"quoted > in attributes, comments with quotes and > inside",
     "<rss><channel><title a=\"x>y\" b='p>q'>T</title><!-- don't > stop --><!--tight-->"
     "<item><title>I</title><!-- x --><link>L</link></item></channel></rss>",
     "{Title=T}[Title=I|Link=L]"},
    {"first text only, unknown and self-closing elements, item outside a channel",
     "<rss><item><title>lost</title></item><channel><title>C<b>bold</b>tail</title><ttl>60</ttl>"
     "<cloud domain=\"x\"/><foo>bar</foo><item><enclosure url=\"u\"/><Title>case</Title></item></channel></rss>",
     "{Title=C|Ttl=60}[]"},
    {"atom, after a stylesheet instruction and a doctype",
     "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<?xml-stylesheet href=\"a.xsl\"?><!DOCTYPE feed>\n"
     "<feed xmlns=\"http://www.w3.org/2005/Atom\">\n"
     "  <title type=\"html\">Atom &lt;b&gt;feed</title>\n  <subtitle>Sub</subtitle>\n"
     "  <link rel=\"self\" href=\"http://example.org/feed.atom\"/>\n  <link href=\"http://example.org/plain\"/>\n"
     "  <link rel=\"alternate\" type=\"text/html\" href=\"http://example.org/\"/>\n"
     "  <link href=\"http://example.org/late-plain\"/>\n"
     "  <updated>2026-12-08T00:00:00Z</updated>\n  <generator uri=\"x\">Gen</generator>\n"
     "  <author><name>Feed author</name></author>\n"
     "  <entry>\n    <title>E1</title>\n    <link rel=\"enclosure\" href=\"http://example.org/e1.mp3\"/>\n"
     "    <link href='http://example.org/e1'/>\n    <link rel=\"edit\" href=\"http://example.org/e1/edit\"/>\n"
     "    <id>urn:e1</id>\n    <updated>2026-12-08T01:00:00Z</updated>\n    <published>2026-12-07T01:00:00Z</published>\n"
     "    <author>\n      <name>Bob</name>\n      <email>b@example.org</email>\n    </author>\n"
     "    <category term=\"one\"/>\n    <category term=\"two\" label=\"Two\"/>\n"
     "    <content type=\"html\">Content &amp; more</content>\n    <summary>Short</summary>\n"
     "    <source><title>Other feed</title></source>\n  </entry>\n"
     "  <entry><title type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">X <i>t</i></div></title>"
     "<content type=\"xhtml\">\n <div><p>Para</p>\n<p>Two</p></div>\n</content>"
     "<link rel=\"alternate\" href=\"http://example.org/e2\"/><link href=\"http://example.org/e2-plain\"/></entry>\n"
     "</feed>\n",
     "{Title=Atom &lt;b&gt;feed|Link=http://example.org/|Description=Sub|LastBuildDate=2026-12-08T00:00:00Z|"
     "Generator=Gen}"
     "[Title=E1|Link=http://example.org/e1|Description=Short|Creator=Bob|Date=2026-12-08T01:00:00Z|"
     "PubDate=2026-12-07T01:00:00Z|Category=two|Guid=urn:e1|Author=Bob|Content=Content &amp; more]"
     "[Title=<div xmlns=\"http://www.w3.org/1999/xhtml\">X <i>t</i></div>|Link=http://example.org/e2|"
     "Description=<div><p>Para</p>\n<p>Two</p></div>|Content=<div><p>Para</p>\n<p>Two</p></div>]"},
    {"atom names in rss and rss names in atom are not fields",
     "<feed><channel><title>F</title></channel><entry><description>D</description><dc:creator>c</dc:creator></entry></feed>",
     "{}[]"},
    {"text and CDATA sections up to the next tag make one text; author and content",
     "<rss><channel><title>A <![CDATA[<b>&</b>]]> B<!-- c --> C</title><item><title>T</title>"
     "<author>ann@example.org (Ann)</author><description>\n <![CDATA[<p>One</p>]]><![CDATA[<p>Two</p>]]>\n"
     "</description><content:encoded><![CDATA[<p>Full</p>]]>  <![CDATA[ ]]></content:encoded>"
     "<dc:creator>Bea</dc:creator></item><item><author>Cy</author><title>U<b>bold</b>tail</title></item></channel></rss>",
     "{Title=A <b>&</b> B C}[Title=T|Description=<p>One</p><p>Two</p>|Creator=Bea|Author=Bea|Content=<p>Full</p>   ]"
     "[Title=U|Author=Cy]"},
    {"garbage", "\x01<<\xff>> \"'<\0<title\0>x</\0rss>'<!-", ""},
    {"unterminated pieces at the end are dropped",
     "<rss><channel><title>T</title><item><title>done</title><link>unfinished", "{Title=T}[Title=done]"},
    {"unterminated cdata and comment", "<rss><channel><title><![CDATA[open", "{}"},
};

class FeedText : public ::testing::TestWithParam<TFeedCase> {};

TEST_P(FeedText, ParsesToTheExpectedChannelsWholeAndInBlocks)
{
    const TFeedCase& C = GetParam();
    const QByteArray Feed(C.Feed, qsizetype(std::char_traits<char>::length(C.Feed)));
    TVxIRSSParser Whole;
    Whole.ParseRSSData(Feed);
    EXPECT_EQ(Dump(Whole.Channels()), QString::fromLatin1(C.Expected));

    QTemporaryDir Dir;
    const QString Path = Dir.filePath(QStringLiteral("feed.xml"));
    QFile F(Path);
    ASSERT_TRUE(F.open(QIODevice::WriteOnly) && F.write(Feed) == Feed.size());
    F.close();
    for (const qsizetype Block : {1, 7, 4096}) {
        TBlockParser P(Block);
        P.SetLocalFileName(Path);
        P.ParseRSS();
        EXPECT_EQ(Dump(P.Channels()), Dump(Whole.Channels())) << "block " << Block;
    }
}

INSTANTIATE_TEST_SUITE_P(Feeds, FeedText, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<TFeedCase>& I) { return std::to_string(I.index); });

TEST(FeedText, NulBytesEndRunsAndTags)
{
    TVxIRSSParser P;
    static const char Feed[] = "<rss><channel><title>A\0B</title><link\0>L</link></channel></rss>";
    P.ParseRSSData(QByteArray(Feed, sizeof Feed - 1));
    EXPECT_EQ(Dump(P.Channels()), QStringLiteral("{Title=A|Link=>L}"));
}

TEST(FeedText, ReadableTextIsTheTextAPersonReads)
{
    // A feed in windows-1252 with curly quotes, an HTML entity and dc:creator.
    TVxIRSSParser P;
    P.ParseRSSData("<?xml version='1.0' encoding='windows-1252'?><rss><channel><title>\x93News\x94 &hellip;</title>"
                   "<item><title>Caf\xE9 &amp; cr\xE8me</title><dc:creator>Jos\xE9</dc:creator></item></channel></rss>");
    EXPECT_EQ(P.Encoding(), QStringLiteral("windows-1252"));
    const TVxIRSSChannel* C = P.Channels()->GetItem(0);
    ASSERT_TRUE(C && C->Items.Count() == 1);
    EXPECT_EQ(P.ReadableText(C->Title), QString::fromUtf16(u"\u201CNews\u201D \u2026"));
    EXPECT_EQ(P.ReadableText(C->Items.GetItem(0)->Title), QString::fromUtf16(u"Caf\u00E9 & cr\u00E8me"));
    EXPECT_EQ(P.ReadableText(C->Items.GetItem(0)->Author), QString::fromUtf16(u"Jos\u00E9"));
    P.ParseRSSData("<rss><channel><title>x</title></channel></rss>");
    EXPECT_EQ(P.Encoding(), QString());

    struct TCase {
        QByteArray Field;
        const char* Encoding;
        QString Text;
    };
    const TCase Cases[] = {
        {"Caf\xC3\xA9 &amp; more&hellip;", "", QString::fromUtf16(u"Caf\u00E9 & more\u2026")},
        {"caf\xE9", "", QString::fromUtf16(u"caf\u00E9")},  // not UTF-8: Latin-1
        {"caf\xE9", "no-such-encoding", QString::fromUtf16(u"caf\u00E9")},
        {"\xF0\xD2\xC9\xD7\xC5\xD4", "KOI8-R", QString::fromUtf16(u"\u041F\u0440\u0438\u0432\u0435\u0442")},
        {"\x93\xFA\x96\x7B", "Shift_JIS", QString::fromUtf16(u"\u65E5\u672C")},
        {"&eacute;&#233;&#xE9;&#XE9;&nbsp;&mdash;&lt;&gt;&quot;&apos;", "UTF-8",
         QString::fromUtf16(u"\u00E9\u00E9\u00E9\u00E9\u00A0\u2014<>\"'")},
        {"&amp;hellip; &unknown; &#0; &#xD800; &#1114112; & &amp", "",
         "&hellip; &unknown; &#0; &#xD800; &#1114112; & &amp"},
        {"a&#27;[2J\x07\tb\r\n\xC2\x9B" "c&#x85;", "", "a[2J\tb\r\nc"},
    };
    for (const TCase& T : Cases)
        EXPECT_EQ(TVxIRSSParser::ReadableText(QString::fromLatin1(T.Field), QString::fromLatin1(T.Encoding)).toStdString(),
                  T.Text.toStdString())
            << T.Field.toStdString();
}

TEST(FeedLists, IndexesOutsideTheListGiveNothingAndAssignCopies)
{
    TVxIRSSParser P;
    P.ParseRSSData("<rss><channel><title>C</title><item><title>I</title></item></channel></rss>");
    const TVxIRSSChannels* Channels = P.Channels();
    ASSERT_EQ(Channels->Count(), 1);
    EXPECT_EQ(Channels->GetItem(-1), nullptr);
    EXPECT_EQ(Channels->GetItem(1), nullptr);
    EXPECT_EQ(Channels->GetItem(0)->Items.GetItem(1), nullptr);

    TVxIRSSChannel Copy;
    Copy.Items.Add()->Title = QStringLiteral("old");
    Copy.Assign(Channels->GetItem(0));
    P.ParseRSSData("");  // the copy owns its items
    EXPECT_EQ(P.Channels()->Count(), 0);
    EXPECT_EQ(Copy.Title, QStringLiteral("C"));
    ASSERT_EQ(Copy.Items.Count(), 1);
    EXPECT_EQ(Copy.Items.GetItem(0)->Title, QStringLiteral("I"));
}

TEST(FeedParser, ExecuteDownloadsParsesAndDeletesTheDownload)
{
    const std::string Feed = "<rss><channel><title>Served</title><item><title>One</title></item></channel></rss>";
    bool Chunked = false;
    vxtest::TScriptedHttpServer Server([&](const std::string& Request) {
        if (Request.find("GET /missing") == 0)
            return vxtest::TScriptReply{vxtest::TScriptedHttpServer::Response("404 Not Found", "no")};
        return vxtest::TScriptReply{vxtest::TScriptedHttpServer::Response("200 OK", Feed, {}, Chunked)};
    });
    TVxIRSSParser P;
    P.SetHost(QStringLiteral("127.0.0.1"));
    P.SetPort(Server.Port());
    P.SetRemoteFileName(QStringLiteral("/news/feed.rss?x=1"));
    ASSERT_TRUE(P.Execute()) << P.LastError().toStdString();
    EXPECT_EQ(P.Status(), isFinished);
    EXPECT_EQ(Dump(P.Channels()), QStringLiteral("{Title=Served}[Title=One]"));
    const QString Download = P.LocalFileName();
    EXPECT_TRUE(Download.endsWith(QStringLiteral("/feed.rss"))) << Download.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Download));
    EXPECT_EQ(QFileInfo(QFileInfo(Download).path()).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);

    // Without a Content-Length the updater cannot compare sizes; the feed is read anyway.
    Chunked = true;
    P.ParseRSSData("");
    ASSERT_TRUE(P.Execute());
    EXPECT_EQ(Dump(P.Channels()), QStringLiteral("{Title=Served}[Title=One]"));
    EXPECT_EQ(P.LocalFileName(), Download);

    // A missing feed keeps the last result; a file the caller named is deleted as well.
    QTemporaryDir Dir;
    const QString Own = Dir.filePath(QStringLiteral("mine.xml"));
    P.SetLocalFileName(Own);
    P.SetRemoteFileName(QStringLiteral("/missing"));
    EXPECT_TRUE(P.Execute());
    EXPECT_EQ(P.Status(), isNotFound);
    EXPECT_EQ(P.Channels()->Count(), 1);
    P.SetRemoteFileName(QStringLiteral("/news/feed.rss"));
    EXPECT_TRUE(P.Execute());
    EXPECT_EQ(P.Channels()->Count(), 1);
    EXPECT_FALSE(QFileInfo::exists(Own));
}

}  // namespace
