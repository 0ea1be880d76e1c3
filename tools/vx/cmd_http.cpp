// vx http [METHOD] HOST[:PORT] PATH [-H LINE]... [-i] [-L] [--timeout SECONDS]
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"

#include <vedidoredo/VxIHTTP.h>

#include <QUrl>

#include <functional>

namespace {

constexpr double DefaultTimeoutSeconds = 30;

const char* const HttpUsage =
    "http [METHOD] HOST[:PORT] PATH [-H LINE]... [-i] [-L] [--timeout SECONDS]  send a raw HTTP/1.0 request";
const char* const HttpHelp =
    "METHOD is HEAD, GET (the default) or POST (sent without a body). Prints the body\n"
    "byte for byte as received; for HEAD, or with -i, the whole answer as received.\n"
    "Exit status 2 when the exchange fails, the followed redirect's included.\n"
    "\n"
    "Options:\n"
    "  -H LINE               an extra header line, e.g. -H 'Accept: text/plain'\n"
    "  -i                    print the status and header lines too, of every answer: a\n"
    "                        followed redirect's, and a refused one's (401, 404, 407)\n"
    "  -L                    follow one redirect to the host (port and path) of the\n"
    "                        Location line\n";

// The body of a raw answer: what follows the first empty line, the line ends counted as
// the client counts them (CR LF, CR or LF). No empty line: the answer is all header.
QString RawBody(const QString& Answer)
{
    qsizetype LineStart = 0;
    for (qsizetype I = 0; I < Answer.size(); ++I) {
        const QChar C = Answer.at(I);
        if (C != QLatin1Char('\r') && C != QLatin1Char('\n'))
            continue;
        const bool Empty = I == LineStart;
        if (C == QLatin1Char('\r') && I + 1 < Answer.size() && Answer.at(I + 1) == QLatin1Char('\n'))
            ++I;
        if (Empty)
            return Answer.mid(I + 1);
        LineStart = I + 1;
    }
    return {};
}

// The client, handing on the status and header lines of an answer that the engine
// refuses (401, 404, 407): -i shows every answer's.
class TShowingHttpClient : public TVxIHTTPClient {
public:
    std::function<void(const QStringList& Lines)> OnRefused;

protected:
    void AnswerRefused(const QString& Piece) override
    {
        TVxIHTTPClient::AnswerRefused(Piece);
        if (OnRefused)
            OnRefused(ResponseHeaders());
    }
};

int RunHttp(const QStringList& Args)
{
    const vx::OptionReader O(Args, {{"-H", "LINE"}, {"-i"}, {"-L"}, {"--timeout", "SECONDS"}});
    const bool Include = O.Has("-i");
    // The status and header lines of the answers before the last one as received: a
    // redirect that was followed, a refused answer.
    QString Heads;
    const auto AddHead = [&Heads](const QStringList& Lines) {
        Heads += Lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n");
    };
    TShowingHttpClient H;
    if (Include)
        H.OnRefused = AddHead;
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
    // The answer as received; the body is cut from it here, byte for byte (the client's
    // own body is rejoined from its lines).
    H.SetRemoveHeaders(false);
    QString Followed;  // HOST:PORT of the redirect taken
    if (O.Has("-L"))
        H.SetOnRedirect([&](QObject*, QString& URL, bool& Abort) {
            const QUrl Location(URL.mid(URL.indexOf(QLatin1Char(':')) + 1).trimmed());
            if (Location.host().isEmpty())
                return;
            if (Include)
                AddHead(H.ResponseHeaders());
            URL = Location.host();
            H.SetPort(Location.port(80));
            H.SetRequest(Location.path(QUrl::FullyEncoded).isEmpty() ? QStringLiteral("/")
                                                                     : Location.path(QUrl::FullyEncoded)
                             + (Location.hasQuery() ? QLatin1Char('?') + Location.query(QUrl::FullyEncoded) : QString()));
            Abort = false;
            Followed = QStringLiteral("%1:%2").arg(Location.host()).arg(Location.port(80));
        });
    QString Answer;
    try {
        Answer = H.Execute();
    } catch (const EVxError& E) {
        vx::WriteOutBytes(Heads);
        if (Followed.isEmpty())
            throw;  // its message, status 2
        vx::PrintError(QStringLiteral("following the redirect to %1: %2").arg(Followed, E.Message()));
        return vx::ExitError;
    }
    vx::WriteOutBytes(Include || H.Action() == haHead ? Heads + Answer : RawBody(Answer));
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP("http", HttpUsage, HttpHelp + vx::TimeoutHelp(DefaultTimeoutSeconds), RunHttp)
