// vx http [METHOD] HOST[:PORT] PATH [-H LINE]... [-i] [-L] [--timeout SECONDS]
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"

#include <vedidoredo/VxIHTTP.h>

#include <QUrl>

namespace {

constexpr double DefaultTimeoutSeconds = 30;

const char* const HttpUsage =
    "http [METHOD] HOST[:PORT] PATH [-H LINE]... [-i] [-L] [--timeout SECONDS]  send a raw HTTP/1.0 request";
const char* const HttpHelp =
    "METHOD is HEAD, GET (the default) or POST (sent without a body). Prints the body as\n"
    "bytes; for HEAD the status and header lines.\n"
    "\n"
    "Options:\n"
    "  -H LINE               an extra header line, e.g. -H 'Accept: text/plain'\n"
    "  -i                    print the status and header lines too\n"
    "  -L                    follow one redirect to the host (port and path) of the\n"
    "                        Location line\n";

int RunHttp(const QStringList& Args)
{
    const vx::OptionReader O(Args, {{"-H", "LINE"}, {"-i"}, {"-L"}, {"--timeout", "SECONDS"}});
    const bool Include = O.Has("-i");
    TVxIHTTPClient H;
    H.SetAction(haGet);
    QStringList Positional = O.Positional();
    if (!Positional.isEmpty()) {
        const QString M = Positional.first().toUpper();
        if (M == QLatin1String("HEAD") || M == QLatin1String("GET") || M == QLatin1String("POST")) {
            H.SetAction(M == QLatin1String("HEAD") ? haHead : M == QLatin1String("GET") ? haGet : haPost);
            Positional.removeFirst();
        }
    }
    if (Positional.size() != 2)
        throw vx::UsageError{QStringLiteral("give a host and a path")};
    const vx::HostPort Target = vx::ParseHostPort(Positional[0], 80);
    H.SetHost(Target.Host);
    H.SetPort(Target.Port);
    H.SetRequest(Positional[1]);
    H.SetHeaders(O.Values("-H"));
    H.SetTimeout(O.TimeoutMs(DefaultTimeoutSeconds));
    H.SetRemoveHeaders(!Include && H.Action() != haHead);
    if (O.Has("-L"))
        H.SetOnRedirect([&H](QObject*, QString& URL, bool& Abort) {
            const QUrl Location(URL.mid(URL.indexOf(QLatin1Char(':')) + 1).trimmed());
            if (Location.host().isEmpty())
                return;
            URL = Location.host();
            H.SetPort(Location.port(80));
            H.SetRequest(Location.path(QUrl::FullyEncoded).isEmpty() ? QStringLiteral("/")
                                                                     : Location.path(QUrl::FullyEncoded)
                             + (Location.hasQuery() ? QLatin1Char('?') + Location.query(QUrl::FullyEncoded) : QString()));
            Abort = false;
        });
    // An answer passes through OnAfterExecute; a failed exchange gives its message instead.
    bool Answered = false;
    H.SetOnAfterExecute([&](QObject*, QString&) { Answered = true; });
    const QString Answer = H.Execute();
    if (!Answered) {
        vx::PrintError(Answer);
        return vx::ExitError;
    }
    if (H.Action() == haHead && H.RemoveHeaders() == false && !Include) {
        for (const QString& Line : H.ResponseHeaders())
            vx::WriteOutBytes(Line + QLatin1Char('\n'));
    } else {
        vx::WriteOutBytes(Answer);
    }
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP("http", HttpUsage, HttpHelp + vx::TimeoutHelp(DefaultTimeoutSeconds), RunHttp)
