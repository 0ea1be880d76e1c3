// `vx update URL LOCALFILE`: brings a local file up to date with a remote one.
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"
#include "cmd_web_common.h"

#include <vedidoredo/vxiupdate.h>

#include <QFileInfo>

namespace {

int RunUpdate(const QStringList& Args)
{
    const vxweb::Options O = vxweb::Parse(Args, {QStringLiteral("--resume")});
    if (O.Rest.size() != 1)
        throw vx::UsageError{QStringLiteral("expected URL and LOCALFILE")};
    TVxWebUpdater U;
    vxweb::SetUpUpdater(&U, O, QStringLiteral("update"));
    const QString Local = O.Rest.first();
    U.SetLocalFileName(QFileInfo(Local).absoluteFilePath());
    U.SetResumeDownload(O.Resume);
    try {
        U.Execute();
    } catch (const EVxError& E) {  // the local file could not be written
        vx::PrintError(E.Message());
        return vx::ExitError;
    }
    switch (U.Status()) {
    case isFinished:
        vx::WriteOutText(QStringLiteral("%1: downloaded %2 bytes\n").arg(Local).arg(QFileInfo(U.LocalFileName()).size()));
        return vx::ExitOk;
    case isSkipped:
        vx::WriteOutText(QStringLiteral("%1: up to date\n").arg(Local));
        return vx::ExitOk;
    case isNotFound:
        vx::PrintError(QStringLiteral("%1: remote file not found%2").arg(vxweb::Shown(O.Target), vxweb::Reason(&U)));
        return vx::ExitFalse;
    default:
        vx::PrintError(QStringLiteral("%1: failed%2").arg(vxweb::Shown(O.Target), vxweb::Reason(&U)));
        return vx::ExitFalse;
    }
}

}  // namespace

VX_REGISTER_COMMAND_HELP(
    "update", "update URL LOCALFILE [OPTIONS]  download a file when the remote one differs",
    "Compares the remote file's size and time with LOCALFILE and downloads it only when\n"
    "they differ (or the remote one is newer); the downloaded file carries the remote\n"
    "time. The old LOCALFILE stays as it was until a download is complete.\n"
    "URL: http://HOST[:PORT]/PATH, https://..., ftp://[USER[:PASSWORD]@]HOST[:PORT]/PATH\n"
    "(PATH relative to the login directory; //PATH or %2FPATH is absolute; no USER logs in\n"
    "as anonymous), or a file path.\n"
    "\n"
    "Options:\n"
    "  --resume              keep what an interrupted download (Ctrl-C included) got, in\n"
    "                        LOCALFILE.~vxpart, and continue it on the next --resume run\n"
    "                        while the remote file is the same version (else start anew)\n"
    "  --user U, --password P  the server's login (asked for on the terminal if needed)\n"
    "  --proxy HOST[:PORT]   an HTTP proxy (default: the http_proxy environment)\n"
    "  --proxy-user U, --proxy-password P  the proxy's login\n"
    "  --cacert FILE         trust the CA certificates in this PEM file as well\n"
    + vx::TimeoutHelp(vxweb::DefaultTimeoutSeconds) + "\n"
    "Exit status: 0 downloaded or up to date, 1 failed or not found, 2 the local file\n"
    "could not be written, 64 a usage error.\n",
    RunUpdate)
