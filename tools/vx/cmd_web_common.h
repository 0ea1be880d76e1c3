// What `vx update` and `vx ls` share: turning a URL or a path into the settings of a
// web component, the options for logins, proxy and certificates, and the outcome.
#pragma once

#include "VxOptionReader.h"

#include <vedidoredo/vxiupdate.h>

#include <QString>
#include <QStringList>

namespace vxweb {

struct Options {
    QString Target;      // URL or path
    QStringList Rest;    // the other plain arguments
    QString User, Password, ProxyUser, ProxyPassword, CaFile, Mask;
    vx::HostPort Proxy;  // port 0: the proxy's default
    bool UseProxy = false;
    bool Resume = false;
    bool Recursive = false;
    int TimeoutMs = 0;   // 0: no limit
};

// Reads the arguments; Extras are the options beyond the shared ones that the command
// accepts ("--resume", "--mask", "-r"). Throws vx::UsageError.
Options Parse(const QStringList& Args, const QStringList& Extras);

// Sets service, host, port, credentials, proxy and time limit of C from O; returns the
// remote path (for HTTP the path and query as they stand in the URL), or an empty
// string with Error set.
QString Configure(TVxCustomWebComponent* C, const Options& O, QString& Error);

// The reason of a failure or a missing file, for a message.
QString Reason(const TVxCustomWebComponent* C);

}  // namespace vxweb
