#include "scripted_server.h"

#include <QDeadlineTimer>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace vxtest {

namespace {

// Waits are cut into slices of this length so that a stopping server is noticed soon.
constexpr int SliceMs = 50;

bool WaitReadable(int Fd, int TimeoutMs)
{
    pollfd P{Fd, POLLIN, 0};
    return ::poll(&P, 1, TimeoutMs) > 0;
}

// Binds to 127.0.0.1:Port (0 for an ephemeral port, written back); -1 when taken.
int ListenOn(int Type, quint16& Port)
{
    const int Fd = ::socket(AF_INET, Type, 0);
    if (Fd < 0)
        return -1;
    int One = 1;
    ::setsockopt(Fd, SOL_SOCKET, SO_REUSEADDR, &One, sizeof One);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    A.sin_port = htons(Port);
    if (::bind(Fd, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0 ||
        (Type == SOCK_STREAM && ::listen(Fd, 16) != 0)) {
        ::close(Fd);
        return -1;
    }
    socklen_t Len = sizeof A;
    ::getsockname(Fd, reinterpret_cast<sockaddr*>(&A), &Len);
    Port = ntohs(A.sin_port);
    return Fd;
}

// A plain TCP connection on a socket it owns.
class TTcpConnection : public TConnection {
public:
    explicit TTcpConnection(int Fd) : FFd(Fd) {}
    ~TTcpConnection() override { Close(); }

    bool Send(const QByteArray& Data) override
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

    void Close() override
    {
        if (FFd >= 0) {
            ::shutdown(FFd, SHUT_RDWR);
            ::close(FFd);
            FFd = -1;
        }
    }

    void Reset() override
    {
        if (FFd >= 0) {
            const linger Abort{1, 0};  // close with RST instead of FIN
            ::setsockopt(FFd, SOL_SOCKET, SO_LINGER, &Abort, sizeof Abort);
            ::close(FFd);
            FFd = -1;
        }
    }

protected:
    qsizetype Receive(QByteArray& Into, int TimeoutMs) override
    {
        if (FFd < 0)
            return -1;
        if (!WaitReadable(FFd, TimeoutMs))
            return 0;
        char Buf[65536];
        const ssize_t N = ::recv(FFd, Buf, sizeof Buf, 0);
        if (N <= 0)
            return -1;
        Into.append(Buf, N);
        return N;
    }

private:
    int FFd;
};

}  // namespace

bool TConnection::Fill(int TimeoutMs)
{
    QDeadlineTimer Deadline(std::max(TimeoutMs, 0));
    do {
        if (FPeerClosed || (FStopping && *FStopping))
            return false;
        const int Slice = int(std::min<qint64>(Deadline.remainingTime(), SliceMs));
        const qsizetype Before = FBuffer.size();
        const qsizetype N = Receive(FBuffer, Slice);
        if (N < 0) {
            FPeerClosed = true;
            return false;
        }
        if (N > 0) {
            FReceived.append(FBuffer.constData() + Before, FBuffer.size() - Before);
            return true;
        }
    } while (!Deadline.hasExpired());
    return false;
}

QByteArray TConnection::ReadUntil(const QByteArray& Delimiter, int TimeoutMs)
{
    QDeadlineTimer Deadline(TimeoutMs);
    qsizetype At;
    while ((At = FBuffer.indexOf(Delimiter)) < 0)
        if (Deadline.hasExpired() || !Fill(int(Deadline.remainingTime())))
            break;
    const qsizetype End = At < 0 ? FBuffer.size() : At + Delimiter.size();
    const QByteArray Out = FBuffer.left(End);
    FBuffer.remove(0, End);
    return Out;
}

QByteArray TConnection::ReadCount(qsizetype Count, int TimeoutMs)
{
    QDeadlineTimer Deadline(TimeoutMs);
    while (FBuffer.size() < Count)
        if (Deadline.hasExpired() || !Fill(int(Deadline.remainingTime())))
            break;
    const QByteArray Out = FBuffer.left(Count);
    FBuffer.remove(0, Out.size());
    return Out;
}

QByteArray TConnection::ReadAll(int TimeoutMs)
{
    QDeadlineTimer Deadline(TimeoutMs);
    while (!Deadline.hasExpired() && Fill(int(Deadline.remainingTime()))) {
    }
    const QByteArray Out = FBuffer;
    FBuffer.clear();
    return Out;
}

QByteArray TConnection::ReadSome(int TimeoutMs)
{
    if (FBuffer.isEmpty())
        Fill(TimeoutMs);
    while (Fill(0)) {
    }
    const QByteArray Out = FBuffer;
    FBuffer.clear();
    return Out;
}

TScriptedServer::TScriptedServer(Script S, int MaxConnections, TServing Serving)
    : TScriptedServer(std::move(S), MaxConnections, Serving, 20000)
{
    Start([](int Fd) { return std::make_unique<TTcpConnection>(Fd); });
}

TScriptedServer::TScriptedServer(Script S, int MaxConnections, TServing Serving, int AcceptForMs)
    : FScript(std::move(S)), FMaxConnections(MaxConnections), FServing(Serving), FAcceptForMs(AcceptForMs)
{
    FListenFd = ListenOn(SOCK_STREAM, FPort);
}

TScriptedServer::~TScriptedServer()
{
    Stop();
}

void TScriptedServer::Start(Opener Open)
{
    FOpen = std::move(Open);
    if (FListenFd < 0)
        return;
    // QThreads, so that Qt sockets made by an opener have an event dispatcher to wait with.
    FAcceptThread.reset(QThread::create([this] { AcceptLoop(); }));
    FAcceptThread->start();
}

void TScriptedServer::Stop()
{
    FStop = true;
    if (FAcceptThread)
        FAcceptThread->wait();
    FAcceptThread.reset();
    std::vector<std::unique_ptr<QThread>> Workers;
    {
        std::lock_guard Lock(FMutex);
        Workers.swap(FWorkers);
    }
    for (auto& W : Workers)
        W->wait();
    if (FListenFd >= 0)
        ::close(FListenFd);
    FListenFd = -1;
}

void TScriptedServer::AcceptLoop()
{
    const bool Limited = FMaxConnections != Unlimited;
    QDeadlineTimer Deadline(Limited ? FAcceptForMs : -1);
    for (int Accepted = 0; !FStop && (!Limited || Accepted < FMaxConnections) && !Deadline.hasExpired();) {
        if (!WaitReadable(FListenFd, SliceMs))
            continue;
        const int Fd = ::accept(FListenFd, nullptr, nullptr);
        if (Fd < 0)
            continue;
        ++Accepted;
        if (FServing == OneAtATime) {
            Serve(Fd);
            continue;
        }
        std::unique_ptr<QThread> Worker(QThread::create([this, Fd] { Serve(Fd); }));
        Worker->start();
        std::lock_guard Lock(FMutex);
        FWorkers.push_back(std::move(Worker));
    }
    // Later clients are refused at once instead of waiting on an unserved backlog.
    if (Limited) {
        ::close(FListenFd);
        FListenFd = -1;
    }
}

void TScriptedServer::Serve(int Fd)
{
    std::unique_ptr<TConnection> Connection = FOpen(Fd);
    if (!Connection)
        return;
    Connection->FStopping = &FStop;
    ++FConnections;
    FScript(*Connection);
    Connection->Close();
    {
        std::lock_guard Lock(FMutex);
        FReceived.push_back(Connection->Received());
    }
    FScriptDone.notify_all();
}

QByteArray TScriptedServer::Received(int Index) const
{
    std::unique_lock Lock(FMutex);
    FScriptDone.wait_for(Lock, std::chrono::seconds(5), [&] { return Index < int(FReceived.size()); });
    return Index < int(FReceived.size()) ? FReceived[size_t(Index)] : QByteArray();
}

TScriptedUdpServer::TScriptedUdpServer(Reply R, int MaxDatagrams) : TScriptedUdpServer(0, std::move(R), MaxDatagrams)
{
}

TScriptedUdpServer::TScriptedUdpServer(quint16 Port, Reply R, int MaxDatagrams)
    : FReplies([R = std::move(R)](const QByteArray& Request, quint16) { return QList<QByteArray>{R(Request)}; }),
      FPort(Port)
{
    Start(MaxDatagrams);
}

TScriptedUdpServer::TScriptedUdpServer(Replies R, int MaxDatagrams) : FReplies(std::move(R))
{
    Start(MaxDatagrams);
}

void TScriptedUdpServer::Start(int MaxDatagrams)
{
    FFd = ListenOn(SOCK_DGRAM, FPort);
    if (FFd < 0)
        return;
    FThread.reset(QThread::create([this, MaxDatagrams] { Run(MaxDatagrams); }));
    FThread->start();
}

TScriptedUdpServer::~TScriptedUdpServer()
{
    FStop = true;
    if (FThread)
        FThread->wait();
    if (FFd >= 0)
        ::close(FFd);
}

void TScriptedUdpServer::Run(int MaxDatagrams)
{
    QDeadlineTimer Deadline(20000);
    int Count = 0;
    while (!FStop && Count < MaxDatagrams && !Deadline.hasExpired()) {
        if (!WaitReadable(FFd, SliceMs))
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
                ::sendto(FFd, Answer.constData(), size_t(Answer.size()), 0, reinterpret_cast<sockaddr*>(&From), Len);
    }
}

std::vector<QByteArray> TScriptedUdpServer::Received() const
{
    std::lock_guard Lock(FMutex);
    return FReceived;
}

}  // namespace vxtest
