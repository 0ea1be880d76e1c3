// What `vx update` and `vx ls` share: turning a URL or a path into the settings of a
// web component, the options for logins, proxy and certificates, and the outcome.
#pragma once

#include "VxOptionReader.h"

#include <vedidoredo/vxiupdate.h>

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace vxweb {

// The time limit of the web commands, in seconds: to connect, and of silence.
inline constexpr double DefaultTimeoutSeconds = 30;

struct Options {
    QString Target;      // URL or path
    QStringList Rest;    // the other plain arguments
    QString User, Password, ProxyUser, ProxyPassword, CaFile, Mask;
    vx::HostPort Proxy;  // port 0: the proxy's default
    bool UseProxy = false;
    bool Resume = false;
    bool Recursive = false;
    bool Json = false;
    int TimeoutMs = 0;   // 0: no limit
    // Everything read, for the command's own options (the Own of Parse).
    std::shared_ptr<const vx::OptionReader> Reader;
};

// The options every web command shares: --proxy, --proxy-user, --proxy-password,
// --cacert and --timeout.
std::vector<vx::Option> ConnectionOptions();
// Those options as R read them (R declared them with ConnectionOptions()).
Options ReadConnectionOptions(const vx::OptionReader& R);
// Sets proxy, trusted CAs and time limit of C from O; false with Error set when the CA
// file cannot be read.
bool ConfigureConnection(TVxCustomWebComponent* C, const Options& O, QString& Error);

// Reads the arguments; Extras are the options beyond the shared ones that the command
// accepts ("--resume", "--mask", "-r", "--json"), Own the options of the command alone,
// read through Options::Reader. Throws vx::UsageError.
Options Parse(const QStringList& Args, const QStringList& Extras, std::vector<vx::Option> Own = {});

// Sets service, host, port, credentials, the remote path (TVxCustomWebComponent::SetUrl),
// proxy and time limit of C from O; false with Error set for a target no service reads.
// A target without a scheme is a path.
bool Configure(TVxCustomWebComponent* C, const Options& O, QString& Error);

// Shows C's progress bar, titled Title, where vx can draw one (on a terminal).
void ShowProgress(TVxCustomWebComponent* C, const QString& Title);
// Configure for a command that runs one updater: names the remote file and shows the
// progress bar (ShowProgress). Throws vx::UsageError.
void SetUpUpdater(TVxCustomWebUpdater* C, const Options& O, const QString& Title);
// Runs C once; false, with the reason on standard error, when the run failed or the
// remote file is missing. An EVxError goes on to the caller.
bool RunUpdater(TVxCustomWebUpdater* C, const Options& O);
// Target as a message may show it: a URL without its password.
QString Shown(const QString& Target);

// The reason of a failure or a missing file, for a message.
QString Reason(const TVxCustomWebComponent* C);

}  // namespace vxweb
