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
    "  <item><title>Storm &amp; rain</title><link>http://example.org/1</link>\n"
    "    <pubDate>Tue, 08 Dec 2026 03:41:00 GMT</pubDate></item>\n"
    "  <item><title>Second, longer title</title><link>http://example.org/2</link>\n"
    "    <pubDate>Mon, 07 Dec 2026 22:05:00 GMT</pubDate></item>\n"
    "  <item><title>No link</title></item>\n</channel>\n</rss>\n";

TEST(VxRss, PrintsTheChannelAndItsItemsAndTheSameJsonAsVxRun)
{
    vxtest::TScriptedHttpServer Server([](const std::string& Request) {
        if (Request.find("GET /page.html ") == 0)
            return vxtest::TScriptReply{vxtest::TScriptedHttpServer::Response("200 OK", "<html><p>hi</p></html>")};
        if (Request.find("GET /feed.rss ") != 0)
            return vxtest::TScriptReply{vxtest::TScriptedHttpServer::Response("404 Not Found", "no")};
        return vxtest::TScriptReply{vxtest::TScriptedHttpServer::Response("200 OK", Feed)};
    });
    const QString Base = QStringLiteral("http://127.0.0.1:%1/").arg(Server.Port());

    const VxResult Text = RunVx({"rss", Base + "feed.rss"});
    EXPECT_EQ(Text.Status, 0) << Text.Err.toStdString();
    EXPECT_EQ(Text.Out.toStdString(),
              "Caf\xC3\xA9 News\n"
              "Tue, 08 Dec 2026 03:41:00 GMT  Storm & rain          http://example.org/1\n"
              "Mon, 07 Dec 2026 22:05:00 GMT  Second, longer title  http://example.org/2\n"
              "                               No link\n");

    const VxResult Json = RunVx({"rss", Base + "feed.rss", "--json"});
    const VxResult Run = RunVx({"run", "TVxIRSSParser", "Host=127.0.0.1", QStringLiteral("Port=%1").arg(Server.Port()),
                                "RemoteFileName=/feed.rss", "--json"});
    ASSERT_EQ(Json.Status, 0);
    ASSERT_EQ(Run.Status, 0);
    const QJsonValue Channels = QJsonDocument::fromJson(Json.Out).object().value("Channels");
    EXPECT_EQ(Channels, QJsonDocument::fromJson(Run.Out).object().value("Channels"));
    const QJsonObject Channel = Channels[0].toObject();
    EXPECT_EQ(Channel.size(), 15);  // fourteen fields and Items
    EXPECT_EQ(Channel.value("Title").toString(), QString::fromLatin1("Caf\xC3\xA9 News"));  // byte text
    EXPECT_EQ(Channel.value("Items")[0].toObject().value("Title").toString(), QStringLiteral("Storm &amp; rain"));
    EXPECT_EQ(Channel.value("Items")[2].toObject().size(), 8);

    const VxResult Missing = RunVx({"rss", Base + "gone.rss"});
    EXPECT_EQ(Missing.Status, 1);
    EXPECT_NE(Missing.Err.indexOf("feed not found"), -1) << Missing.Err.toStdString();
    const VxResult NotAFeed = RunVx({"rss", Base + "page.html"});
    EXPECT_EQ(NotAFeed.Status, 1);
    EXPECT_NE(NotAFeed.Err.indexOf("no RSS, RDF or Atom channel"), -1) << NotAFeed.Err.toStdString();
    EXPECT_EQ(RunVx({"rss", Base + "feed.rss", "extra"}).Status, 64);
}

}  // namespace
