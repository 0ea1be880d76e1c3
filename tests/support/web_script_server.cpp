#include "web_script_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace vxtest {

TScriptedHttpServer::TScriptedHttpServer(Script Handler) : FHandler(std::move(Handler))
{
    FListen = ::socket(AF_INET, SOCK_STREAM, 0);
    int One = 1;
    ::setsockopt(FListen, SOL_SOCKET, SO_REUSEADDR, &One, sizeof One);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    A.sin_port = 0;
    ::bind(FListen, reinterpret_cast<sockaddr*>(&A), sizeof A);
    ::listen(FListen, 16);
    socklen_t Len = sizeof A;
    ::getsockname(FListen, reinterpret_cast<sockaddr*>(&A), &Len);
    FPort = ntohs(A.sin_port);
    FAcceptThread = std::thread([this] { AcceptLoop(); });
}

TScriptedHttpServer::~TScriptedHttpServer()
{
    FStop = true;
    if (FAcceptThread.joinable())
        FAcceptThread.join();
    ::close(FListen);
    std::vector<std::thread> Workers;
    {
        std::lock_guard<std::mutex> L(FLock);
        Workers.swap(FWorkers);
    }
    for (auto& W : Workers)
        W.join();
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

void TScriptedHttpServer::AcceptLoop()
{
    while (!FStop) {
        pollfd P{FListen, POLLIN, 0};
        if (::poll(&P, 1, 50) <= 0)
            continue;
        const int S = ::accept(FListen, nullptr, nullptr);
        if (S < 0)
            continue;
        std::lock_guard<std::mutex> L(FLock);
        FWorkers.emplace_back([this, S] { Serve(S); });
    }
}

void TScriptedHttpServer::Serve(int Socket)
{
    // Reads the head (and a body of Content-Length bytes), with a bound on the wait.
    std::string Request;
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    size_t HeadEnd = std::string::npos;
    size_t Want = 0;
    while (!FStop && std::chrono::steady_clock::now() < Deadline) {
        if (HeadEnd != std::string::npos && Request.size() >= HeadEnd + 4 + Want)
            break;
        pollfd P{Socket, POLLIN, 0};
        if (::poll(&P, 1, 50) <= 0)
            continue;
        char Buf[4096];
        const ssize_t N = ::recv(Socket, Buf, sizeof Buf, 0);
        if (N <= 0)
            break;
        Request.append(Buf, static_cast<size_t>(N));
        if (HeadEnd == std::string::npos) {
            HeadEnd = Request.find("\r\n\r\n");
            if (HeadEnd != std::string::npos) {
                std::string Lower = Request.substr(0, HeadEnd);
                for (auto& C : Lower)
                    C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
                const size_t CL = Lower.find("content-length:");
                if (CL != std::string::npos)
                    Want = std::strtoul(Lower.c_str() + CL + 15, nullptr, 10);
            }
        }
    }
    if (HeadEnd != std::string::npos) {
        {
            std::lock_guard<std::mutex> L(FLock);
            FRequests.push_back(Request);
        }
        const TScriptReply Reply = FHandler(Request);
        for (int Waited = 0; Waited < Reply.StallMs && !FStop; Waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!Reply.CloseWithoutReply) {
            const size_t Step = Reply.Trickle ? Reply.Trickle : Reply.Data.size();
            for (size_t Off = 0; Off < Reply.Data.size() && !FStop; Off += Step) {
                const size_t N = std::min(Step, Reply.Data.size() - Off);
                if (::send(Socket, Reply.Data.data() + Off, N, MSG_NOSIGNAL) < 0)
                    break;
                if (Reply.Trickle)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
    }
    ::shutdown(Socket, SHUT_RDWR);
    ::close(Socket);
}

}  // namespace vxtest
