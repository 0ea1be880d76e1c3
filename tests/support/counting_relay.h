// A TCP relay on 127.0.0.1 in front of a server on 127.0.0.1: every connection made to
// the relay is passed on to the server, byte for byte in both directions, and counted.
// It counts the connections a client really opens, also those that carry no request.
// FTP data connections, whose address the server gives, go to the server directly.
#pragma once

#include <QtGlobal>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vxtest {

class TCountingRelay {
public:
    explicit TCountingRelay(int TargetPort);
    ~TCountingRelay();  // stops accepting and ends every relayed connection
    TCountingRelay(const TCountingRelay&) = delete;
    TCountingRelay& operator=(const TCountingRelay&) = delete;

    int Port() const { return FPort; }
    int Connections() const { return FConnections; }

private:
    void AcceptLoop();
    void Relay(int Client);

    int FTargetPort;
    int FListenFd = -1;
    int FPort = 0;
    std::atomic<int> FConnections{0};
    std::atomic<bool> FStop{false};
    std::mutex FMutex;
    std::vector<std::thread> FThreads;
    std::thread FAccept;
};

}  // namespace vxtest
