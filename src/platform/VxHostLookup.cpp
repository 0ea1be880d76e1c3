#include <vedidoredo/platform/VxHostLookup.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

QHostInfo VxLookupHost(const QString& HostName, int TimeoutMs, bool& Expired)
{
    Expired = false;
    if (TimeoutMs <= 0)
        return QHostInfo::fromName(HostName);
    struct Shared {
        std::mutex Mutex;
        std::condition_variable Done;
        bool Finished = false;
        QHostInfo Info;
    };
    auto State = std::make_shared<Shared>();
    std::thread([State, HostName] {
        QHostInfo Info = QHostInfo::fromName(HostName);
        std::lock_guard Lock(State->Mutex);
        State->Info = Info;
        State->Finished = true;
        State->Done.notify_all();
    }).detach();
    std::unique_lock Lock(State->Mutex);
    if (!State->Done.wait_for(Lock, std::chrono::milliseconds(TimeoutMs),
                              [&] { return State->Finished; })) {
        Expired = true;
        return QHostInfo();
    }
    return State->Info;
}

int VxSocketErrorCode(QAbstractSocket::SocketError Error)
{
    switch (Error) {
    case QAbstractSocket::ConnectionRefusedError: return ECONNREFUSED;
    case QAbstractSocket::RemoteHostClosedError: return ECONNRESET;
    case QAbstractSocket::HostNotFoundError: return EHOSTUNREACH;
    case QAbstractSocket::SocketTimeoutError: return ETIMEDOUT;
    case QAbstractSocket::NetworkError: return ENETUNREACH;
    case QAbstractSocket::SocketAccessError: return EACCES;
    case QAbstractSocket::SocketResourceError: return ENOBUFS;
    case QAbstractSocket::AddressInUseError: return EADDRINUSE;
    default: return EIO;
    }
}
