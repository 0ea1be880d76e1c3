// The components the run tests drive, one of each kind that runs: a socket client, the
// mail sender, a download, a feed, the XML engine reading a file and a translator call,
// each against a server of its own on 127.0.0.1. A case makes its component, installs a
// hook that a callback raised in the middle of the run calls, runs it and describes the
// result as text, so that the tests are written once for all of them.
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

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vxtest {

// The servers and files of every case. The HTTP answers trickle, so that a download has
// many blocks and a run lasts while the test acts on it.
class TRunPeers {
public:
    static constexpr qsizetype FileSize = 64 * 1024;

    TRunPeers()
        : Whois([](TConnection& C) {
              C.ReadLine();
              C.Send("Domain Name: EXAMPLE.ORG\r\nRegistrar: Test\r\n");
          }, TScriptedServer::Unlimited, TScriptedServer::Concurrently),
          Smtp([](TConnection& C) { SmtpDialogue(C); }, TScriptedServer::Unlimited, TScriptedServer::Concurrently),
          Http([](const std::string& Request) { return Answer(Request); })
    {
        WriteFile(Dir.filePath(QStringLiteral("doc.xml")), "<a><b>1</b><c>2</c><d>3</d></a>");
    }

    static QByteArray FileBody()
    {
        QByteArray Body(FileSize, '\0');
        for (qsizetype I = 0; I < Body.size(); ++I)
            Body[I] = char('a' + I % 26);
        return Body;
    }

    QTemporaryDir Dir;
    TScriptedServer Whois;
    TScriptedServer Smtp;
    TScriptedHttpServer Http;

private:
    static TScriptReply Answer(const std::string& Request)
    {
        const std::string Line = Request.substr(0, Request.find("\r\n"));
        auto Ok = [](const std::string& Body, size_t Trickle) {
            return TScriptReply{TScriptedHttpServer::Response("200 OK", Body), false, Trickle};
        };
        if (Line.find("/file.bin") != std::string::npos)
            return Ok(FileBody().toStdString(), 4096);
        if (Line.find("/feed.rss") != std::string::npos)
            return Ok("<rss version=\"2.0\"><channel><title>News</title>"
                      "<item><title>One</title></item><item><title>Two</title></item></channel></rss>",
                      16);
        if (Line.find("/Translate?") != std::string::npos)
            return Ok("<string>Hallo</string>", 4);
        return {TScriptedHttpServer::Response("404 Not Found", "")};
    }

    static void SmtpDialogue(TConnection& C)
    {
        C.Send("220 test ESMTP\r\n");
        for (int N = 0; N < 20; ++N) {
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

struct TRunCase {
    const char* Name;
    std::function<std::unique_ptr<TVxComponent>()> Make;
    // Hook is called from a callback that the run raises after it has begun.
    std::function<void(TVxComponent*, std::function<void()> Hook)> OnMidRun;
    // The blocking operation, its result as text.
    std::function<QString(TVxComponent*)> Run;
    QString Expected;
};

template <class T>
T* As(TVxComponent* C)
{
    return static_cast<T*>(C);
}

// Calls Hook the first time the returned handler part runs.
inline std::function<void()> Once(std::function<void()> Hook)
{
    return [Hook = std::move(Hook), Done = std::make_shared<bool>(false)] {
        if (!*Done) {
            *Done = true;
            Hook();
        }
    };
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
                     [](TVxComponent* C, std::function<void()> Hook) {
                         As<TVxWhoIs>(C)->SetOnConnect([H = Once(Hook)](QObject*, TVxClientSocket*) { H(); });
                     },
                     [](TVxComponent* C) { return As<TVxWhoIs>(C)->Execute(); },
                     QStringLiteral("Domain Name: EXAMPLE.ORG\r\nRegistrar: Test\r\n")});
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
                     [](TVxComponent* C, std::function<void()> Hook) {
                         As<TVxISMTP>(C)->SetOnConnect([H = Once(Hook)](QObject*, TVxClientSocket*) { H(); });
                     },
                     [](TVxComponent* C) { return QStringLiteral("sent:") + As<TVxISMTP>(C)->Execute(); },
                     QStringLiteral("sent:")});
    Cases.push_back({"download",
                     [&P] {
                         auto U = std::make_unique<TVxWebUpdater>();
                         U->SetHost(QStringLiteral("127.0.0.1"));
                         U->SetPort(P.Http.Port());
                         U->SetRemoteFileName(QStringLiteral("/file.bin"));
                         U->SetLocalFileName(P.Dir.filePath(QStringLiteral("file.bin")));
                         QFile::remove(U->LocalFileName());
                         return U;
                     },
                     [](TVxComponent* C, std::function<void()> Hook) {
                         As<TVxWebUpdater>(C)->SetOnProgress([H = Once(Hook)](QObject*, int, int, bool&) { H(); });
                     },
                     [](TVxComponent* C) {
                         auto* U = As<TVxWebUpdater>(C);
                         const bool Ok = U->Execute();
                         return QStringLiteral("%1 %2").arg(Ok).arg(QFileInfo(U->LocalFileName()).size());
                     },
                     QStringLiteral("1 %1").arg(TRunPeers::FileSize)});
    Cases.push_back({"feed",
                     [&P] {
                         auto R = std::make_unique<TVxIRSSParser>();
                         R->SetHost(QStringLiteral("127.0.0.1"));
                         R->SetPort(P.Http.Port());
                         R->SetRemoteFileName(QStringLiteral("/feed.rss"));
                         return R;
                     },
                     [](TVxComponent* C, std::function<void()> Hook) {
                         As<TVxIRSSParser>(C)->SetOnProgress([H = Once(Hook)](QObject*, int, int, bool&) { H(); });
                     },
                     [](TVxComponent* C) {
                         auto* R = As<TVxIRSSParser>(C);
                         const bool Ok = R->Execute();
                         const TVxIRSSChannel* Ch = R->Channels()->GetItem(0);
                         return QStringLiteral("%1 %2 %3").arg(Ok).arg(Ch ? Ch->Title : QString()).arg(Ch ? Ch->Items.Count() : -1);
                     },
                     QStringLiteral("1 News 2")});
    Cases.push_back({"xml file",
                     [] { return std::make_unique<TVxXMLEngine>(); },
                     [](TVxComponent* C, std::function<void()> Hook) {
                         As<TVxXMLEngine>(C)->SetOnTag([H = Once(Hook)](QObject*, TVxXMLItem*, const QString&,
                                                                       const QString&, const QString&, bool&) { H(); });
                     },
                     [&P](TVxComponent* C) {
                         auto* E = As<TVxXMLEngine>(C);
                         E->LoadFromFile(P.Dir.filePath(QStringLiteral("doc.xml")));
                         return QStringLiteral("%1 %2").arg(E->RootItem()->TagName()).arg(E->RootItem()->Items()->Count());
                     },
                     QStringLiteral("a 3")});
    Cases.push_back({"translator",
                     [&P] {
                         auto T = std::make_unique<TVxMSTranslator>();
                         T->SetHost(QStringLiteral("http://127.0.0.1:%1/v2/Http.svc").arg(P.Http.Port()));
                         return T;
                     },
                     [](TVxComponent* C, std::function<void()> Hook) {
                         As<TVxMSTranslator>(C)->SetOnProgress([H = Once(Hook)](QObject*, int, int, bool&) { H(); });
                     },
                     [](TVxComponent* C) {
                         return As<TVxMSTranslator>(C)->TranslateText(QStringLiteral("Hello"), QStringLiteral("en"),
                                                                       QStringLiteral("de"));
                     },
                     QStringLiteral("Hallo")});
    return Cases;
}

}  // namespace vxtest
