// `vx rss URL-OR-FILE [--json] [--content]`: a feed reader for the terminal. Prints each
// channel's title, then its items one a line: date, title, author and link in aligned
// columns, in feed order. With --json the channels as `vx run TVxIRSSParser --json` gives
// them, every text as a person reads it.
#include "VxConsole.h"
#include "VxValueJson.h"
#include "VxRegistry.h"
#include "cmd_web_common.h"

#include <vedidoredo/VxIRSS.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A field for one line of the listing: readable text with its white space folded.
QString OneLine(const TVxIRSSParser& P, const QString& Field)
{
    return P.ReadableText(Field).simplified();
}

QString Padded(const QString& S, qsizetype Width)
{
    return S.size() >= Width ? S : S + QString(Width - S.size(), u' ');
}

void PrintChannels(const TVxIRSSParser& P, bool Content)
{
    // Titles wider than this are written whole and push the next column to the right.
    constexpr qsizetype MaxTitleColumn = 72;
    QString Out;
    for (const TVxIRSSChannel* C : *P.Channels()) {
        if (!Out.isEmpty())
            Out += u'\n';
        Out += OneLine(P, C->Title.isEmpty() ? C->Link : C->Title) + u'\n';
        struct TLine {
            QString Date, Title, Author, Link, Text;
        };
        QList<TLine> Lines;
        qsizetype DateWidth = 0, TitleWidth = 0, AuthorWidth = 0;
        for (const TVxIRSSItem* I : C->Items) {
            TLine L{OneLine(P, I->PubDate.isEmpty() ? I->Date : I->PubDate), OneLine(P, I->Title),
                    OneLine(P, I->Author), OneLine(P, I->Link), QString()};
            if (Content)
                L.Text = P.ReadableText(I->Content.isEmpty() ? I->Description : I->Content).trimmed();
            DateWidth = std::max(DateWidth, L.Date.size());
            if (L.Title.size() <= MaxTitleColumn)
                TitleWidth = std::max(TitleWidth, L.Title.size());
            AuthorWidth = std::max(AuthorWidth, L.Author.size());
            Lines << L;
        }
        for (const TLine& L : Lines) {
            QString Line = DateWidth > 0 ? Padded(L.Date, DateWidth) + QStringLiteral("  ") : QString();
            Line += Padded(L.Title, TitleWidth) + QStringLiteral("  ");
            if (AuthorWidth > 0)
                Line += Padded(L.Author, AuthorWidth) + QStringLiteral("  ");
            Line += L.Link;
            while (Line.endsWith(u' '))
                Line.chop(1);
            Out += Line + u'\n';
            if (!L.Text.isEmpty()) {
                // Indented under its item, line by line, blank lines left out.
                QString Text = L.Text;
                Text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
                for (const QString& Part : Text.split(u'\n')) {
                    if (!Part.trimmed().isEmpty())
                        Out += QStringLiteral("    ") + Part.simplified() + u'\n';
                }
            }
        }
    }
    vx::WriteOutText(vx::Printable(Out));
}

// Every text of the channels' JSON as ReadableText gives it.
QJsonValue Readable(const TVxIRSSParser& P, const QJsonValue& V)
{
    if (V.isString())
        return P.ReadableText(V.toString());
    if (V.isArray()) {
        QJsonArray A;
        for (const QJsonValue& E : V.toArray())
            A.append(Readable(P, E));
        return A;
    }
    if (V.isObject()) {
        QJsonObject O = V.toObject();
        for (auto It = O.begin(); It != O.end(); ++It)
            It.value() = Readable(P, It.value());
        return O;
    }
    return V;
}

int RunRss(const QStringList& Args)
{
    const vxweb::Options O = vxweb::Parse(Args, {QStringLiteral("--json")}, {{"--content"}});
    if (!O.Rest.isEmpty())
        throw vx::UsageError{QStringLiteral("one URL or file only, got '%1' as well").arg(O.Rest.first())};
    TVxIRSSParser P;
    vxweb::SetUpUpdater(&P, O, QStringLiteral("rss"));
    try {
        P.Execute();
    } catch (const EVxError& E) {  // the download could not be written or read
        vx::PrintError(E.Message());
        return vx::ExitError;
    }
    if (P.Status() == isNotFound) {
        vx::PrintError(QStringLiteral("%1: feed not found%2").arg(vxweb::Shown(O.Target), vxweb::Reason(&P)));
        return vx::ExitFalse;
    }
    if (P.Status() != isFinished) {
        vx::PrintError(QStringLiteral("%1: failed%2").arg(vxweb::Shown(O.Target), vxweb::Reason(&P)));
        return vx::ExitFalse;
    }
    if (O.Json) {
        // The Channels of `vx run TVxIRSSParser --json`, each text made readable.
        QStringList Errors;
        const QMetaProperty Property = P.metaObject()->property(P.metaObject()->indexOfProperty("Channels"));
        QJsonObject Root;
        Root.insert(QStringLiteral("Encoding"), P.Encoding());
        Root.insert(QStringLiteral("Channels"),
                    Readable(P, vx::ValueToJson(vx::ClassifyType(Property.metaType()), Property.read(&P), Errors)));
        vx::WriteOut(QJsonDocument(Root).toJson(QJsonDocument::Indented));
    } else if (P.Channels()->Count() > 0) {
        PrintChannels(P, O.Reader->Has("--content"));
    }
    if (P.Channels()->Count() == 0) {
        vx::PrintError(QStringLiteral("%1: no RSS, RDF or Atom channel in it").arg(vxweb::Shown(O.Target)));
        return vx::ExitFalse;
    }
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP(
    "rss", "rss URL-OR-FILE [--json] [--content]  read a news feed (RSS 2.0, RDF or Atom)",
    "Downloads the feed and prints each channel's title, then one line per item in feed\n"
    "order: its date, title, author and link in aligned columns. Texts are shown as a\n"
    "person reads them: decoded in the feed's encoding (UTF-8 when it names none),\n"
    "character references and HTML entities replaced, control characters removed. The\n"
    "feed is read into a private temporary file, deleted afterwards.\n"
    "URL: http://HOST[:PORT]/PATH, https://..., ftp://[USER[:PASSWORD]@]HOST[:PORT]/PATH,\n"
    "or a file path.\n"
    "\n"
    "Options:\n"
    "  --content             under each item its content (or else its description), as\n"
    "                        the feed wrote it, markup included\n"
    "  --json                the channels and their items as JSON, with the properties vx\n"
    "                        run prints: {\"Encoding\", \"Channels\": [{\"Title\", \"Link\", ...,\n"
    "                        \"Items\": [...]}]}, every text readable as above (`vx run\n"
    "                        TVxIRSSParser --json` gives the texts as the feed wrote them)\n"
    "  --user U, --password P  the server's login (asked for on the terminal if needed)\n"
    "  --proxy HOST[:PORT]   an HTTP proxy (default: the http_proxy environment)\n"
    "  --proxy-user U, --proxy-password P  the proxy's login\n"
    "  --cacert FILE         trust the CA certificates in this PEM file as well\n"
    + vx::TimeoutHelp(vxweb::DefaultTimeoutSeconds) + "\n"
    "Exit status: 0 read, 1 failed, not found or no channel in it, 2 the download could\n"
    "not be written or read, 64 a usage error.\n",
    RunRss)
