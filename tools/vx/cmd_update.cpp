// `vx update URL LOCALFILE`: brings a local file up to date with a remote one.
#include "VxRegistry.h"
#include "cmd_web_common.h"

#include <vedidoredo/vxiupdate.h>

#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {

void Say(const QString& Text)
{
    std::fprintf(stderr, "%s\n", Text.toLocal8Bit().constData());
}

int RunUpdate(const QStringList& Args)
{
    const vxweb::Options O = vxweb::Parse(Args, {QStringLiteral("--resume")});
    if (O.Error.isEmpty() && O.Rest.size() != 1) {
        Say(QStringLiteral("vx update: usage: vx update URL LOCALFILE [--resume] [--user U] [--password P]"
                           " [--proxy HOST:PORT] [--proxy-user U] [--proxy-password P] [--cacert FILE]"
                           " [--timeout SECONDS]"));
        return 64;
    }
    if (!O.Error.isEmpty()) {
        Say(QStringLiteral("vx update: ") + O.Error);
        return 64;
    }
    TVxWebUpdater U;
    QString Error;
    const QString Remote = vxweb::Configure(&U, O, Error);
    if (Remote.isEmpty()) {
        Say(QStringLiteral("vx update: ") + Error);
        return 64;
    }
    const QString Local = O.Rest.first();
    U.SetRemoteFileName(Remote);
    U.SetLocalFileName(QFileInfo(Local).absoluteFilePath());
    U.SetResumeDownload(O.Resume);
    U.StatusDialog()->SetEnabled(true);  // a progress bar where the tool can draw one
    U.StatusDialog()->SetTitle(QStringLiteral("vx update"));
    try {
        U.Execute();
    } catch (const std::exception& E) {
        Say(QStringLiteral("vx update: ") + QString::fromUtf8(E.what()));
        return 2;
    }
    switch (U.Status()) {
    case isFinished:
        Say(QStringLiteral("%1: downloaded %2 bytes").arg(Local).arg(QFileInfo(U.LocalFileName()).size()));
        return 0;
    case isSkipped:
        Say(QStringLiteral("%1: up to date").arg(Local));
        return 0;
    case isNotFound:
        Say(QStringLiteral("vx update: %1: remote file not found%2").arg(O.Target, vxweb::Reason(&U)));
        return 3;
    default:
        Say(QStringLiteral("vx update: %1: failed%2").arg(O.Target, vxweb::Reason(&U)));
        return 1;
    }
}

}  // namespace

VX_REGISTER_COMMAND("update",
                    "update URL LOCALFILE [--resume] [--user U] [--password P] [--proxy HOST:PORT] "
                    "[--proxy-user U] [--proxy-password P] [--cacert FILE] [--timeout S]  download a file "
                    "when the remote one differs (http, https, ftp or a path); exit 0 done or up to date, "
                    "1 failed, 3 not found",
                    RunUpdate)
