// HTTP through the engine against a scripted server: the inspection, the logon loop,
// statuses that are not content, answers without a status, and downloads that end early.
#include "web_test_helpers.h"
#include "support/web_recording_hooks.h"
#include "support/scripted_http_server.h"
#include "support/scripted_tls_server.h"

#include <vedidoredo/VxInCnst.h>
#include <vedidoredo/vxidir.h>

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>

#include <mutex>

#include <gtest/gtest.h>

using vxtest::TScriptedHttpServer;
using vxtest::TScriptReply;

namespace {

const std::string ModHeader = "Last-Modified: Wed, 17 May 2023 10:20:30 GMT\r\n";
const QDateTime ModUtc(QDate(2023, 5, 17), QTime(10, 20, 30), Qt::UTC);

std::string Body(size_t N)
{
    std::string S(N, 'x');
    for (size_t I = 0; I < N; ++I)
        S[I] = static_cast<char>('A' + I % 23);
    return S;
}

bool HasHeader(const std::string& Request, const std::string& Header)
{
    return Request.find(Header) != std::string::npos;
}

struct Inspection {
    bool Found = false;
    qint64 Size = 12345;
    TDateTime Time = 1.0;
};

Inspection Inspect(TProbeComponent& C, int Port, const QString& Path)
{
    Inspection R;
    C.SetHost(QStringLiteral("127.0.0.1"));
    C.SetPort(Port);
    C.Work = [&](TProbeComponent* P) {
        P->ConnectToInet(false);
        ASSERT_TRUE(P->HasConnection()) << P->LastError().toStdString();
        R.Found = P->GetFileInfoFromInet(Path, R.Size, R.Time);
        P->DisconnectFromInet();
    };
    C.Execute();
    return R;
}

}  // namespace

TEST(WebHttp, InspectionReadsSizeAndDateOfTheGetAnswer)
{
    TScriptedHttpServer S([](const std::string&) {
        return TScriptReply{TScriptedHttpServer::Response("200 OK", Body(300), ModHeader)};
    });
    TProbeComponent C;
    const Inspection R = Inspect(C, S.Port(), QStringLiteral("/dir/file name.bin"));
    EXPECT_TRUE(R.Found);
    EXPECT_EQ(R.Size, 300);
    EXPECT_EQ(DateTimeToQDateTime(R.Time, Qt::UTC), ModUtc);
    ASSERT_EQ(S.RequestCount(), 1u);
    const std::string Req = S.Requests()[0];
    EXPECT_EQ(Req.rfind("GET /dir/file%20name.bin HTTP/1.0\r\n", 0), 0u) << Req;
    EXPECT_TRUE(HasHeader(Req, "User-Agent: Quillmoss WebUpdater\r\n"));
}

TEST(WebHttp, MissingOrOddLengthAndDate)
{
    std::string Reply;
    TScriptedHttpServer S([&](const std::string&) { return TScriptReply{Reply}; });
    TProbeComponent C;
    Reply = TScriptedHttpServer::Response("200 OK", "body", {}, true);
    Inspection R = Inspect(C, S.Port(), QStringLiteral("/a"));
    EXPECT_TRUE(R.Found);
    EXPECT_EQ(R.Size, 0);
    EXPECT_EQ(R.Time.Value(), 1.0);  // no date: the time is not written

    // A length that is not a number makes the answer unreadable (libcurl refuses it):
    // tried three times, then missing.
    Reply = "HTTP/1.0 200 OK\r\nContent-Length: lots\r\n\r\nbody";
    const size_t Before = S.RequestCount();
    R = Inspect(C, S.Port(), QStringLiteral("/a"));
    EXPECT_FALSE(R.Found);
    EXPECT_EQ(S.RequestCount() - Before, 3u);
    EXPECT_TRUE(C.LastError().contains(QStringLiteral("Content-Length"))) << C.LastError().toStdString();
}

TEST(WebHttp, ErrorStatusesAreMissingFilesNeverContent)
{
    QTemporaryDir Dir;
    const QString Local = Dir.filePath(QStringLiteral("local.txt"));
    ASSERT_TRUE(WriteFile(Local, "precious"));
    for (const char* Status : {"404 Not Found", "403 Forbidden", "500 Internal Server Error", "302 Found"}) {
        TScriptedHttpServer S([&](const std::string&) {
            return TScriptReply{TScriptedHttpServer::Response(Status, "<html>error page</html>", ModHeader)};
        });
        TVxWebUpdater U;
        U.SetHost(QStringLiteral("127.0.0.1"));
        U.SetPort(S.Port());
        U.SetRemoteFileName(QStringLiteral("/f"));
        U.SetLocalFileName(Local);
        EXPECT_TRUE(U.Execute()) << Status;
        EXPECT_EQ(U.Status(), isNotFound) << Status;
        EXPECT_EQ(ReadFile(Local), QByteArray("precious"));
        EXPECT_EQ(S.RequestCount(), 1u);
    }
}

TEST(WebHttp, RefusedLoginWithoutPromptIsTriedTwiceThenFails)
{
    TScriptedHttpServer S([](const std::string&) {
        return TScriptReply{TScriptedHttpServer::Response(
            "401 Unauthorized", "no", "WWW-Authenticate: Basic realm=\"r\"\r\n")};
    });
    vxtest::TRecordingHooks Hooks;
    TProbeComponent C;
    C.SetLoginPrompt(false);
    C.SetUser(QStringLiteral("u"));
    C.SetPassword(QStringLiteral("wrong"));
    const Inspection R = Inspect(C, S.Port(), QStringLiteral("/p"));
    EXPECT_FALSE(R.Found);
    EXPECT_EQ(R.Size, 0);
    EXPECT_EQ(C.Status(), isFailed);
    EXPECT_EQ(C.LastError(), strVxInEAuthRequired + QStringLiteral(": the server refused the login of \"u\""));
    EXPECT_TRUE(Hooks.LogonCaptions.isEmpty());
    // Each send may be preceded by libcurl's own probe; both sends carried the credentials.
    int WithCredentials = 0;
    for (const std::string& Req : S.Requests())
        WithCredentials += HasHeader(Req, "Authorization: Basic dTp3cm9uZw==");
    EXPECT_EQ(WithCredentials, 2);
}

TEST(WebHttp, LogonPromptCancelledOrConfirmed)
{
    const std::string Good = "Authorization: Basic " + QByteArray("alice:" + QByteArray(300, 'p')).toBase64().toStdString();
    TScriptedHttpServer S([&](const std::string& Req) {
        if (HasHeader(Req, Good))
            return TScriptReply{TScriptedHttpServer::Response("200 OK", "secret file", ModHeader)};
        return TScriptReply{TScriptedHttpServer::Response("401 Unauthorized", "no",
                                                          "WWW-Authenticate: Basic realm=\"r\"\r\n")};
    });
    vxtest::TRecordingHooks Hooks;
    TProbeComponent C;
    Inspection R = Inspect(C, S.Port(), QStringLiteral("/p"));
    EXPECT_FALSE(R.Found);
    EXPECT_EQ(Hooks.LogonCaptions, QStringList({strVxInLogon + QStringLiteral("||")}));
    EXPECT_EQ(S.RequestCount(), 1u);

    // Confirmed twice: a wrong password first, then the right one of 300 characters,
    // which goes to the server whole.
    Hooks.LogonCaptions.clear();
    Hooks.LogonAnswers = {{true, QStringLiteral("alice"), QStringLiteral("bad")},
                          {true, QStringLiteral("alice"), QString(300, QLatin1Char('p'))}};
    R = Inspect(C, S.Port(), QStringLiteral("/p"));
    EXPECT_TRUE(R.Found);
    EXPECT_EQ(R.Size, 11);
    EXPECT_EQ(Hooks.LogonCaptions.size(), 2);
    EXPECT_EQ(Hooks.LogonCaptions[1], strVxInLogon + QStringLiteral("|alice|bad"));
    EXPECT_EQ(C.User(), QStringLiteral("alice"));
    EXPECT_EQ(C.Password(), QString(300, QLatin1Char('p')));
}

TEST(WebHttp, AnswerWithoutStatusIsTriedThreeTimesThenFails)
{
    TScriptedHttpServer S([](const std::string&) { return TScriptReply{"", true}; });
    TVxWebUpdater U;
    U.SetHost(QStringLiteral("127.0.0.1"));
    U.SetPort(S.Port());
    U.SetRemoteFileName(QStringLiteral("/f"));
    QTemporaryDir Dir;
    U.SetLocalFileName(Dir.filePath(QStringLiteral("x")));
    EXPECT_FALSE(U.Execute());
    EXPECT_EQ(U.Status(), isFailed);
    EXPECT_EQ(S.RequestCount(), 3u);
    EXPECT_FALSE(U.LastError().isEmpty());
}

TEST(WebHttp, TimeoutEndsTheWaitForASilentServerWithoutRetry)
{
    TScriptedHttpServer S([](const std::string&) {
        TScriptReply R{TScriptedHttpServer::Response("200 OK", "late")};
        R.StallMs = 20000;
        return R;
    });
    TVxWebUpdater U;
    U.SetHost(QStringLiteral("127.0.0.1"));
    U.SetPort(S.Port());
    U.SetRemoteFileName(QStringLiteral("/f"));
    U.SetTimeout(300);
    QTemporaryDir Dir;
    U.SetLocalFileName(Dir.filePath(QStringLiteral("x")));
    EXPECT_FALSE(U.Execute());
    EXPECT_EQ(U.Status(), isFailed);
    EXPECT_EQ(S.RequestCount(), 1u);
    EXPECT_TRUE(U.LastError().contains(QStringLiteral("timed out"), Qt::CaseInsensitive) ||
                U.LastError().contains(QStringLiteral("too slow"), Qt::CaseInsensitive))
        << U.LastError().toStdString();
}

TEST(WebHttp, UnreachableHostFails)
{
    // A port that nothing listens on.
    int Port;
    {
        TScriptedHttpServer S([](const std::string&) { return TScriptReply{}; });
        Port = S.Port();
    }
    TVxWebUpdater U;
    U.SetHost(QStringLiteral("127.0.0.1"));
    U.SetPort(Port);
    U.SetRemoteFileName(QStringLiteral("/f"));
    QTemporaryDir Dir;
    U.SetLocalFileName(Dir.filePath(QStringLiteral("x")));
    EXPECT_FALSE(U.Execute());
    EXPECT_EQ(U.Status(), isFailed);
    // The system's reason, not just "Couldn't connect to server".
    EXPECT_TRUE(U.LastError().endsWith(QStringLiteral(": Connection refused"))) << U.LastError().toStdString();
    EXPECT_EQ(U.Action(), iaDisconnected);
}

// The first request of a run connects: a server that cannot be reached, or whose
// certificate is not trusted, ends the run at its connection, without a search, with
// the reason and without a second try.
TEST(WebHttp, AWayThatIsClosedEndsTheRunAtItsConnection)
{
    int Refusing;
    {
        TScriptedHttpServer S([](const std::string&) { return TScriptReply{}; });
        Refusing = S.Port();
    }
    vxtest::TScriptedTlsServer Untrusted([](vxtest::TConnection&) {}, 3);
    ASSERT_TRUE(Untrusted.Started()) << Untrusted.Error().toStdString();
    const struct {
        TVxIService Service;
        int Port;
        const char* Reason;
    } Cases[] = {{isHTTP, Refusing, "Connection refused"}, {isHTTPS, Untrusted.Port(), "certificate"}};
    for (const auto& C : Cases) {
        TVxWebUpdater U;
        TEventLog Log;
        Log.Attach(&U);
        U.SetService(C.Service);
        U.SetHost(QStringLiteral("127.0.0.1"));
        U.SetPort(C.Port);
        U.SetRemoteFileName(QStringLiteral("/f"));
        QTemporaryDir Dir;
        U.SetLocalFileName(Dir.filePath(QStringLiteral("x")));
        EXPECT_FALSE(U.Execute());
        EXPECT_EQ(Log.Events, QStringList({"before", "A:iaConnecting", "A:iaConnected", "S:isFailed",
                                           "A:iaDisconnecting", "A:iaDisconnected", "after"}))
            << C.Reason;
        EXPECT_TRUE(U.LastError().contains(QLatin1String(C.Reason))) << U.LastError().toStdString();
    }
    EXPECT_EQ(Untrusted.Connections(), 0);
}

namespace {

class HttpDownload : public ::testing::Test {
protected:
    void SetUp() override
    {
        Local = Dir.filePath(QStringLiteral("app.bin"));
        U.SetHost(QStringLiteral("127.0.0.1"));
        U.SetRemoteFileName(QStringLiteral("/app.bin"));
        U.SetLocalFileName(Local);
    }
    QTemporaryDir Dir;
    QString Local;
    TVxWebUpdater U;
};

}  // namespace

TEST_F(HttpDownload, OneRequestPerRunAndTheRemoteTimeStamped)
{
    const std::string Data = Body(5000);
    TScriptedHttpServer S([&](const std::string&) {
        return TScriptReply{TScriptedHttpServer::Response("200 OK", Data, ModHeader)};
    });
    U.SetPort(S.Port());
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(U.Status(), isFinished);
    EXPECT_EQ(ReadFile(Local), QByteArray::fromStdString(Data));
    EXPECT_EQ(Modified(Local), ModUtc);
    EXPECT_EQ(S.RequestCount(), 1u);
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(U.Status(), isSkipped);
    EXPECT_EQ(S.RequestCount(), 2u);
}

TEST_F(HttpDownload, ServerClosingEarlyKeepsTheOldCopy)
{
    ASSERT_TRUE(WriteFile(Local, "old but whole"));
    const QDateTime OldTime(QDate(2001, 1, 1), QTime(1, 1), Qt::UTC);
    ASSERT_TRUE(SetModified(Local, OldTime));
    TScriptedHttpServer S([&](const std::string&) {
        std::string R = TScriptedHttpServer::Response("200 OK", Body(100000), ModHeader);
        R.resize(R.size() - 60000);  // announced 100000 bytes, sends 40000
        return TScriptReply{R};
    });
    U.SetPort(S.Port());
    EXPECT_FALSE(U.Execute());
    EXPECT_EQ(U.Status(), isFailed);
    EXPECT_EQ(ReadFile(Local), QByteArray("old but whole"));
    EXPECT_EQ(Modified(Local), OldTime);
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList({"app.bin"}));
}

TEST_F(HttpDownload, BodyWithoutLengthIsDownloadedWhenCompareSaysSo)
{
    // HTTP/1.0 without Content-Length: the body ends when the server closes.
    TScriptedHttpServer S([&](const std::string&) {
        return TScriptReply{TScriptedHttpServer::Response("200 OK", Body(3000), ModHeader, true)};
    });
    U.SetPort(S.Port());
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(U.Status(), isSkipped);  // size 0: nothing to compare
    QList<int> Max;
    U.SetOnFileCompare([](QObject*, bool& Equal) { Equal = false; });
    U.SetOnProgress([&](QObject*, qint64, qint64 M, bool&) { Max << M; });
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(U.Status(), isFinished);
    EXPECT_EQ(ReadFile(Local).size(), 3000);
    EXPECT_EQ(Max.size(), 2);
    EXPECT_EQ(Max.first(), 0);
}

namespace {

// A file as a server that keeps its versions apart serves it: with an entity tag (or
// only a date), honouring Range under If-Range (RFC 9110) unless it does no ranges.
struct TServedFile {
    std::string Data, Tag, Date;
    bool Ranges = true;
    size_t CutAt = std::string::npos;  // a whole answer breaks off after this many bytes

    TScriptReply Answer(const std::string& Req) const
    {
        std::string Validators = "Last-Modified: " + Date + "\r\n";
        if (!Tag.empty())
            Validators += "ETag: " + Tag + "\r\n";
        const size_t R = Req.find("Range: bytes=");
        const size_t If = Req.find("If-Range: ");
        const std::string Asked = If == std::string::npos ? "" : Req.substr(If + 10, Req.find("\r\n", If) - If - 10);
        if (Ranges && R != std::string::npos && (Asked == Tag || Asked == Date)) {
            const size_t From = std::stoul(Req.substr(R + 13));
            return {TScriptedHttpServer::Response("206 Partial Content", Data.substr(From),
                                                  Validators + "Content-Range: bytes " + std::to_string(From) + "-" +
                                                      std::to_string(Data.size() - 1) + "/" +
                                                      std::to_string(Data.size()) + "\r\n")};
        }
        std::string Whole = TScriptedHttpServer::Response("200 OK", Data, Validators);
        if (CutAt != std::string::npos)
            Whole.resize(Whole.size() - Data.size() + CutAt);
        return {Whole};
    }
};

}  // namespace

TEST_F(HttpDownload, ResumeContinuesOnlyThePartialOfTheSameVersion)
{
    const std::string V1 = Body(9000), V2(9000, 'n');
    const std::string Date1 = "Wed, 17 May 2023 10:20:30 GMT", Date2 = "Thu, 18 May 2023 11:00:00 GMT";
    struct Row {
        const char* Case;
        std::string Tag;          // empty: the server sends no entity tag, only the date
        bool Ranges;
        bool ChangedBeforeRun;    // a new version before the second run's inspection
        bool ChangedBeforeRange;  // ... or between its inspection and the range request
        bool Continued;
    };
    const Row Rows[] = {
        {"same version, by entity tag", "\"v1\"", true, false, false, true},
        {"same version, by date", "", true, false, false, true},
        {"a server without ranges", "\"v1\"", false, false, false, false},
        {"changed between the runs", "\"v1\"", true, true, false, false},
        {"changed while resuming", "\"v1\"", true, false, true, false},
    };
    for (const Row& R : Rows) {
        SCOPED_TRACE(R.Case);
        QFile::remove(Local);
        TServedFile File{V1, R.Tag, Date1, R.Ranges, 4000};
        std::mutex Lock;
        TScriptedHttpServer S([&](const std::string& Req) {
            const std::lock_guard<std::mutex> G(Lock);
            if (R.ChangedBeforeRange && Req.find("Range:") != std::string::npos)
                File = {V2, "\"v2\"", Date2};
            return File.Answer(Req);
        });
        U.SetPort(S.Port());
        U.SetResumeDownload(true);
        // The first run breaks off after 4000 bytes: they stay, beside the local file.
        EXPECT_FALSE(U.Execute());
        EXPECT_FALSE(QFile::exists(Local));
        EXPECT_EQ(ReadFile(Local + QStringLiteral(".~vxpart")), QByteArray::fromStdString(V1.substr(0, 4000)));
        {
            const std::lock_guard<std::mutex> G(Lock);
            File.CutAt = std::string::npos;
            if (R.ChangedBeforeRun)
                File = {V2, "\"v2\"", Date2};
        }
        qint64 Last = 0;
        U.SetOnProgress([&](QObject*, qint64 Cur, qint64, bool&) { Last = Cur; });
        EXPECT_TRUE(U.Execute()) << U.LastError().toStdString();
        U.SetOnProgress(nullptr);
        EXPECT_EQ(U.Status(), isFinished);
        const bool Newer = R.ChangedBeforeRun || R.ChangedBeforeRange;
        EXPECT_EQ(ReadFile(Local), QByteArray::fromStdString(Newer ? V2 : V1));
        EXPECT_FALSE(QFile::exists(Local + QStringLiteral(".~vxpart")));
        EXPECT_FALSE(QFile::exists(Local + QStringLiteral(".~vxinfo")));
        // A range is asked for only while the version is the partial's, and always
        // under If-Range with the validator it started with.
        const std::vector<std::string> Reqs = S.Requests();
        const std::string& LastRequest = Reqs.back();
        const bool Ranged = HasHeader(LastRequest, "Range: bytes=4000-\r\n");
        EXPECT_EQ(Ranged, !R.ChangedBeforeRun);
        if (Ranged) {
            EXPECT_TRUE(HasHeader(LastRequest, "If-Range: " + (R.Tag.empty() ? Date1 : R.Tag) + "\r\n"))
                << LastRequest;
        }
        // Continued, this run's progress counts the rest only.
        EXPECT_EQ(Last, R.Continued ? 5000 : 9000);
    }
}

TEST_F(HttpDownload, ResumeNeverContinuesACompleteLocalFile)
{
    // An older, shorter version of the file, complete in itself.
    ASSERT_TRUE(WriteFile(Local, QByteArray(4000, 'o')));
    const std::string Data = Body(9000);
    TScriptedHttpServer S([&](const std::string& Req) { return TServedFile{Data, "\"t\"", "Wed, 17 May 2023 10:20:30 GMT"}.Answer(Req); });
    U.SetPort(S.Port());
    U.SetResumeDownload(true);
    EXPECT_TRUE(U.Execute());
    EXPECT_EQ(ReadFile(Local), QByteArray::fromStdString(Data));
    EXPECT_EQ(S.RequestCount(), 1u);
}

TEST(WebHttp, WholeUrlIntoAStreamAndAString)
{
    TScriptedHttpServer S([](const std::string& Req) {
        if (HasHeader(Req, "GET /empty "))
            return TScriptReply{TScriptedHttpServer::Response("200 OK", "")};
        if (HasHeader(Req, "GET /missing "))
            return TScriptReply{TScriptedHttpServer::Response("404 Not Found", "error body")};
        return TScriptReply{TScriptedHttpServer::Response("200 OK", std::string("caf\xc3\xa9\x00!", 7))};
    });
    TProbeComponent C;
    const QString Base = QStringLiteral("http://127.0.0.1:%1").arg(S.Port());
    EXPECT_EQ(C.ReadHTTPGetResponseString(Base + QStringLiteral("/empty")), QString());
    EXPECT_EQ(C.ReadHTTPGetResponseString(Base + QStringLiteral("/missing")), QStringLiteral("error body"));
    const QString Bytes = C.ReadHTTPGetResponseString(Base + QStringLiteral("/text"));
    EXPECT_EQ(Bytes, QString::fromLatin1("caf\xc3\xa9\x00!", 7));  // byte text: one character per byte

    // Into a stream that holds more already: written from the start, not truncated.
    QBuffer B;
    B.open(QIODevice::ReadWrite);
    B.write("0123456789ABCDEF");
    C.ReadHTTPGetResponse(Base + QStringLiteral("/text"), &B);
    EXPECT_EQ(B.pos(), 0);
    EXPECT_EQ(B.data(), QByteArray("caf\xc3\xa9\x00!789ABCDEF", 16));

    // Nothing listens: the stream stays as it was.
    C.ReadHTTPGetResponse(QStringLiteral("http://127.0.0.1:1/"), &B);
    EXPECT_EQ(B.data().size(), 16);
}

TEST(WebHttp, ListingOverHttpFindsNothing)
{
    TScriptedHttpServer S([](const std::string&) { return TScriptReply{}; });
    TVxRemoteFiles L;
    L.SetHost(QStringLiteral("127.0.0.1"));
    L.SetPort(S.Port());
    EXPECT_TRUE(L.Execute());
    EXPECT_EQ(L.Status(), isNotFound);
    EXPECT_TRUE(L.FileList().isEmpty());
}
