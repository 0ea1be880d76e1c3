// Small scripted servers on 127.0.0.1 for wire tests. Each runs its script on a thread
// of its own with plain blocking sockets, so the code under test can block on the
// caller's thread. Every wait is bounded: a script that waits too long gives up.
#pragma once

#include <QByteArray>
#include <QList>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// One accepted TCP connection, as seen by a server script.
class TVxTestConnection {
public:
    explicit TVxTestConnection(int Fd);
    ~TVxTestConnection();

    // Reads until Delimiter has arrived (returned with it), the peer closes or the time is up.
    QByteArray ReadUntil(const QByteArray& Delimiter, int TimeoutMs = 5000);
    QByteArray ReadLine(int TimeoutMs = 5000) { return ReadUntil("\r\n", TimeoutMs); }
    // Reads exactly Count bytes unless the peer closes or the time is up.
    QByteArray ReadCount(int Count, int TimeoutMs = 5000);
    // Reads until the peer closes its side or the time is up.
    QByteArray ReadAll(int TimeoutMs = 5000);
    // Reads whatever arrives within TimeoutMs (at least one piece when any comes).
    QByteArray ReadSome(int TimeoutMs = 200);
    bool Send(const QByteArray& Data);
    void Close();  // closes the connection (the client then reads end of stream)
    bool PeerClosed() const { return FPeerClosed; }
    // Everything read on this connection so far.
    QByteArray Received() const { return FReceived; }

private:
    bool Fill(int TimeoutMs);
    int FFd;
    QByteArray FBuffer;    // read but not yet handed out
    QByteArray FReceived;  // everything read
    bool FPeerClosed = false;
};

class TVxTestServer {
public:
    using Script = std::function<void(TVxTestConnection&)>;
    // Listens on 127.0.0.1 on an ephemeral port and runs Script for each of the first
    // MaxConnections connections, one after the other.
    explicit TVxTestServer(Script S, int MaxConnections = 1);
    ~TVxTestServer();  // stops accepting and waits for the script to end

    quint16 Port() const { return FPort; }
    // The connections accepted so far.
    int Connections() const { return FConnections; }
    // Everything the server read on connection Index; waits (up to 5 s) for that
    // connection's script to end, which may be a little after the client is done.
    QByteArray Received(int Index = 0) const;

private:
    void Run(int MaxConnections);
    Script FScript;
    int FListenFd = -1;
    quint16 FPort = 0;
    std::atomic<int> FConnections{0};
    std::atomic<bool> FStop{false};
    mutable std::mutex FMutex;
    mutable std::condition_variable FScriptDone;
    std::vector<QByteArray> FReceived;
    std::thread FThread;
};

// A UDP server on 127.0.0.1 that answers each datagram with what Reply returns
// (an empty reply sends nothing). Received() gives the datagrams it got.
class TVxTestUdpServer {
public:
    using Reply = std::function<QByteArray(const QByteArray& Request)>;
    explicit TVxTestUdpServer(Reply R, int MaxDatagrams = 1);
    // The same on a given port, e.g. the number of a TCP test server; Bound() tells
    // whether that port was free.
    TVxTestUdpServer(quint16 Port, Reply R, int MaxDatagrams = 1);
    // Answers each datagram with several, sent in order from the server's port; ClientPort
    // is the port the request came from.
    using Replies = std::function<QList<QByteArray>(const QByteArray& Request, quint16 ClientPort)>;
    TVxTestUdpServer(Replies R, int MaxDatagrams = 1);
    ~TVxTestUdpServer();

    bool Bound() const { return FFd >= 0; }
    quint16 Port() const { return FPort; }
    std::vector<QByteArray> Received() const;

private:
    void Run(int MaxDatagrams);
    Replies FReplies;
    int FFd = -1;
    quint16 FPort = 0;
    std::atomic<bool> FStop{false};
    mutable std::mutex FMutex;
    std::vector<QByteArray> FReceived;
    std::thread FThread;
};
