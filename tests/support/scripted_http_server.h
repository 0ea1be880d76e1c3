// A small HTTP server on 127.0.0.1 and an ephemeral port that answers each request with
// what a script function returns: the scripted TCP server serving every connection, each
// on a thread of its own, until it is destroyed. It records every request it read.
#pragma once

#include "support/scripted_server.h"

#include <mutex>
#include <string>
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
    TScriptedHttpServer(const TScriptedHttpServer&) = delete;
    TScriptedHttpServer& operator=(const TScriptedHttpServer&) = delete;

    int Port() const { return FServer.Port(); }
    // Requests with a request head (connections closed without one are not counted).
    std::vector<std::string> Requests() const;
    size_t RequestCount() const { return Requests().size(); }

    // "HTTP/1.0 <Status>" with the headers given and the body; Content-Length added
    // unless NoLength.
    static std::string Response(const std::string& Status, const std::string& Body,
                                const std::string& Headers = {}, bool NoLength = false);

private:
    void Serve(TConnection& C);

    Script FHandler;
    mutable std::mutex FLock;
    std::vector<std::string> FRequests;
    TScriptedServer FServer;  // last: it stops, and its scripts end, before the rest goes
};

}  // namespace vxtest
