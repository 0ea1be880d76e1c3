#include "platform/VxHostLookup.h"

#include "platform/VxRunState.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

QHostInfo VxLookupHost(const QString& HostName, int TimeoutMs, bool& Expired)
{
    Expired = false;
    // Inside a run the lookup is waited for in slices, so that cancelling the run ends it.
    const bool InRun = TVxRunState::Current() != nullptr;
    if (TimeoutMs <= 0 && !InRun)
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
    const QDeadlineTimer Deadline =
        TimeoutMs > 0 ? QDeadlineTimer(TimeoutMs) : QDeadlineTimer(QDeadlineTimer::Forever);
    std::unique_lock Lock(State->Mutex);
    while (!State->Finished) {
        if (Deadline.hasExpired()) {
            Expired = true;
            return QHostInfo();
        }
        if (VxRunCancelled()) {
            Lock.unlock();
            VxCheckCancelled();
        }
        // Outside a run the deadline is finite (see above).
        qint64 Ms = Deadline.remainingTime();
        if (InRun && (Ms < 0 || Ms > TVxRunState::CancelPollMs))
            Ms = TVxRunState::CancelPollMs;
        State->Done.wait_for(Lock, std::chrono::milliseconds(Ms));
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
