// Small scripted servers on 127.0.0.1 for wire tests. A script is a function that talks
// to one accepted connection; it runs on a thread of its own with blocking reads, so the
// code under test can block on the caller's thread. Every wait is bounded: a read gives
// up when its time is up or when the server is being destroyed.
#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class QThread;

namespace vxtest {

// One accepted connection as a server script sees it, plain or encrypted.
class TConnection {
public:
    virtual ~TConnection() = default;

    // Reads until Delimiter has arrived (returned with it), the peer closes or the time is up.
    QByteArray ReadUntil(const QByteArray& Delimiter, int TimeoutMs = 5000);
    QByteArray ReadLine(int TimeoutMs = 5000) { return ReadUntil("\r\n", TimeoutMs); }
    // Reads exactly Count bytes unless the peer closes or the time is up.
    QByteArray ReadCount(qsizetype Count, int TimeoutMs = 5000);
    // Reads until the peer closes its side or the time is up.
    QByteArray ReadAll(int TimeoutMs = 5000);
    // Reads whatever arrives within TimeoutMs (at least one piece when any comes).
    QByteArray ReadSome(int TimeoutMs = 200);
    virtual bool Send(const QByteArray& Data) = 0;
    // Closes the connection (the client then reads end of stream).
    virtual void Close() = 0;
    // Aborts the connection with a reset (the client's next read fails); Close where the
    // connection cannot.
    virtual void Reset() { Close(); }
    // Everything read on this connection so far.
    QByteArray Received() const { return FReceived; }

protected:
    // Appends what arrives within TimeoutMs to Into: the count, 0 when nothing came,
    // -1 when the peer closed.
    virtual qsizetype Receive(QByteArray& Into, int TimeoutMs) = 0;

private:
    friend class TScriptedServer;
    bool Fill(int TimeoutMs);
    const std::atomic<bool>* FStopping = nullptr;  // the server's: a read ends early once set
    QByteArray FBuffer;    // read but not yet handed out
    QByteArray FReceived;  // everything read
    bool FPeerClosed = false;
};

// A TCP server on 127.0.0.1 and an ephemeral port that runs a script for each connection.
class TScriptedServer {
public:
    using Script = std::function<void(TConnection&)>;
    enum TServing {
        OneAtATime,    // one connection after the other, on one thread
        Concurrently,  // each connection on a thread of its own
    };
    static constexpr int Unlimited = -1;

    // Runs Script for each of the first MaxConnections connections (Unlimited: every
    // connection until the server is destroyed). A server with a limit stops accepting
    // 20 s after it started, so that a failing test cannot hang the suite.
    explicit TScriptedServer(Script S, int MaxConnections = 1, TServing Serving = OneAtATime);
    virtual ~TScriptedServer();  // stops accepting and waits for the scripts to end
    TScriptedServer(const TScriptedServer&) = delete;
    TScriptedServer& operator=(const TScriptedServer&) = delete;

    quint16 Port() const { return FPort; }
    // The connections opened so far (for TLS: those that completed the handshake).
    int Connections() const { return FConnections; }
    // Everything the server read on the Index-th connection whose script ended; waits
    // (up to 5 s) for that script to end, which may be a little after the client is done.
    QByteArray Received(int Index = 0) const;
    // True once the server is being destroyed; long waits in scripts end on it.
    bool Stopping() const { return FStop; }

protected:
    // Opens the connection on an accepted socket, e.g. with a TLS handshake; null when
    // that failed (the socket is then closed and no script runs).
    using Opener = std::function<std::unique_ptr<TConnection>(int Fd)>;
    // For servers built on this one: nothing is accepted until Start.
    TScriptedServer(Script S, int MaxConnections, TServing Serving, int AcceptForMs);
    void Start(Opener Open);
    // Ends accepting and waits for every script; a derived server calls it first in its
    // destructor, before the members its opener uses go.
    void Stop();

private:
    void AcceptLoop();
    void Serve(int Fd);

    Script FScript;
    Opener FOpen;
    int FMaxConnections;
    TServing FServing;
    int FAcceptForMs;
    int FListenFd = -1;
    quint16 FPort = 0;
    std::atomic<int> FConnections{0};
    std::atomic<bool> FStop{false};
    mutable std::mutex FMutex;
    mutable std::condition_variable FScriptDone;
    std::vector<QByteArray> FReceived;
    std::unique_ptr<QThread> FAcceptThread;
    std::vector<std::unique_ptr<QThread>> FWorkers;  // Concurrently: one per connection
};

// A UDP server on 127.0.0.1 that answers each datagram with what Reply returns (an empty
// reply sends nothing). Received() gives the datagrams it got.
class TScriptedUdpServer {
public:
    using Reply = std::function<QByteArray(const QByteArray& Request)>;
    explicit TScriptedUdpServer(Reply R, int MaxDatagrams = 1);
    // The same on a given port, e.g. the number of a TCP test server; Bound() tells
    // whether that port was free.
    TScriptedUdpServer(quint16 Port, Reply R, int MaxDatagrams = 1);
    // Answers each datagram with several, sent in order from the server's port; ClientPort
    // is the port the request came from.
    using Replies = std::function<QList<QByteArray>(const QByteArray& Request, quint16 ClientPort)>;
    TScriptedUdpServer(Replies R, int MaxDatagrams = 1);
    ~TScriptedUdpServer();
    TScriptedUdpServer(const TScriptedUdpServer&) = delete;
    TScriptedUdpServer& operator=(const TScriptedUdpServer&) = delete;

    bool Bound() const { return FFd >= 0; }
    quint16 Port() const { return FPort; }
    std::vector<QByteArray> Received() const;

private:
    void Start(int MaxDatagrams);
    void Run(int MaxDatagrams);
    Replies FReplies;
    int FFd = -1;
    quint16 FPort = 0;
    std::atomic<bool> FStop{false};
    mutable std::mutex FMutex;
    std::vector<QByteArray> FReceived;
    std::unique_ptr<QThread> FThread;
};

}  // namespace vxtest
