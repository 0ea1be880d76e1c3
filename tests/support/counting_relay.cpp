#include "counting_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vxtest {

namespace {

// A relayed connection lasts at most this long; each wait is a short slice of it, so
// that stopping is noticed.
constexpr int MaxRelayMs = 60000;
constexpr int SliceMs = 50;

sockaddr_in Loopback(int Port)
{
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    A.sin_port = htons(quint16(Port));
    return A;
}

}  // namespace

TCountingRelay::TCountingRelay(int TargetPort) : FTargetPort(TargetPort)
{
    FListenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in A = Loopback(0);
    socklen_t Len = sizeof A;
    if (FListenFd < 0 || ::bind(FListenFd, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0 ||
        ::listen(FListenFd, 16) != 0 || ::getsockname(FListenFd, reinterpret_cast<sockaddr*>(&A), &Len) != 0)
        return;
    FPort = ntohs(A.sin_port);
    FAccept = std::thread([this] { AcceptLoop(); });
}

TCountingRelay::~TCountingRelay()
{
    FStop = true;
    if (FAccept.joinable())
        FAccept.join();
    std::lock_guard<std::mutex> L(FMutex);
    for (std::thread& T : FThreads)
        T.join();
    if (FListenFd >= 0)
        ::close(FListenFd);
}

void TCountingRelay::AcceptLoop()
{
    while (!FStop) {
        pollfd P{FListenFd, POLLIN, 0};
        if (::poll(&P, 1, SliceMs) <= 0)
            continue;
        const int Client = ::accept(FListenFd, nullptr, nullptr);
        if (Client < 0)
            continue;
        ++FConnections;
        std::lock_guard<std::mutex> L(FMutex);
        FThreads.emplace_back([this, Client] { Relay(Client); });
    }
}

void TCountingRelay::Relay(int Client)
{
    const int Server = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in A = Loopback(FTargetPort);
    if (Server >= 0 && ::connect(Server, reinterpret_cast<const sockaddr*>(&A), sizeof A) == 0) {
        char Buffer[65536];
        pollfd P[2] = {{Client, POLLIN, 0}, {Server, POLLIN, 0}};
        for (int Waited = 0; !FStop && Waited < MaxRelayMs;) {
            const int N = ::poll(P, 2, SliceMs);
            if (N == 0) {
                Waited += SliceMs;
                continue;
            }
            if (N < 0)
                break;
            bool Closed = false;
            for (int I = 0; I < 2 && !Closed; ++I) {
                if (!(P[I].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                const ssize_t Got = ::recv(P[I].fd, Buffer, sizeof Buffer, 0);
                Closed = Got <= 0 || ::send(P[1 - I].fd, Buffer, size_t(Got), MSG_NOSIGNAL) != Got;
            }
            if (Closed)
                break;
        }
    }
    if (Server >= 0)
        ::close(Server);
    ::close(Client);
}

}  // namespace vxtest
