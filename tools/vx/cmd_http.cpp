// vx http [METHOD] HOST[:PORT] PATH [-H LINE]... [-i] [-L]
#include "VxRegistry.h"
#include "cmd_socket_common.h"

#include <vedidoredo/VxIHTTP.h>

#include <QUrl>

namespace {

const char* const HttpUsage = "http [METHOD] HOST[:PORT] PATH [-H LINE]... [-i] [-L]  send a raw HTTP/1.0 request";
const char* const HttpHelp =
    "METHOD  HEAD, GET (the default) or POST (sent without a body)\n"
    "-H LINE an extra header line, e.g. -H 'Accept: text/plain'\n"
    "-i      print the status and header lines too\n"
    "-L      follow one redirect to the host (port and path) of the Location line\n"
    "Prints the body as bytes; for HEAD the status and header lines.\n";

int RunHttp(const QStringList& Args)
{
    using namespace vxsock;
    const QString Usage = QString::fromLatin1(HttpUsage);
    TVxIHTTPClient H;
    H.SetAction(haGet);
    QStringList Positional, Headers;
    bool Include = false, Follow = false;
    for (qsizetype i = 0; i < Args.size(); ++i) {
        const QString& A = Args[i];
        QString Value;
        if (A == QLatin1String("-H")) {
            if (!TakeValue(Args, i, Value))
                return UsageError(Usage, QStringLiteral("-H needs a header line"));
            Headers << Value;
        } else if (A == QLatin1String("-i")) {
            Include = true;
        } else if (A == QLatin1String("-L")) {
            Follow = true;
        } else if (A.startsWith(QLatin1Char('-')) && A.size() > 1) {
            return UsageError(Usage, QStringLiteral("unknown option %1").arg(A));
        } else {
            Positional << A;
        }
    }
    if (!Positional.isEmpty()) {
        const QString M = Positional.first().toUpper();
        if (M == QLatin1String("HEAD") || M == QLatin1String("GET") || M == QLatin1String("POST")) {
            H.SetAction(M == QLatin1String("HEAD") ? haHead : M == QLatin1String("GET") ? haGet : haPost);
            Positional.removeFirst();
        }
    }
    if (Positional.size() != 2)
        return UsageError(Usage, QStringLiteral("give a host and a path"));
    QString Host;
    int Port = 80;
    if (!SplitHostPort(Positional[0], Host, Port))
        return UsageError(Usage, QStringLiteral("bad host %1").arg(Positional[0]));
    H.SetHost(Host);
    H.SetPort(Port);
    H.SetRequest(Positional[1]);
    H.SetHeaders(Headers);
    H.SetRemoveHeaders(!Include && H.Action() != haHead);
    if (Follow)
        H.SetOnRedirect([&H](QObject*, QString& URL, bool& Abort) {
            const QUrl Target(URL.mid(URL.indexOf(QLatin1Char(':')) + 1).trimmed());
            if (Target.host().isEmpty())
                return;
            URL = Target.host();
            H.SetPort(Target.port(80));
            H.SetRequest(Target.path(QUrl::FullyEncoded).isEmpty() ? QStringLiteral("/")
                                                                   : Target.path(QUrl::FullyEncoded)
                             + (Target.hasQuery() ? QLatin1Char('?') + Target.query(QUrl::FullyEncoded) : QString()));
            Abort = false;
        });
    try {
        // An answer passes through OnAfterExecute; a failed exchange gives its message instead.
        bool Answered = false;
        H.SetOnAfterExecute([&](QObject*, QString&) { Answered = true; });
        const QString Answer = H.Execute();
        if (!Answered) {
            PrintLine(stderr, QStringLiteral("vx http: %1").arg(Answer));
            return ExitError;
        }
        if (H.Action() == haHead && H.RemoveHeaders() == false && !Include) {
            for (const QString& Line : H.ResponseHeaders())
                PrintLine(stdout, Line);
        } else {
            WriteBytes(stdout, Answer);
        }
    } catch (const EVxError& E) {
        PrintLine(stderr, QStringLiteral("vx http: %1").arg(E.Message()));
        return ExitError;
    }
    return ExitDone;
}

}  // namespace

VX_REGISTER_COMMAND_HELP("http", HttpUsage, HttpHelp, RunHttp)
