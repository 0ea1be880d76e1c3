// `vx rss URL-OR-FILE [--json]`: a feed reader for the terminal. Prints each channel's
// title, then its items one a line: date, title and link in aligned columns, in feed
// order. With --json the channels as `vx run TVxIRSSParser --json` gives them.
#include "VxConsole.h"
#include "VxPropertyValues.h"
#include "VxRegistry.h"
#include "cmd_web_common.h"

#include <vedidoredo/VxIRSS.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

namespace {

// The parser keeps the feed's bytes as they stand; a person reads UTF-8 (what most feeds
// are written in) decoded, with the entities of the text replaced.
QString Readable(const QString& ByteText)
{
    const QByteArray Bytes = ByteText.toLatin1();
    QStringDecoder Utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString S = Utf8(Bytes);
    if (Utf8.hasError())
        S = ByteText;  // not UTF-8: Latin-1 is the next best guess
    if (!S.contains(u'&'))
        return S.simplified();
    QString Out;
    Out.reserve(S.size());
    for (qsizetype I = 0; I < S.size(); ++I) {
        const qsizetype Semicolon = S[I] == u'&' ? S.indexOf(u';', I + 1) : -1;
        if (Semicolon < 0 || Semicolon - I > 10) {
            Out += S[I];
            continue;
        }
        const QStringView Name = QStringView(S).mid(I + 1, Semicolon - I - 1);
        char32_t Code = 0;
        if (Name == u"amp") Code = '&';
        else if (Name == u"lt") Code = '<';
        else if (Name == u"gt") Code = '>';
        else if (Name == u"quot") Code = '"';
        else if (Name == u"apos") Code = '\'';
        else if (Name == u"nbsp") Code = ' ';
        else if (Name.startsWith(u'#')) {
            bool Ok = false;
            const uint N = Name.startsWith(u"#x") || Name.startsWith(u"#X") ? Name.mid(2).toUInt(&Ok, 16)
                                                                            : Name.mid(1).toUInt(&Ok, 10);
            if (Ok && N > 0 && N <= 0x10FFFF && (N < 0xD800 || N > 0xDFFF))
                Code = N;
        }
        if (!Code) {
            Out += S[I];
            continue;
        }
        Out += QString::fromUcs4(&Code, 1);
        I = Semicolon;
    }
    return Out.simplified();
}

QString Padded(const QString& S, qsizetype Width)
{
    return S.size() >= Width ? S : S + QString(Width - S.size(), u' ');
}

void PrintChannels(const TVxIRSSChannels* Channels)
{
    // Titles wider than this are written whole and push their link to the right.
    constexpr qsizetype MaxTitleColumn = 72;
    QString Out;
    for (const TVxIRSSChannel* C : *Channels) {
        if (!Out.isEmpty())
            Out += u'\n';
        Out += Readable(C->Title.isEmpty() ? C->Link : C->Title) + u'\n';
        struct TLine {
            QString Date, Title, Link;
        };
        QList<TLine> Lines;
        qsizetype DateWidth = 0, TitleWidth = 0;
        for (const TVxIRSSItem* I : C->Items) {
            TLine L{Readable(I->PubDate.isEmpty() ? I->Date : I->PubDate), Readable(I->Title), Readable(I->Link)};
            DateWidth = std::max(DateWidth, L.Date.size());
            if (L.Title.size() <= MaxTitleColumn)
                TitleWidth = std::max(TitleWidth, L.Title.size());
            Lines << L;
        }
        for (const TLine& L : Lines) {
            QString Line = DateWidth > 0 ? Padded(L.Date, DateWidth) + QStringLiteral("  ") : QString();
            Line += L.Link.isEmpty() ? L.Title : Padded(L.Title, TitleWidth) + QStringLiteral("  ") + L.Link;
            while (Line.endsWith(u' '))
                Line.chop(1);
            Out += Line + u'\n';
        }
    }
    vx::WriteOutText(Out);
}

int RunRss(const QStringList& Args)
{
    const vxweb::Options O = vxweb::Parse(Args, {QStringLiteral("--json")});
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
        // The same value as the Channels key of `vx run TVxIRSSParser --json`.
        QStringList Errors;
        const QMetaProperty Property = P.metaObject()->property(P.metaObject()->indexOfProperty("Channels"));
        QJsonObject Root;
        Root.insert(QStringLiteral("Channels"),
                    vx::ValueToJson(vx::ClassifyType(Property.metaType()), Property.read(&P), Errors));
        vx::WriteOut(QJsonDocument(Root).toJson(QJsonDocument::Indented));
    } else if (P.Channels()->Count() > 0) {
        PrintChannels(P.Channels());
    }
    if (P.Channels()->Count() == 0) {
        vx::PrintError(QStringLiteral("%1: no RSS, RDF or Atom channel in it").arg(vxweb::Shown(O.Target)));
        return vx::ExitFalse;
    }
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP(
    "rss", "rss URL-OR-FILE [--json]  read a news feed (RSS 2.0, RDF or Atom)",
    "Downloads the feed and prints each channel's title, then one line per item in feed\n"
    "order: its date, title and link in aligned columns (UTF-8 text decoded, entities\n"
    "replaced). The feed is read into a private temporary file, deleted afterwards.\n"
    "URL: http://HOST[:PORT]/PATH, https://..., ftp://[USER[:PASSWORD]@]HOST[:PORT]/PATH,\n"
    "or a file path.\n"
    "\n"
    "Options:\n"
    "  --json                the channels and their items as JSON, as vx run prints them:\n"
    "                        {\"Channels\": [{\"Title\", \"Link\", ..., \"Items\": [...]}]}, texts\n"
    "                        as the feed wrote them, one character per byte\n"
    "  --user U, --password P  the server's login (asked for on the terminal if needed)\n"
    "  --proxy HOST[:PORT]   an HTTP proxy (default: the http_proxy environment)\n"
    "  --proxy-user U, --proxy-password P  the proxy's login\n"
    "  --cacert FILE         trust the CA certificates in this PEM file as well\n"
    + vx::TimeoutHelp(vxweb::DefaultTimeoutSeconds) + "\n"
    "Exit status: 0 read, 1 failed, not found or no channel in it, 2 the download could\n"
    "not be written or read, 64 a usage error.\n",
    RunRss)
