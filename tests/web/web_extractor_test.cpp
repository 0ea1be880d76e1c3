// The link extractor: the scan over page texts, and the component's run against a local
// server with its private downloaded file.
#include "web_test_helpers.h"
#include "support/scripted_http_server.h"

#include <vedidoredo/platform/VxException.h>
#include <vedidoredo/vxixtract.h>

#include <QFileInfo>

#include <gtest/gtest.h>

using vxtest::TScriptedHttpServer;
using vxtest::TScriptReply;

namespace {

struct ScanCase {
    const char* What;
    TVxIExtract Kind;
    QByteArray Text;
    QStringList Links;
};

QString L1(const char* S)
{
    return QString::fromLatin1(S);
}

}  // namespace

TEST(LinkScan, PageTexts)
{
    const ScanCase Cases[] = {
        {"mail link in quotes", ieMailTo, R"(<a href="mailto:joe@example.org">Joe</a>)", {L1("mailto:joe@example.org")}},
        {"capitals and https are not http", ieHTTP, "HTTP://a.example Http://b https://c.example/p http://d.example/q?x=1#top",
         {L1("http://d.example/q?x=1")}},
        {"https", itHTTPS, "http://a https://c.example/p>", {L1("https://c.example/p")}},
        {"line break, tab and apostrophe run on", itFTP, "ftp://h/a\r\nb'c\td e", {L1("ftp://h/a\r\nb'c\td")}},
        {"ends inside the prefix", ieMailTo, "write to mailto", {}},
        {"ends right after the prefix", itNews, "news:", {L1("news:")}},
        {"a prefix after a broken one", ieHTTP, "http:/http://x.example", {L1("http://x.example")}},
        {"the scan goes on after the link", ieMailTo, "mailto:mailto:a@b mailto:c", {L1("mailto:mailto:a@b"), L1("mailto:c")}},
        {"duplicates in order", itFile, "file:///a file:///b file:///a", {L1("file:///a"), L1("file:///b"), L1("file:///a")}},
        {"telnet, gopher and wais", itTelnet, "telnet:host:23 gopher://g wais:w", {L1("telnet:host:23")}},
        {"gopher", itGopher, "[gopher://g.example/1]", {L1("gopher://g.example/1")}},
        {"wais to the end", itWais, "wais:w.example/db", {L1("wais:w.example/db")}},
        {"bytes above 127 and NUL are characters", ieMailTo, QByteArray("mailto:j\xE9\0x@y z", 15),
         {QString::fromLatin1(QByteArray("mailto:j\xE9\0x@y", 13))}},
        {"empty text", ieHTTP, "", {}},
    };
    for (const ScanCase& C : Cases)
        EXPECT_EQ(VxExtractLinks(C.Text, C.Kind), C.Links) << C.What;

    // Each of the fifteen terminating bytes ends a link; every other byte does not.
    const QByteArray Terminators(" \"#%<>[\\]^`{|}~");
    for (int B = 1; B < 256; ++B) {
        const QByteArray Text = QByteArray("http://a") + char(B) + "b";
        const QString Expected = Terminators.contains(char(B)) ? L1("http://a") : QString::fromLatin1(Text);
        EXPECT_EQ(VxExtractLinks(Text, ieHTTP), QStringList{Expected}) << "byte " << B;
    }
}

namespace {

class TExposedExtractor : public TVxInfoExtractor {
public:
    QString LocalFile() const { return LocalFileName(); }
};

class Extractor : public ::testing::Test {
protected:
    void SetUp() override
    {
        E.SetHost(QStringLiteral("127.0.0.1"));
        E.SetPort(Server.Port());
        E.SetRemoteFileName(QStringLiteral("/pages/index.html?lang=en"));
        E.SetExtract(ieHTTP);
    }
    std::string Page = "<a href=\"http://one.example/\">1</a> <a href='http://two.example/'>2</a> mailto:x@y";
    int Status = 200;
    TScriptedHttpServer Server{[this](const std::string&) {
        return TScriptReply{TScriptedHttpServer::Response(Status == 200 ? "200 OK" : "404 Not Found", Page,
                                                          "Last-Modified: Wed, 17 May 2023 10:20:30 GMT\r\n")};
    }};
    TExposedExtractor E;
};

}  // namespace

TEST_F(Extractor, ParsesAfterEverySuccessfulRunAlsoASkippedOne)
{
    // Nothing downloaded yet: the file layer's error.
    EXPECT_THROW(E.ParseData(), EVxFileError);
    ASSERT_TRUE(E.Execute());
    EXPECT_EQ(E.Status(), isFinished);
    const QStringList Http{L1("http://one.example/"), L1("http://two.example/'")};
    EXPECT_EQ(E.ExtractedInfo(), Http);
    E.SetExtract(ieMailTo);
    ASSERT_TRUE(E.Execute());
    EXPECT_EQ(E.Status(), isSkipped);
    EXPECT_EQ(E.ExtractedInfo(), QStringList{L1("mailto:x@y")});
    // A missing page is no failure, and the earlier file is parsed again.
    Status = 404;
    E.SetExtract(ieHTTP);
    ASSERT_TRUE(E.Execute());
    EXPECT_EQ(E.Status(), isNotFound);
    EXPECT_EQ(E.ExtractedInfo(), Http);
    // A failed run does not parse: the list stays as it was.
    E.SetPort(1);  // nothing listens there
    E.SetExtract(ieMailTo);
    EXPECT_FALSE(E.Execute());
    EXPECT_EQ(E.ExtractedInfo(), Http);
}

TEST_F(Extractor, EachComponentHasItsOwnFileRemovedWithTheNameAndTheComponent)
{
    ASSERT_TRUE(E.Execute());
    const QString First = E.LocalFile();
    EXPECT_EQ(QFileInfo(First).fileName(), L1("download.html"));
    EXPECT_TRUE(QFileInfo(First).isFile());
    {
        TExposedExtractor Other;
        Other.SetRemoteFileName(QStringLiteral("/other/index.html"));
        EXPECT_NE(Other.LocalFile(), First);
        EXPECT_EQ(QFileInfo(Other.LocalFile()).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
    }
    // A new name drops the old download; the next run downloads again.
    E.SetRemoteFileName(QStringLiteral("/feed"));
    EXPECT_FALSE(QFileInfo::exists(First));
    EXPECT_EQ(QFileInfo(E.LocalFile()).fileName(), L1("download"));
    EXPECT_THROW(E.ParseData(), EVxFileError);
    ASSERT_TRUE(E.Execute());
    EXPECT_EQ(E.Status(), isFinished);
    auto Gone = std::make_unique<TExposedExtractor>();
    Gone->SetRemoteFileName(QStringLiteral("/a.txt"));
    ASSERT_TRUE(WriteFile(Gone->LocalFile(), "mailto:a"));
    const QString Dir = QFileInfo(Gone->LocalFile()).path();
    Gone.reset();
    EXPECT_FALSE(QFileInfo::exists(Dir));
}
