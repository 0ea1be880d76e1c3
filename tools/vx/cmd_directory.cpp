// `vx directory URL-OR-FILE`: refreshes a link directory and prints its categories and
// links, the new ones marked; --show opens the directory window.
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"
#include "cmd_web_common.h"

#include <vedidoredo/vxidirect.h>

#include <QFileInfo>

namespace {

TVxIShowMode ParseMode(const QString& Text)
{
    if (Text == QLatin1String("always"))
        return omAlways;
    if (Text == QLatin1String("never"))
        return omNever;
    if (Text == QLatin1String("ifchanged"))
        return omIfChanged;
    throw vx::UsageError{QStringLiteral("--mode takes always, never or ifchanged, not '%1'").arg(Text)};
}

// Bold on a terminal; elsewhere a "(new)" after the link.
QString Listing(const TVxDirectory& Directory, bool Terminal)
{
    QString Text;
    for (const TVxDirectoryCategory& C : Directory) {
        Text += vx::Printable(C.Caption) + QLatin1Char('\n');
        for (const TVxDirectoryLink& L : C.Links) {
            const QString Line = vx::Printable(L.Caption + QStringLiteral("  ") + L.Url);
            if (!L.New)
                Text += QStringLiteral("  ") + Line + QLatin1Char('\n');
            else if (Terminal)
                Text += QStringLiteral("  \x1b[1m") + Line + QStringLiteral("\x1b[0m\n");
            else
                Text += QStringLiteral("  ") + Line + QStringLiteral("  (new)\n");
        }
    }
    return Text;
}

int RunDirectory(const QStringList& Args)
{
    const vxweb::Options O = vxweb::Parse(Args, {}, {{"--show"}, {"--mode", "MODE"}, {"--cache", "FILE"}});
    const bool Show = O.Reader->Has("--show");
    const QString ModeText = O.Reader->Value("--mode"), Cache = O.Reader->Value("--cache");
    if (!O.Rest.isEmpty())
        throw vx::UsageError{QStringLiteral("one URL or file only, got '%1' as well").arg(O.Rest.first())};
    if (O.Reader->Has("--mode") && !Show)
        throw vx::UsageError{QStringLiteral("--mode says when --show opens the window; give --show as well")};
    const TVxIShowMode Mode = O.Reader->Has("--mode") ? ParseMode(ModeText) : omAlways;
    TVxWebDirect D;
    vxweb::SetUpUpdater(&D, O, QStringLiteral("directory"));
    if (!Cache.isEmpty())
        D.SetCacheFileName(QFileInfo(Cache).absoluteFilePath());
    D.SetShowMode(omNever);  // the window comes after the listing
    bool Result = false;
    try {
        Result = D.Execute();
    } catch (const EVxError& E) {  // a cache file could not be written
        vx::PrintError(E.Message());
        return vx::ExitError;
    }
    // The cache is listed even when the refresh failed: it is what the window shows.
    vx::WriteOutText(Listing(D.Categories(), vx::OutIsTerminal()));
    int Exit = vx::ExitOk;
    if (D.Status() == isNotFound) {
        vx::PrintError(QStringLiteral("%1: directory file not found%2").arg(vxweb::Shown(O.Target), vxweb::Reason(&D)));
        Exit = vx::ExitFalse;
    } else if (D.Status() == isFailed) {
        vx::PrintError(QStringLiteral("%1: failed%2").arg(vxweb::Shown(O.Target), vxweb::Reason(&D)));
        Exit = vx::ExitFalse;
    }
    D.SetShowMode(Mode);
    if (Show && D.ShowsAfter(Result))
        D.ShowModal();
    return Exit;
}

}  // namespace

VX_REGISTER_WINDOW_COMMAND(
    "directory", "directory URL-OR-FILE [--show] [--mode always|never|ifchanged]  list a link directory, new links marked",
    QStringLiteral(
    "Downloads the directory file (INI text: a [section] per category, an address=caption\n"
    "line per link) when it changed, into a cache file, and lists its categories and links.\n"
    "Links that were not in the directory before this download are new: bold on a\n"
    "terminal, marked \"(new)\" otherwise.\n"
    "URL: http://HOST[:PORT]/PATH, https://..., ftp://[USER[:PASSWORD]@]HOST[:PORT]/PATH,\n"
    "or a file path.\n"
    "\n"
    "Options:\n"
    "  --show                open the directory window after the listing (needs a display)\n"
    "  --mode M              with --show: always (default), never, or ifchanged (only\n"
    "                        when this run downloaded a changed directory)\n"
    "  --cache FILE          the cache file (default: vx.wdx beside vx, or in the user's\n"
    "                        cache directory); the previous one is FILE with .~wdx\n"
    "  --user U, --password P  the server's login (asked for on the terminal if needed)\n"
    "  --proxy HOST[:PORT]   an HTTP proxy (default: the http_proxy environment)\n"
    "  --proxy-user U, --proxy-password P  the proxy's login\n"
    "  --cacert FILE         trust the CA certificates in this PEM file as well\n") +
    vx::TimeoutHelp(vxweb::DefaultTimeoutSeconds) + QStringLiteral("\n"
    "Exit status: 0 done, 1 the directory file was not found or the download failed (the\n"
    "cached directory is listed all the same), 2 a cache file could not be written,\n"
    "64 a usage error.\n"),
    RunDirectory, vx::WindowsWith(QStringLiteral("--show")))
