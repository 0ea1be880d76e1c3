#include "VxTestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

bool WaitReadable(int Fd, int TimeoutMs)
{
    pollfd P{Fd, POLLIN, 0};
    return ::poll(&P, 1, TimeoutMs) > 0;
}

// Binds to 127.0.0.1:Port (0 for an ephemeral port, written back); -1 when taken.
int ListenOn(int Type, quint16& Port)
{
    const int Fd = ::socket(AF_INET, Type, 0);
    int One = 1;
    ::setsockopt(Fd, SOL_SOCKET, SO_REUSEADDR, &One, sizeof One);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    A.sin_port = htons(Port);
    if (::bind(Fd, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0) {
        ::close(Fd);
        return -1;
    }
    if (Type == SOCK_STREAM)
        ::listen(Fd, 8);
    socklen_t Len = sizeof A;
    ::getsockname(Fd, reinterpret_cast<sockaddr*>(&A), &Len);
    Port = ntohs(A.sin_port);
    return Fd;
}

}  // namespace

TVxTestConnection::TVxTestConnection(int Fd) : FFd(Fd) {}

TVxTestConnection::~TVxTestConnection()
{
    Close();
}

bool TVxTestConnection::Fill(int TimeoutMs)
{
    if (FFd < 0 || FPeerClosed || !WaitReadable(FFd, TimeoutMs))
        return false;
    char Buf[65536];
    const ssize_t N = ::recv(FFd, Buf, sizeof Buf, 0);
    if (N <= 0) {
        FPeerClosed = true;
        return false;
    }
    FBuffer.append(Buf, N);
    FReceived.append(Buf, N);
    return true;
}

QByteArray TVxTestConnection::ReadUntil(const QByteArray& Delimiter, int TimeoutMs)
{
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        const int At = FBuffer.indexOf(Delimiter);
        if (At >= 0) {
            const QByteArray Out = FBuffer.left(At + Delimiter.size());
            FBuffer.remove(0, Out.size());
            return Out;
        }
        const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
            Deadline - std::chrono::steady_clock::now()).count();
        if (Left <= 0 || !Fill(int(Left))) {
            const QByteArray Out = FBuffer;
            FBuffer.clear();
            return Out;
        }
    }
}

QByteArray TVxTestConnection::ReadCount(int Count, int TimeoutMs)
{
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (FBuffer.size() < Count) {
        const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
            Deadline - std::chrono::steady_clock::now()).count();
        if (Left <= 0 || !Fill(int(Left)))
            break;
    }
    const QByteArray Out = FBuffer.left(Count);
    FBuffer.remove(0, Out.size());
    return Out;
}

QByteArray TVxTestConnection::ReadAll(int TimeoutMs)
{
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
            Deadline - std::chrono::steady_clock::now()).count();
        if (Left <= 0 || !Fill(int(Left)))
            break;
    }
    const QByteArray Out = FBuffer;
    FBuffer.clear();
    return Out;
}

QByteArray TVxTestConnection::ReadSome(int TimeoutMs)
{
    if (FBuffer.isEmpty())
        Fill(TimeoutMs);
    while (Fill(0)) {
    }
    const QByteArray Out = FBuffer;
    FBuffer.clear();
    return Out;
}

bool TVxTestConnection::Send(const QByteArray& Data)
{
    qsizetype Done = 0;
    while (FFd >= 0 && Done < Data.size()) {
        const ssize_t N = ::send(FFd, Data.constData() + Done, size_t(Data.size() - Done), MSG_NOSIGNAL);
        if (N <= 0)
            return false;
        Done += N;
    }
    return Done == Data.size();
}

void TVxTestConnection::Close()
{
    if (FFd >= 0) {
        ::shutdown(FFd, SHUT_RDWR);
        ::close(FFd);
        FFd = -1;
    }
}

TVxTestServer::TVxTestServer(Script S, int MaxConnections) : FScript(std::move(S))
{
    FListenFd = ListenOn(SOCK_STREAM, FPort);
    FThread = std::thread([this, MaxConnections] { Run(MaxConnections); });
}

TVxTestServer::~TVxTestServer()
{
    FStop = true;
    FThread.join();
    if (FListenFd >= 0)
        ::close(FListenFd);
}

void TVxTestServer::Run(int MaxConnections)
{
    // Gives up after 20 s without a client so a failing test cannot hang the suite.
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!FStop && FConnections < MaxConnections && std::chrono::steady_clock::now() < Deadline) {
        if (!WaitReadable(FListenFd, 50))
            continue;
        const int Fd = ::accept(FListenFd, nullptr, nullptr);
        if (Fd < 0)
            continue;
        ++FConnections;
        TVxTestConnection Connection(Fd);
        FScript(Connection);
        {
            std::lock_guard Lock(FMutex);
            FReceived.push_back(Connection.Received());
        }
        FScriptDone.notify_all();
    }
    // Later clients are refused at once instead of waiting on an unserved backlog.
    ::close(FListenFd);
    FListenFd = -1;
}

QByteArray TVxTestServer::Received(int Index) const
{
    std::unique_lock Lock(FMutex);
    FScriptDone.wait_for(Lock, std::chrono::seconds(5), [&] { return Index < int(FReceived.size()); });
    return Index < int(FReceived.size()) ? FReceived[size_t(Index)] : QByteArray();
}

TVxTestUdpServer::TVxTestUdpServer(Reply R, int MaxDatagrams)
    : TVxTestUdpServer(0, std::move(R), MaxDatagrams)
{
}

TVxTestUdpServer::TVxTestUdpServer(quint16 Port, Reply R, int MaxDatagrams)
    : FReplies([R = std::move(R)](const QByteArray& Request, quint16) { return QList<QByteArray>{R(Request)}; })
{
    FPort = Port;
    FFd = ListenOn(SOCK_DGRAM, FPort);
    if (FFd >= 0)
        FThread = std::thread([this, MaxDatagrams] { Run(MaxDatagrams); });
}

TVxTestUdpServer::TVxTestUdpServer(Replies R, int MaxDatagrams) : FReplies(std::move(R))
{
    FFd = ListenOn(SOCK_DGRAM, FPort);
    if (FFd >= 0)
        FThread = std::thread([this, MaxDatagrams] { Run(MaxDatagrams); });
}

TVxTestUdpServer::~TVxTestUdpServer()
{
    FStop = true;
    if (FThread.joinable())
        FThread.join();
    if (FFd >= 0)
        ::close(FFd);
}

void TVxTestUdpServer::Run(int MaxDatagrams)
{
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int Count = 0;
    while (!FStop && Count < MaxDatagrams && std::chrono::steady_clock::now() < Deadline) {
        if (!WaitReadable(FFd, 50))
            continue;
        char Buf[65536];
        sockaddr_in From{};
        socklen_t Len = sizeof From;
        const ssize_t N = ::recvfrom(FFd, Buf, sizeof Buf, 0, reinterpret_cast<sockaddr*>(&From), &Len);
        if (N < 0)
            continue;
        const QByteArray Request(Buf, N);
        {
            std::lock_guard Lock(FMutex);
            FReceived.push_back(Request);
        }
        ++Count;
        for (const QByteArray& Answer : FReplies(Request, ntohs(From.sin_port)))
            if (!Answer.isEmpty())
                ::sendto(FFd, Answer.constData(), size_t(Answer.size()), 0,
                         reinterpret_cast<sockaddr*>(&From), Len);
    }
}

std::vector<QByteArray> TVxTestUdpServer::Received() const
{
    std::lock_guard Lock(FMutex);
    return FReceived;
}
