// A small HTTP server inside the test process, on 127.0.0.1 and an ephemeral port, that
// answers each request with what a script function returns. Each connection is served
// by a thread of its own; the server records every request it read.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vxtest {

struct TScriptReply {
    std::string Data;           // the bytes sent, headers and body
    bool CloseWithoutReply = false;
    // Sends Data in pieces of this size with a pause between them (0: at once).
    size_t Trickle = 0;
    // Waits this long before answering (the server stopping ends the wait).
    int StallMs = 0;
};

class TScriptedHttpServer {
public:
    using Script = std::function<TScriptReply(const std::string& Request)>;

    explicit TScriptedHttpServer(Script Handler);
    ~TScriptedHttpServer();
    TScriptedHttpServer(const TScriptedHttpServer&) = delete;
    TScriptedHttpServer& operator=(const TScriptedHttpServer&) = delete;

    int Port() const { return FPort; }
    // Requests with a request line (connections closed without one are not counted).
    std::vector<std::string> Requests() const;
    size_t RequestCount() const { return Requests().size(); }

    // "HTTP/1.0 <Status>" with the headers given and the body; Content-Length added
    // unless NoLength.
    static std::string Response(const std::string& Status, const std::string& Body,
                                const std::string& Headers = {}, bool NoLength = false);

private:
    void AcceptLoop();
    void Serve(int Socket);

    Script FHandler;
    int FListen = -1;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    std::thread FAcceptThread;
    mutable std::mutex FLock;
    std::vector<std::string> FRequests;
    std::vector<std::thread> FWorkers;
};

}  // namespace vxtest
