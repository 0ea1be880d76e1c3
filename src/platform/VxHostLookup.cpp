#include "platform/VxHostLookup.h"

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

QHostAddress VxPreferredHostAddress(const QString& HostName, int TimeoutMs, bool& Expired)
{
    Expired = false;
    QHostAddress Literal;
    if (Literal.setAddress(HostName))
        return Literal;
    const QHostInfo Info = VxLookupHost(HostName, TimeoutMs, Expired);
    if (Expired || Info.error() != QHostInfo::NoError)
        return {};
    // IPv4 first: servers that listen on one family mostly listen on IPv4.
    for (const QHostAddress& A : Info.addresses())
        if (A.protocol() == QAbstractSocket::IPv4Protocol)
            return A;
    return Info.addresses().isEmpty() ? QHostAddress() : Info.addresses().constFirst();
}

QString VxHostNotFoundText(const QString& HostName)
{
    return QStringLiteral("Host %1 not found").arg(HostName);
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
