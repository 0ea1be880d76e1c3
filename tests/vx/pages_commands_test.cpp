// `vx links` and `vx image --save` as the built binary against a local HTTP server.
#include "tool_harness.h"
#include "support/scripted_http_server.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using vxtest::TScriptedHttpServer;
using vxtest::TScriptReply;

namespace {

std::map<std::string, std::string> Files;

TScriptReply Serve(const std::string& Request)
{
    for (const auto& [Path, Body] : Files)
        if (Request.rfind("GET " + Path + " ", 0) == 0)
            return {TScriptedHttpServer::Response("200 OK", Body)};
    return {TScriptedHttpServer::Response("404 Not Found", "<html>no such page</html>")};
}

QString Url(const TScriptedHttpServer& S, const char* Path)
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(S.Port()).arg(QLatin1String(Path));
}

}  // namespace

TEST(PagesCommands, LinksListsKindAfterKindOnePerLine)
{
    Files = {{"/page.html", "<a href=\"http://b.example/x\nnext\">b</a> mailto:me@a.example "
                            "<a href='http://b.example/x\nnext'> ftp://f.example/ mailto:me@a.example "
                            "http://c.example/a\x07\x1b\xC2\x9B\xE2\x82\xAC\x9B" "b"}};
    TScriptedHttpServer S(Serve);
    VxResult R = RunVxBinary({QStringLiteral("links"), Url(S, "/page.html"), QStringLiteral("--kind"),
                              QStringLiteral("http,mailto"), QStringLiteral("--unique")});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    // Control characters (BEL, ESC, the C1 CSI in UTF-8 and as a byte) are not printed.
    EXPECT_EQ(R.Out, QByteArray("mailto:me@a.example\nhttp://b.example/x\\nnext\nhttp://b.example/x\\nnext'\n"
                                "http://c.example/a\xE2\x82\xAC" "b\n"));
    R = RunVxBinary({QStringLiteral("links"), Url(S, "/missing.html")});
    EXPECT_EQ(R.Status, 1);
    EXPECT_TRUE(R.Out.isEmpty());
}

TEST(PagesCommands, RunKnowsBothClasses)
{
    Files = {{"/cam.png", "not a picture"}};
    TScriptedHttpServer S(Serve);
    const QString Port = QStringLiteral("Port=%1").arg(S.Port());
    // Without a label the remote image only downloads.
    VxResult R = RunVxBinary({QStringLiteral("run"), QStringLiteral("TVxRemoteImage"), QStringLiteral("Host=127.0.0.1"),
                              Port, QStringLiteral("RemoteFileName=/cam.png"), QStringLiteral("--json")});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    EXPECT_TRUE(R.Out.contains("\"Status\": \"isFinished\"")) << R.Out.toStdString();
    EXPECT_TRUE(R.Out.contains("\"Image\": null")) << R.Out.toStdString();
    // ParseData with nothing downloaded is the file layer's error.
    R = RunVxBinary({QStringLiteral("run"), QStringLiteral("TVxInfoExtractor"), QStringLiteral("RemoteFileName=/a.html"),
                     QStringLiteral("--call"), QStringLiteral("ParseData")});
    EXPECT_EQ(R.Status, 2);
    EXPECT_TRUE(R.Err.contains("Cannot open file")) << R.Err.toStdString();
}

TEST(PagesCommands, ImageSaveWritesThePictureOrNothing)
{
    QImage Picture(9, 4, QImage::Format_RGB32);
    Picture.fill(Qt::yellow);
    QByteArray Png;
    QBuffer Buffer(&Png);
    Buffer.open(QIODevice::WriteOnly);
    Picture.save(&Buffer, "PNG");
    Files = {{"/cam.png", Png.toStdString()}, {"/error.png", "<html>busy</html>"}};
    TScriptedHttpServer S(Serve);
    QTemporaryDir Dir;
    const QString Out = Dir.filePath(QStringLiteral("still.png"));
    VxResult R = RunVxBinary({QStringLiteral("image"), Url(S, "/cam.png"), QStringLiteral("--save"), Out});
    EXPECT_EQ(R.Status, 0) << R.Err.toStdString();
    QFile Saved(Out);
    ASSERT_TRUE(Saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(Saved.readAll(), Png);
    Saved.close();
    // Not a picture: exit 2 with the reader's error, and the saved file stays as it was.
    R = RunVxBinary({QStringLiteral("image"), Url(S, "/error.png"), QStringLiteral("--save"), Out});
    EXPECT_EQ(R.Status, 2);
    EXPECT_TRUE(R.Err.contains("not a picture")) << R.Err.toStdString();
    ASSERT_TRUE(Saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(Saved.readAll(), Png);
}
