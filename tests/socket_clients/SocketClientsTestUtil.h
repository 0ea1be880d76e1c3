// Helpers for the socket client tests.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdlib>
#include <ctime>
#include <string>

// Byte text from bytes and back.
inline QString Bytes(const QByteArray& B)
{
    return QString::fromLatin1(B);
}

// Sets TZ for the life of the object, then puts the old value back.
class TZGuard {
public:
    explicit TZGuard(const char* Zone)
    {
        if (const char* Old = std::getenv("TZ")) {
            FHad = true;
            FOld = Old;
        }
        ::setenv("TZ", Zone, 1);
        ::tzset();
    }
    ~TZGuard()
    {
        if (FHad)
            ::setenv("TZ", FOld.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    bool FHad = false;
    std::string FOld;
};

// A UDP responder on 127.0.0.1 at a given port (so that it can share a port number with
// a TCP test server), answering each datagram with Reply(request). Runs for at most
// MaxDatagrams datagrams or 20 s.
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class TUdpOnPort {
public:
    using Reply = std::function<QByteArray(const QByteArray&)>;
    TUdpOnPort(quint16 Port, Reply R, int MaxDatagrams = 1);
    ~TUdpOnPort();
    bool Bound() const { return FFd >= 0; }
    std::vector<QByteArray> Received() const;

private:
    int FFd = -1;
    Reply FReply;
    bool FStop = false;
    mutable std::mutex FMutex;
    std::vector<QByteArray> FReceived;
    std::thread FThread;
};
