// `vx rss` end to end against a scripted HTTP server, and its --json against `vx run`.
#include "tool_harness.h"
#include "support/scripted_http_server.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

const std::string Feed =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\">\n<channel>\n"
    "  <title><![CDATA[Caf\xC3\xA9 News]]></title>\n  <link>http://example.org/</link>\n"
    "  <item><title>Storm &amp; rain</title><link>http://example.org/1</link><dc:creator>Ann</dc:creator>\n"
    "    <pubDate>Tue, 08 Dec 2026 03:41:00 GMT</pubDate></item>\n"
    "  <item><title>Second, longer title&#27;[2J</title><link>http://example.org/2</link>\n"
    "    <pubDate>Mon, 07 Dec 2026 22:05:00 GMT</pubDate></item>\n"
    "  <item><title>No link&hellip;</title><content:encoded><![CDATA[<p>All\r\n of it</p>\n\n<p>More</p>]]>"
    "</content:encoded></item>\n</channel>\n</rss>\n";

TEST(VxRss, PrintsTheChannelAndItsItemsReadableAndTheRawTextsInVxRun)
{
    vxtest::TScriptedHttpServer Server([](const std::string& Request) {
        if (Request.find("GET /page.html ") == 0)
            return vxtest::TScriptReply{vxtest::TScriptedHttpServer::Response("200 OK", "<html><p>hi</p></html>")};
        if (Request.find("GET /feed.rss ") != 0)
            return vxtest::TScriptReply{vxtest::TScriptedHttpServer::Response("404 Not Found", "no")};
        return vxtest::TScriptReply{vxtest::TScriptedHttpServer::Response("200 OK", Feed)};
    });
    const QString Base = QStringLiteral("http://127.0.0.1:%1/").arg(Server.Port());

    // Texts decoded, entities replaced, the escape sequence's ESC removed.
    const VxResult Text = RunVx({"rss", Base + "feed.rss", "--content"});
    EXPECT_EQ(Text.Status, 0) << Text.Err.toStdString();
    EXPECT_EQ(Text.Out.toStdString(),
              "Caf\xC3\xA9 News\n"
              "Tue, 08 Dec 2026 03:41:00 GMT  Storm & rain             Ann  http://example.org/1\n"
              "Mon, 07 Dec 2026 22:05:00 GMT  Second, longer title[2J       http://example.org/2\n"
              "                               No link\xE2\x80\xA6\n"
              "    <p>All\n"
              "    of it</p>\n"
              "    <p>More</p>\n");

    const VxResult Json = RunVx({"rss", Base + "feed.rss", "--json"});
    const VxResult Run = RunVx({"run", "TVxIRSSParser", "Host=127.0.0.1", QStringLiteral("Port=%1").arg(Server.Port()),
                                "RemoteFileName=/feed.rss", "--json"});
    ASSERT_EQ(Json.Status, 0);
    ASSERT_EQ(Run.Status, 0);
    const QJsonObject Readable = QJsonDocument::fromJson(Json.Out).object();
    const QJsonObject Raw = QJsonDocument::fromJson(Run.Out).object();
    EXPECT_EQ(Readable.value("Encoding"), QJsonValue("UTF-8"));
    EXPECT_EQ(Raw.value("Encoding"), QJsonValue("UTF-8"));
    const QJsonObject Channel = Readable.value("Channels")[0].toObject();
    const QJsonObject RawChannel = Raw.value("Channels")[0].toObject();
    EXPECT_EQ(Channel.size(), 15);  // fourteen fields and Items
    EXPECT_EQ(Channel.value("Title").toString(), QString::fromUtf8("Caf\xC3\xA9 News"));
    EXPECT_EQ(RawChannel.value("Title").toString(), QString::fromLatin1("Caf\xC3\xA9 News"));  // byte text
    EXPECT_EQ(Channel.value("Items")[0].toObject().value("Title").toString(), QStringLiteral("Storm & rain"));
    EXPECT_EQ(RawChannel.value("Items")[0].toObject().value("Title").toString(), QStringLiteral("Storm &amp; rain"));
    EXPECT_EQ(Channel.value("Items")[0].toObject().value("Author").toString(), QStringLiteral("Ann"));
    EXPECT_EQ(Channel.value("Items")[2].toObject().size(), 10);
    EXPECT_FALSE(Json.Out.contains('\x1b'));

    const VxResult Missing = RunVx({"rss", Base + "gone.rss"});
    EXPECT_EQ(Missing.Status, 1);
    EXPECT_NE(Missing.Err.indexOf("feed not found"), -1) << Missing.Err.toStdString();
    const VxResult NotAFeed = RunVx({"rss", Base + "page.html"});
    EXPECT_EQ(NotAFeed.Status, 1);
    EXPECT_NE(NotAFeed.Err.indexOf("no RSS, RDF or Atom channel"), -1) << NotAFeed.Err.toStdString();
    EXPECT_EQ(RunVx({"rss", Base + "feed.rss", "extra"}).Status, 64);
}

}  // namespace
