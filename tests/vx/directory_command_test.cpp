// `vx directory` and `vx run TVxWebDirect` against a local HTTP server.
#include "tool_harness.h"
#include "support/scripted_http_server.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <mutex>

#include <gtest/gtest.h>

namespace {

class VxDirectory : public ::testing::Test {
protected:
    void Serve(const std::string& Body)
    {
        std::lock_guard<std::mutex> G(Lock);
        this->Body = Body;
    }
    QString Url() const { return QStringLiteral("http://127.0.0.1:%1/dir.ini").arg(Server.Port()); }
    QString Cache() const { return Dir.filePath(QStringLiteral("vx.wdx")); }

    QTemporaryDir Dir;
    std::mutex Lock;
    std::string Body;  // empty: 404
    vxtest::TScriptedHttpServer Server{[this](const std::string&) {
        std::lock_guard<std::mutex> G(Lock);
        return vxtest::TScriptReply{Body.empty() ? vxtest::TScriptedHttpServer::Response("404 Not Found", "gone")
                                                 : vxtest::TScriptedHttpServer::Response("200 OK", Body)};
    }};
};

}  // namespace

TEST_F(VxDirectory, ListsTheLinksAndMarksThoseTheServerFileGained)
{
    const QStringList Args = {"directory", Url(), "--cache", Cache(), "--timeout", "10"};
    Serve("[News]\nhttp://a.example/1=One\n");
    VxResult R = RunVx(Args);
    EXPECT_EQ(R.Status, 0) << R.Err.constData();
    EXPECT_EQ(R.Out, "News\n  One  http://a.example/1  (new)\n");

    Serve("[News]\nhttp://a.example/1=One\nhttp://a.example/2=Two\n[Tips]\nhttp://b.example/=Tip\n");
    R = RunVx(Args);
    EXPECT_EQ(R.Status, 0) << R.Err.constData();
    EXPECT_EQ(R.Out, "News\n  One  http://a.example/1\n  Two  http://a.example/2  (new)\n"
                     "Tips\n  Tip  http://b.example/  (new)\n");

    // The file gone: status 1 and the reason, the cache listed with nothing new.
    Serve("");
    R = RunVx(Args);
    EXPECT_EQ(R.Status, 1);
    EXPECT_TRUE(R.Err.contains("directory file not found")) << R.Err.constData();
    EXPECT_EQ(R.Out, "News\n  One  http://a.example/1\n  Two  http://a.example/2\nTips\n  Tip  http://b.example/\n");
}

TEST_F(VxDirectory, UsageErrors)
{
    for (const QStringList& Args : {QStringList{"directory"}, {"directory", Url(), "--mode", "always"},
                                    {"directory", Url(), "--show", "--mode", "sometimes"},
                                    {"directory", Url(), "extra"}}) {
        const VxResult R = RunVx(Args);
        EXPECT_EQ(R.Status, 64) << Args.join(' ').toStdString();
        EXPECT_TRUE(R.Err.startsWith("vx: directory: ")) << R.Err.constData();
    }
}

TEST_F(VxDirectory, RunWithJsonListsTheDirectory)
{
    Serve("[News]\nhttp://a.example/1=One\n");
    const VxResult R = RunVx({"run", "TVxWebDirect", "Host=127.0.0.1", QStringLiteral("Port=%1").arg(Server.Port()),
                              "RemoteFileName=/dir.ini", "CacheFileName=" + Cache(), "ShowMode=omNever", "--json"});
    ASSERT_EQ(R.Status, 0) << R.Err.constData();
    const QJsonObject Root = QJsonDocument::fromJson(R.Out).object();
    EXPECT_EQ(Root.value("Result"), true);
    const QJsonArray Expected = {QJsonObject{
        {"Caption", "News"},
        {"Links", QJsonArray{QJsonObject{{"Caption", "One"}, {"Url", "http://a.example/1"}, {"New", true}}}}}};
    EXPECT_EQ(Root.value("Directory").toArray(), Expected);
}
