// The translator client against a scripted HTTP server in the test: each request line
// as sent, the UTF-8 XML answers as read, and a refusal.
#include "support/qstring_print.h"
#include "support/web_recording_hooks.h"
#include "support/scripted_http_server.h"

#include <vedidoredo/VxIMSTranslator.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using vxtest::TScriptedHttpServer;
using vxtest::TScriptReply;

const std::string AppId = "5E2A9D0B7F14C6E83A0D52B9E61F7C4A08D3B6E2";
const std::string Ns = " xmlns=\"http://schemas.microsoft.com/2003/10/Serialization/\"";
const std::string Audio("RIFF\0\x01\xff\xfeWAVE", 12);

// Answers by path; a wrong appId is refused as the service does.
TScriptReply Answer(const std::string& Request)
{
    const std::string Line = Request.substr(0, Request.find("\r\n"));
    auto Ok = [](const std::string& Body) { return TScriptReply{TScriptedHttpServer::Response("200 OK", Body)}; };
    if (Line.find("appId=" + AppId) == std::string::npos)
        return {TScriptedHttpServer::Response("400 Bad Request", "ArgumentException: Invalid appId")};
    if (Line.find("/Translate?") != std::string::npos)
        return Ok("<string" + Ns + ">Gr\xc3\xbc\xc3\x9f dich, Welt \xe2\x80\x93 &amp; mehr</string>");
    if (Line.find("/Detect?") != std::string::npos)
        return Ok("<string" + Ns + ">fr</string>");
    if (Line.find("/GetLanguagesForTranslate?") != std::string::npos)
        return Ok("<ArrayOfstring" + Ns + "><string>en</string><string>de</string><string>zh-CHS</string></ArrayOfstring>");
    if (Line.find("/GetLanguagesForSpeak?") != std::string::npos)
        return Ok("<?xml version=\"1.0\"?><ArrayOfstring><string>en</string><string>fr</string></ArrayOfstring>");
    if (Line.find("/Speak?") != std::string::npos)
        return Ok(Audio);
    return {TScriptedHttpServer::Response("404 Not Found", "")};
}

class TranslatorTest : public ::testing::Test {
protected:
    TranslatorTest() : Server(Answer)
    {
        T.SetHost(QStringLiteral("http://127.0.0.1:%1/v2/Http.svc").arg(Server.Port()));
    }
    std::string LastLine() const
    {
        const auto R = Server.Requests();
        return R.empty() ? std::string() : R.back().substr(0, R.back().find("\r\n"));
    }
    std::string Expected(const std::string& PathAndQuery) const
    {
        return "GET /v2/Http.svc" + PathAndQuery + " HTTP/1.1";
    }

    TScriptedHttpServer Server;
    TVxMSTranslator T;
    QTemporaryDir Dir;
};

}  // namespace

TEST_F(TranslatorTest, SettingsOfANewTranslator)
{
    TVxMSTranslator N;
    EXPECT_EQ(N.BingAppId(), QString::fromStdString(AppId));
    EXPECT_EQ(N.Host(), "http://api.microsofttranslator.com/v2/Http.svc");
    EXPECT_EQ(N.Agent(), "Quillmoss Tracker");
    EXPECT_EQ(N.Port(), 443);
    EXPECT_EQ(N.Service(), isHTTP);
    EXPECT_TRUE(T.Execute());
    EXPECT_EQ(Server.RequestCount(), 0u);
}

TEST_F(TranslatorTest, TextsAreSentAsUtf8AndAnswersDecoded)
{
    EXPECT_EQ(T.TranslateText(QStringLiteral("Hello w\u00f6rld & #1+?"), QStringLiteral("en"), QStringLiteral("de")),
              QStringLiteral("Gr\u00fc\u00df dich, Welt \u2013 & mehr"));
    EXPECT_EQ(LastLine(), Expected("/Translate?appId=" + AppId + "&text=Hello%20w%C3%B6rld%20%26%20%231%2B%3F&from=en&to=de"));
    EXPECT_TRUE(T.LastError().isEmpty()) << T.LastError().toStdString();

    EXPECT_EQ(T.TranslateText(QStringLiteral("Hi"), QString(), QStringLiteral("de")).isEmpty(), false);
    EXPECT_EQ(LastLine(), Expected("/Translate?appId=" + AppId + "&text=Hi&from=&to=de"));

    EXPECT_EQ(T.DetectLanguage(QStringLiteral("Bonjour tout le monde")), "fr");
    EXPECT_EQ(LastLine(), Expected("/Detect?appId=" + AppId + "&text=Bonjour%20tout%20le%20monde"));
}

TEST_F(TranslatorTest, LanguageListsInTheServicesOrder)
{
    QStringList List{QStringLiteral("old")};
    T.GetLanguagesForTranslate(&List);
    EXPECT_EQ(List, (QStringList{"en", "de", "zh-CHS"}));
    EXPECT_EQ(LastLine(), Expected("/GetLanguagesForTranslate?appId=" + AppId));
    T.GetLanguagesForSpeak(&List);  // an answer behind a declaration reads the same
    EXPECT_EQ(List, (QStringList{"en", "fr"}));
    EXPECT_EQ(LastLine(), Expected("/GetLanguagesForSpeak?appId=" + AppId));
    const size_t Sent = Server.RequestCount();
    T.GetLanguagesForTranslate(nullptr);
    EXPECT_EQ(Server.RequestCount(), Sent);
}

TEST_F(TranslatorTest, SpeakTextWritesTheAnswersBytes)
{
    const QString File = Dir.filePath(QStringLiteral("hello.wav"));
    T.SpeakText(QStringLiteral("en"), File, QStringLiteral("Hello there"));
    EXPECT_EQ(LastLine(), Expected("/Speak?appId=" + AppId + "&text=Hello%20there&language=en"));
    QFile F(File);
    ASSERT_TRUE(F.open(QIODevice::ReadOnly));
    EXPECT_EQ(F.readAll(), QByteArray::fromStdString(Audio));

    EXPECT_THROW(T.SpeakText(QStringLiteral("en"), Dir.filePath(QStringLiteral("no/such/dir.wav")), QStringLiteral("x")),
                 EVxFileError);
}

TEST_F(TranslatorTest, ARefusalIsAFailureWithTheServicesAnswer)
{
    T.SetBingAppId(QStringLiteral("wrong"));
    EXPECT_EQ(T.TranslateText(QStringLiteral("Hello"), QStringLiteral("en"), QStringLiteral("de")), "");
    EXPECT_EQ(T.LastError(), "HTTP status 400: ArgumentException: Invalid appId");
    QStringList List{QStringLiteral("old")};
    T.GetLanguagesForSpeak(&List);
    EXPECT_TRUE(List.isEmpty());
    EXPECT_FALSE(T.LastError().isEmpty());

    // The destination is emptied before the request and stays empty.
    const QString File = Dir.filePath(QStringLiteral("old.wav"));
    QFile Old(File);
    ASSERT_TRUE(Old.open(QIODevice::WriteOnly));
    Old.write("previous audio");
    Old.close();
    T.SpeakText(QStringLiteral("en"), File, QStringLiteral("Hello"));
    EXPECT_EQ(QFile(File).size(), 0);
    EXPECT_TRUE(T.LastError().startsWith("HTTP status 400"));

    // No service at all: empty results and a reason.
    T.SetHost(QStringLiteral("http://127.0.0.1:1/v2/Http.svc"));
    EXPECT_EQ(T.DetectLanguage(QStringLiteral("x")), "");
    EXPECT_FALSE(T.LastError().isEmpty());
}

TEST_F(TranslatorTest, ACallShowsItsProgressAndCanBeAborted)
{
    vxtest::TRecordingHooks Hooks;
    T.StatusDialog()->SetEnabled(true);
    T.StatusDialog()->SetTitle(QStringLiteral("speak"));
    const QString File = Dir.filePath(QStringLiteral("hello.wav"));
    T.SpeakText(QStringLiteral("en"), File, QStringLiteral("Hello"));
    EXPECT_EQ(Hooks.Window.Windows, 1);
    EXPECT_EQ(Hooks.Window.Destroyed, 1);  // open for the call alone
    EXPECT_TRUE(Hooks.Window.Calls.contains(QStringLiteral("caption:speak")));
    EXPECT_TRUE(Hooks.Window.Calls.contains(QStringLiteral("progress:12/0")));

    // Aborted from OnProgress: no result, and no part of the audio kept.
    T.SetOnProgress([](QObject*, int, int, bool& Abort) { Abort = true; });
    T.SpeakText(QStringLiteral("en"), File, QStringLiteral("Hello"));
    EXPECT_EQ(T.LastError(), "Download aborted");
    EXPECT_EQ(QFile(File).size(), 0);
    EXPECT_EQ(T.DetectLanguage(QStringLiteral("Bonjour")), "");
}
