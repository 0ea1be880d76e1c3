#include "scripted_http_server.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>
#include <cstdlib>

namespace vxtest {

TScriptedHttpServer::TScriptedHttpServer(Script Handler)
    : FHandler(std::move(Handler)),
      FServer([this](TConnection& C) { Serve(C); }, TScriptedServer::Unlimited, TScriptedServer::Concurrently)
{
}

std::vector<std::string> TScriptedHttpServer::Requests() const
{
    std::lock_guard<std::mutex> L(FLock);
    return FRequests;
}

std::string TScriptedHttpServer::Response(const std::string& Status, const std::string& Body,
                                          const std::string& Headers, bool NoLength)
{
    std::string R = "HTTP/1.0 " + Status + "\r\n" + Headers;
    if (!NoLength)
        R += "Content-Length: " + std::to_string(Body.size()) + "\r\n";
    R += "\r\n" + Body;
    return R;
}

void TScriptedHttpServer::Serve(TConnection& C)
{
    // The head, then a body of Content-Length bytes, within 10 s in all.
    QDeadlineTimer Deadline(10000);
    QByteArray Request = C.ReadUntil("\r\n\r\n", int(Deadline.remainingTime()));
    if (!Request.endsWith("\r\n\r\n"))
        return;
    const QByteArray Lower = Request.toLower();
    const qsizetype Length = Lower.indexOf("content-length:");
    if (Length >= 0) {
        const qsizetype Want = std::strtoul(Lower.constData() + Length + 15, nullptr, 10);
        Request += C.ReadCount(Want, int(Deadline.remainingTime()));
    }
    {
        std::lock_guard<std::mutex> L(FLock);
        FRequests.push_back(Request.toStdString());
    }
    const TScriptReply Reply = FHandler(Request.toStdString());
    for (int Waited = 0; Waited < Reply.StallMs && !FServer.Stopping(); Waited += 10)
        QThread::msleep(10);
    if (Reply.CloseWithoutReply)
        return;
    const size_t Step = Reply.Trickle ? Reply.Trickle : Reply.Data.size();
    for (size_t Off = 0; Off < Reply.Data.size() && !FServer.Stopping(); Off += Step) {
        const size_t N = std::min(Step, Reply.Data.size() - Off);
        if (!C.Send(QByteArray(Reply.Data.data() + Off, qsizetype(N))))
            break;
        if (Reply.Trickle)
            QThread::msleep(2);
    }
}

}  // namespace vxtest
