// `vx links URL-OR-FILE [--kind KIND[,KIND...]|all] [--unique] [--json]`: the links of a page.
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"
#include "cmd_web_common.h"

#include <vedidoredo/vxixtract.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <algorithm>

namespace {

// "mailto", "http", ... as the kinds are named on the command line, by ordinal.
QString KindName(int Kind)
{
    return QString::fromLatin1(VxExtractPrefix(TVxIExtract(Kind))).remove(QLatin1Char(':')).remove(QLatin1Char('/'));
}

// The kinds asked for, in the order of the enumeration, each once.
QList<TVxIExtract> Kinds(const QString& Text)
{
    QList<TVxIExtract> Result;
    const QStringList Names = Text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (Names.isEmpty())
        throw vx::UsageError{QStringLiteral("--kind needs a kind")};
    for (int Kind = 0; Kind < VxExtractKindCount; ++Kind)
        if (Names.contains(QLatin1String("all")) || Names.contains(KindName(Kind), Qt::CaseInsensitive))
            Result << TVxIExtract(Kind);
    for (const QString& Name : Names) {
        bool Known = Name == QLatin1String("all");
        for (int Kind = 0; Kind < VxExtractKindCount; ++Kind)
            Known = Known || Name.compare(KindName(Kind), Qt::CaseInsensitive) == 0;
        if (!Known)
            throw vx::UsageError{QStringLiteral("unknown kind %1").arg(Name)};
    }
    return Result;
}

int RunLinks(const QStringList& Args)
{
    const vxweb::Options O = vxweb::Parse(Args, {QStringLiteral("--json")}, {{"--kind", "KIND"}, {"--unique"}});
    if (!O.Rest.isEmpty())
        throw vx::UsageError{QStringLiteral("expected one URL or file")};
    const QList<TVxIExtract> Wanted = Kinds(O.Reader->Value("--kind", KindName(ieMailTo)));
    TVxInfoExtractor E;
    E.SetExtract(Wanted.first());
    vxweb::SetUpUpdater(&E, O, QStringLiteral("links"));
    if (!vxweb::RunUpdater(&E, O))
        return vx::ExitFalse;
    QStringList Links = E.ExtractedInfo();
    for (qsizetype I = 1; I < Wanted.size(); ++I) {
        E.SetExtract(Wanted[I]);
        E.ParseData();
        Links += E.ExtractedInfo();
    }
    if (O.Reader->Has("--unique")) {
        QSet<QString> Seen;
        Links.erase(std::remove_if(Links.begin(), Links.end(),
                                   [&](const QString& L) {
                                       const bool Again = Seen.contains(L);
                                       Seen.insert(L);
                                       return Again;
                                   }),
                    Links.end());
    }
    if (O.Json) {
        vx::WriteOut(QJsonDocument(QJsonArray::fromStringList(Links)).toJson(QJsonDocument::Indented));
        return vx::ExitOk;
    }
    // The bytes of the page as they are, a line break inside a link written as \r or \n.
    for (QString L : Links) {
        L.replace(QLatin1Char('\r'), QLatin1String("\\r")).replace(QLatin1Char('\n'), QLatin1String("\\n"));
        vx::WriteOut(vx::PrintableByteText(L + QLatin1Char('\n')));
    }
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP(
    "links", "links URL-OR-FILE [--kind KIND[,KIND...]|all] [--unique] [--json]  list the links of a page",
    "Downloads the page (or reads the file) and prints every link of the kinds asked for,\n"
    "one per line, prefix included, in the order they stand in the page; several kinds\n"
    "are listed kind after kind in the order below. A link ends before a space, a quote,\n"
    "one of # % < > [ \\ ] ^ ` { | } ~ or the end of the page; it runs on over a line break,\n"
    "which is written as the two characters \\n (\\r for a carriage return).\n"
    "\n"
    "Options:\n"
    "  --kind KIND[,KIND...]  mailto (the default), http, https, ftp, file, telnet, news,\n"
    "                         gopher, wais, or all\n"
    "  --unique              list each link once, where it first appears\n"
    "  --json                print the links as one JSON array, exactly\n"
    "  --user U, --password P  the server's login (asked for on the terminal if needed)\n"
    "  --proxy HOST[:PORT]   an HTTP proxy (default: the http_proxy environment)\n"
    "  --proxy-user U, --proxy-password P  the proxy's login\n"
    "  --cacert FILE         trust the CA certificates in this PEM file as well\n"
    + vx::TimeoutHelp(vxweb::DefaultTimeoutSeconds) + "\n"
    "Exit status: 0 listed (maybe none), 1 failed or not found, 2 an error, 64 a usage error.\n",
    RunLinks)
