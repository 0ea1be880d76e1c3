#include "SocketClientsTestUtil.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

TUdpOnPort::TUdpOnPort(quint16 Port, Reply R, int MaxDatagrams) : FReply(std::move(R))
{
    FFd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in A{};
    A.sin_family = AF_INET;
    A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    A.sin_port = htons(Port);
    if (::bind(FFd, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0) {
        ::close(FFd);
        FFd = -1;
        return;
    }
    FThread = std::thread([this, MaxDatagrams] {
        const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        int Count = 0;
        while (Count < MaxDatagrams && std::chrono::steady_clock::now() < Deadline) {
            {
                std::lock_guard L(FMutex);
                if (FStop)
                    break;
            }
            pollfd P{FFd, POLLIN, 0};
            if (::poll(&P, 1, 50) <= 0)
                continue;
            char Buf[65536];
            sockaddr_in From{};
            socklen_t Len = sizeof From;
            const ssize_t N = ::recvfrom(FFd, Buf, sizeof Buf, 0, reinterpret_cast<sockaddr*>(&From), &Len);
            if (N < 0)
                continue;
            const QByteArray Request(Buf, N);
            {
                std::lock_guard L(FMutex);
                FReceived.push_back(Request);
            }
            ++Count;
            const QByteArray Answer = FReply(Request);
            if (!Answer.isEmpty())
                ::sendto(FFd, Answer.constData(), size_t(Answer.size()), 0,
                         reinterpret_cast<sockaddr*>(&From), Len);
        }
    });
}

TUdpOnPort::~TUdpOnPort()
{
    {
        std::lock_guard L(FMutex);
        FStop = true;
    }
    if (FThread.joinable())
        FThread.join();
    if (FFd >= 0)
        ::close(FFd);
}

std::vector<QByteArray> TUdpOnPort::Received() const
{
    std::lock_guard L(FMutex);
    return FReceived;
}
