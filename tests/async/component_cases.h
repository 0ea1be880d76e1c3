// The components the run tests drive, one of each kind that runs: a socket client, the
// mail sender, a download, a feed, the XML engine reading a file and a translator call,
// each against a server of its own on 127.0.0.1. A case makes its component, records the
// callbacks it raises, runs it blocking or asynchronously and tells the result as text, so
// that the tests are written once for all of them.
#pragma once

#include "support/qstring_print.h"
#include "support/scripted_http_server.h"
#include "support/scripted_server.h"
#include "support/test_files.h"

#include <vedidoredo/VxIMSTranslator.h>
#include <vedidoredo/VxIRSS.h>
#include <vedidoredo/VxISMTP.h>
#include <vedidoredo/VxInetXML.h>
#include <vedidoredo/VxWhoIs.h>
#include <vedidoredo/vxiupdate.h>

#include <QFuture>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vxtest {

// The servers and files of every case. Before answering, every server passes a gate,
// which a test may close to hold the answers back. The download trickles, so that it has
// many blocks.
class TRunPeers {
public:
    static constexpr qsizetype FileSize = 256 * 1024;

    TRunPeers()
        : Whois([this](TConnection& C) {
              C.ReadLine();
              Pass();
              C.Send("Domain Name: EXAMPLE.ORG\r\nRegistrar: Test\r\n");
          }, TScriptedServer::Unlimited, TScriptedServer::Concurrently),
          Smtp([this](TConnection& C) { SmtpDialogue(C); }, TScriptedServer::Unlimited, TScriptedServer::Concurrently),
          Http([this](const std::string& Request) { return Answer(Request); })
    {
        WriteFile(XmlFile(), "<a><b>1</b><c>2</c><d>3</d></a>");
    }

    static QByteArray FileBody()
    {
        QByteArray Body(FileSize, '\0');
        for (qsizetype I = 0; I < Body.size(); ++I)
            Body[I] = char('a' + I % 26);
        return Body;
    }
    QString XmlFile() const { return Dir.filePath(QStringLiteral("doc.xml")); }

    // The servers hold their answers while Ticks is below HoldUntil (10 s at most, then
    // they answer and GateExpired is set). A test counts its timer's ticks in Ticks.
    std::atomic<int> Ticks{0};
    std::atomic<int> HoldUntil{0};
    std::atomic<bool> GateExpired{false};

    QTemporaryDir Dir;
    TScriptedServer Whois;
    TScriptedServer Smtp;
    TScriptedHttpServer Http;

private:
    void Pass()
    {
        const auto Until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (Ticks < HoldUntil) {
            if (std::chrono::steady_clock::now() > Until) {
                GateExpired = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    TScriptReply Answer(const std::string& Request)
    {
        const std::string Line = Request.substr(0, Request.find("\r\n"));
        auto Ok = [](const std::string& Body, size_t Trickle) {
            return TScriptReply{TScriptedHttpServer::Response("200 OK", Body), false, Trickle};
        };
        Pass();
        if (Line.find("/secret.bin") != std::string::npos && Request.find("Authorization: Basic YW5uOnMzY3JldA==") == std::string::npos)
            return {TScriptedHttpServer::Response("401 Unauthorized", "", "WWW-Authenticate: Basic realm=\"t\"\r\n")};
        if (Line.find("/file.bin") != std::string::npos || Line.find("/secret.bin") != std::string::npos)
            return Ok(FileBody().toStdString(), 4096);
        if (Line.find("/feed.rss") != std::string::npos)
            return Ok("<rss version=\"2.0\"><channel><title>News</title>"
                      "<item><title>One</title></item><item><title>Two</title></item></channel></rss>",
                      16);
        if (Line.find("/Translate?") != std::string::npos)
            return Ok("<string>Hallo</string>", 4);
        return {TScriptedHttpServer::Response("404 Not Found", "")};
    }

    void SmtpDialogue(TConnection& C)
    {
        Pass();
        C.Send("220 test ESMTP\r\n");
        for (int N = 0; N < 40; ++N) {
            const QByteArray Line = C.ReadLine();
            if (!Line.endsWith("\r\n"))
                return;
            const QByteArray Verb = Line.trimmed().split(' ').first().toUpper();
            if (Verb == "DATA") {
                C.Send("354 go on\r\n");
                C.ReadUntil("\r\n.\r\n");
            }
            C.Send(Verb == "QUIT" ? "221 bye\r\n" : "250 OK\r\n");
            if (Verb == "QUIT")
                return;
        }
    }
};

using TNote = std::function<void(const QString& Callback)>;

struct TRunCase {
    const char* Name;
    std::function<std::unique_ptr<TVxComponent>()> Make;
    // Assigns every callback of the component; each calls Note with its name.
    std::function<void(TVxComponent*, TNote)> Record;
    // The callback that comes after the run has begun, before its end.
    QString Mid;
    // The operation, blocking and asynchronous, its result as text.
    std::function<QString(TVxComponent*)> Run;
    std::function<QFuture<QString>(TVxComponent*)> Start;
    // What the component holds after a run.
    std::function<QString(TVxComponent*)> State;
    QString Expected;  // result, a space, state
};

template <class T>
T* As(TVxComponent* C)
{
    return static_cast<T*>(C);
}

inline QString Text(bool B)
{
    return B ? QStringLiteral("true") : QStringLiteral("false");
}

// The socket client's notifications, for each socket case.
template <class T>
void RecordSocket(TVxComponent* C, TNote N)
{
    auto* S = As<T>(C);
    S->SetOnBeforeExecute([N](QObject*) { N(QStringLiteral("before")); });
    S->SetOnLookup([N](QObject*, TVxClientSocket*) { N(QStringLiteral("lookup")); });
    S->SetOnConnecting([N](QObject*, TVxClientSocket*) { N(QStringLiteral("connecting")); });
    S->SetOnConnect([N](QObject*, TVxClientSocket*) { N(QStringLiteral("connect")); });
    S->SetOnDisconnect([N](QObject*, TVxClientSocket*) { N(QStringLiteral("disconnect")); });
    S->SetOnAfterExecute([N](QObject*, QString&) { N(QStringLiteral("after")); });
}

// The web component's notifications; runs of progress reports count as one.
inline void RecordWeb(TVxComponent* C, TNote N)
{
    auto* W = As<TVxCustomWebComponent>(C);
    W->SetOnBeforeExecute([N](QObject*) { N(QStringLiteral("before")); });
    W->SetOnActionChange([N, W](QObject*) { N(QStringLiteral("action %1").arg(int(W->Action()))); });
    W->SetOnStatusChange([N, W](QObject*) { N(QStringLiteral("status %1").arg(int(W->Status()))); });
    W->SetOnProgress([N](QObject*, int, int, bool&) { N(QStringLiteral("progress")); });
    W->SetOnAfterExecute([N](QObject*) { N(QStringLiteral("after")); });
    if (auto* U = qobject_cast<TVxCustomWebUpdater*>(C))
        U->SetOnFileCompare([N](QObject*, bool&) { N(QStringLiteral("compare")); });
}

// The cases, against the servers and files of P.
inline std::vector<TRunCase> RunCases(TRunPeers& P)
{
    std::vector<TRunCase> Cases;
    Cases.push_back({"whois",
                     [&P] {
                         auto W = std::make_unique<TVxWhoIs>();
                         W->SetAutoSelectServer(false);
                         W->SetHost(QStringLiteral("127.0.0.1"));
                         W->SetPort(P.Whois.Port());
                         W->SetDomain(QStringLiteral("example.org"));
                         return W;
                     },
                     RecordSocket<TVxWhoIs>, QStringLiteral("connect"),
                     [](TVxComponent* C) { return As<TVxWhoIs>(C)->Execute(); },
                     [](TVxComponent* C) { return As<TVxWhoIs>(C)->ExecuteAsync(); },
                     [](TVxComponent* C) { return Text(As<TVxWhoIs>(C)->Connected()); },
                     QStringLiteral("Domain Name: EXAMPLE.ORG\r\nRegistrar: Test\r\n false")});
    Cases.push_back({"smtp",
                     [&P] {
                         auto M = std::make_unique<TVxISMTP>();
                         M->SetHost(QStringLiteral("127.0.0.1"));
                         M->SetPort(P.Smtp.Port());
                         M->From()->SetAddress(QStringLiteral("me@example.org"));
                         M->Recipients()->SetEMailAddresses(QStringLiteral("you@example.org"));
                         M->SetSubject(QStringLiteral("Hi"));
                         M->SetBody({QStringLiteral("Hello")});
                         return M;
                     },
                     RecordSocket<TVxISMTP>, QStringLiteral("connect"),
                     [](TVxComponent* C) { return As<TVxISMTP>(C)->Execute(); },
                     [](TVxComponent* C) { return As<TVxISMTP>(C)->ExecuteAsync(); },
                     [](TVxComponent* C) { return Text(As<TVxISMTP>(C)->Connected()); },
                     QStringLiteral(" false")});
    Cases.push_back({"download",
                     [&P] {
                         auto U = std::make_unique<TVxWebUpdater>();
                         U->SetHost(QStringLiteral("127.0.0.1"));
                         U->SetPort(P.Http.Port());
                         U->SetRemoteFileName(QStringLiteral("/file.bin"));
                         U->SetLocalFileName(P.Dir.filePath(QStringLiteral("file.bin")));
                         QFile::remove(U->LocalFileName());
                         // Downloaded each time, so that every run has the same callbacks.
                         return U;
                     },
                     RecordWeb, QStringLiteral("progress"),
                     [](TVxComponent* C) { return Text(As<TVxWebUpdater>(C)->Execute()); },
                     [](TVxComponent* C) { return As<TVxWebUpdater>(C)->ExecuteAsync().then(Text); },
                     [](TVxComponent* C) {
                         auto* U = As<TVxWebUpdater>(C);
                         const QString Result = QStringLiteral("%1 %2").arg(U->Status()).arg(QFileInfo(U->LocalFileName()).size());
                         QFile::remove(U->LocalFileName());
                         return Result;
                     },
                     QStringLiteral("true 1 %1").arg(TRunPeers::FileSize)});
    Cases.push_back({"feed",
                     [&P] {
                         auto R = std::make_unique<TVxIRSSParser>();
                         R->SetHost(QStringLiteral("127.0.0.1"));
                         R->SetPort(P.Http.Port());
                         R->SetRemoteFileName(QStringLiteral("/feed.rss"));
                         return R;
                     },
                     RecordWeb, QStringLiteral("progress"),
                     [](TVxComponent* C) { return Text(As<TVxIRSSParser>(C)->Execute()); },
                     [](TVxComponent* C) { return As<TVxIRSSParser>(C)->ExecuteAsync().then(Text); },
                     [](TVxComponent* C) {
                         const TVxIRSSChannel* Ch = As<TVxIRSSParser>(C)->Channels()->GetItem(0);
                         return Ch ? QStringLiteral("%1 %2").arg(Ch->Title).arg(Ch->Items.Count()) : QStringLiteral("none");
                     },
                     QStringLiteral("true News 2")});
    Cases.push_back({"xml file",
                     [] { return std::make_unique<TVxXMLEngine>(); },
                     [](TVxComponent* C, TNote N) {
                         auto* E = As<TVxXMLEngine>(C);
                         E->SetOnTag([N](QObject*, TVxXMLItem*, const QString& Name, const QString&, const QString&,
                                         bool&) { N(QStringLiteral("tag ") + Name); });
                         E->SetOnAfterTag([N](QObject*, TVxXMLItem*& Node, bool&) { N(QStringLiteral("end ") + Node->TagName()); });
                     },
                     QStringLiteral("tag b"),
                     [&P](TVxComponent* C) {
                         As<TVxXMLEngine>(C)->LoadFromFile(P.XmlFile());
                         return QStringLiteral("loaded");
                     },
                     [&P](TVxComponent* C) {
                         return As<TVxXMLEngine>(C)->LoadFromFileAsync(P.XmlFile()).then([] { return QStringLiteral("loaded"); });
                     },
                     [](TVxComponent* C) {
                         const TVxXMLItem* Root = As<TVxXMLEngine>(C)->RootItem();
                         return QStringLiteral("%1 %2").arg(Root->TagName()).arg(Root->Items()->Count());
                     },
                     QStringLiteral("loaded a 3")});
    Cases.push_back({"translator",
                     [&P] {
                         auto T = std::make_unique<TVxMSTranslator>();
                         T->SetHost(QStringLiteral("http://127.0.0.1:%1/v2/Http.svc").arg(P.Http.Port()));
                         return T;
                     },
                     [](TVxComponent* C, TNote N) {
                         As<TVxMSTranslator>(C)->SetOnProgress([N](QObject*, int, int, bool&) { N(QStringLiteral("progress")); });
                     },
                     QStringLiteral("progress"),
                     [](TVxComponent* C) {
                         return As<TVxMSTranslator>(C)->TranslateText(QStringLiteral("Hello"), QStringLiteral("en"), QStringLiteral("de"));
                     },
                     [](TVxComponent* C) {
                         return As<TVxMSTranslator>(C)->TranslateTextAsync(QStringLiteral("Hello"), QStringLiteral("en"), QStringLiteral("de"));
                     },
                     [](TVxComponent* C) { return As<TVxMSTranslator>(C)->LastError(); },
                     QStringLiteral("Hallo ")});
    return Cases;
}

// The blocking run's result and the state after it, as Expected has them.
inline QString RunAndState(const TRunCase& Case, TVxComponent* C)
{
    const QString Result = Case.Run(C);
    return Result + QLatin1Char(' ') + Case.State(C);
}

// The same for a finished asynchronous run.
inline QString ResultAndState(const TRunCase& Case, TVxComponent* C, const QFuture<QString>& Future)
{
    const QString Result = Future.result();
    return Result + QLatin1Char(' ') + Case.State(C);
}

// Calls Hook the first time the named callback is noted.
inline TNote OnceAt(const QString& Name, std::function<void()> Hook)
{
    return [Name, Hook = std::move(Hook), Done = std::make_shared<bool>(false)](const QString& Callback) {
        if (Callback == Name && !*Done) {
            *Done = true;
            Hook();
        }
    };
}

}  // namespace vxtest
