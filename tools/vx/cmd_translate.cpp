// `vx translate` and `vx speak`: the translator service from the terminal.
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"
#include "cmd_web_common.h"

#include <vedidoredo/VxIMSTranslator.h>

#include <QFileInfo>

namespace {

// The options of both commands besides their own.
std::vector<vx::Option> TranslatorOptions(std::vector<vx::Option> Own)
{
    std::vector<vx::Option> Declared = vxweb::ConnectionOptions();
    Declared.insert(Declared.end(), {{"--appid", "ID"}, {"--host", "BASE-URL"}});
    Declared.insert(Declared.end(), Own.begin(), Own.end());
    return Declared;
}

void Configure(TVxMSTranslator& T, const vx::OptionReader& R, const QString& Command)
{
    vxweb::ShowProgress(&T, Command);
    QString Error;
    if (!vxweb::ConfigureConnection(&T, vxweb::ReadConnectionOptions(R), Error))
        throw vx::UsageError{Error};
    if (R.Has("--appid"))
        T.SetBingAppId(R.Value("--appid"));
    if (R.Has("--host")) {
        const QString Host = R.Value("--host");
        if (!Host.startsWith(QLatin1String("http://")) && !Host.startsWith(QLatin1String("https://")))
            throw vx::UsageError{QStringLiteral("--host takes a base URL: http://HOST[:PORT]/PATH")};
        T.SetHost(Host.endsWith(QLatin1Char('/')) ? Host.chopped(1) : Host);
    }
}

// The words of the text, as the shell split them.
QString Text(const vx::OptionReader& R, const QString& What)
{
    R.ExpectPositional(1, 1000, What);
    return R.Positional().join(QLatin1Char(' '));
}

// A call that failed: the service's answer (or why none came) on standard error.
bool Failed(const TVxMSTranslator& T)
{
    if (T.LastError().isEmpty())
        return false;
    vx::PrintError(T.LastError());
    return true;
}

int RunTranslate(const QStringList& Args)
{
    const vx::OptionReader R(
        Args, TranslatorOptions({{"--to", "LANG"}, {"--from", "LANG"}, {"--detect"}, {"--languages"}, {"--speak"}}));
    TVxMSTranslator T;
    Configure(T, R, QStringLiteral("translate"));
    if (R.Has("--languages")) {
        if (!R.Positional().isEmpty() || R.Has("--detect") || R.Has("--to") || R.Has("--from"))
            throw vx::UsageError{QStringLiteral("--languages takes no text and no other mode")};
        QStringList List;
        if (R.Has("--speak"))
            T.GetLanguagesForSpeak(&List);
        else
            T.GetLanguagesForTranslate(&List);
        if (Failed(T))
            return vx::ExitFalse;
        for (const QString& L : List)
            vx::WriteOutLine(L);
        return vx::ExitOk;
    }
    if (R.Has("--speak"))
        throw vx::UsageError{QStringLiteral("--speak goes with --languages (to speak a text: vx speak)")};
    if (R.Has("--detect")) {
        if (R.Has("--to") || R.Has("--from"))
            throw vx::UsageError{QStringLiteral("--detect takes no --to or --from")};
        const QString Language = T.DetectLanguage(Text(R, QStringLiteral("TEXT")));
        if (Failed(T))
            return vx::ExitFalse;
        vx::WriteOutLine(Language);
        return vx::ExitOk;
    }
    if (!R.Has("--to"))
        throw vx::UsageError{QStringLiteral("--to LANG is needed (or --detect, or --languages)")};
    // Without --from the source goes empty: the service detects it.
    const QString Translation = T.TranslateText(Text(R, QStringLiteral("TEXT")), R.Value("--from"), R.Value("--to"));
    if (Failed(T))
        return vx::ExitFalse;
    vx::WriteOutLine(Translation);
    return vx::ExitOk;
}

int RunSpeak(const QStringList& Args)
{
    const vx::OptionReader R(Args, TranslatorOptions({{"--language", "LANG"}, {"--out", "FILE"}}));
    if (!R.Has("--language") || !R.Has("--out"))
        throw vx::UsageError{QStringLiteral("--language LANG and --out FILE are needed")};
    TVxMSTranslator T;
    Configure(T, R, QStringLiteral("speak"));
    const QString Out = R.Value("--out");
    T.SpeakText(R.Value("--language"), Out, Text(R, QStringLiteral("TEXT")));
    if (Failed(T))
        return vx::ExitFalse;
    vx::WriteOutLine(QStringLiteral("%1: %2 bytes").arg(Out).arg(QFileInfo(Out).size()));
    return vx::ExitOk;
}

const char* const SharedHelp =
    "  --appid ID            the application identifier the service knows the caller by\n"
    "  --host BASE-URL       the service's base address\n"
    "                        (default: http://api.microsofttranslator.com/v2/Http.svc)\n"
    "  --proxy HOST[:PORT]   an HTTP proxy (default: the http_proxy environment)\n"
    "  --proxy-user U, --proxy-password P  the proxy's login\n"
    "  --cacert FILE         trust the CA certificates in this PEM file as well\n";

}  // namespace

VX_REGISTER_COMMAND_HELP(
    "translate", "translate TEXT --to LANG [--from LANG] | --detect TEXT | --languages [--speak]  translate a text",
    QString::fromLatin1(
        "Asks the translator service for a translation of TEXT into LANG (from the language\n"
        "--from names, else the one the service detects), for the language of TEXT\n"
        "(--detect), or for the languages it translates (--languages) or speaks\n"
        "(--languages --speak), one per line. Texts go as UTF-8.\n"
        "\n"
        "Options:\n") +
        SharedHelp + vx::TimeoutHelp(vxweb::DefaultTimeoutSeconds) +
        "\n"
        "Exit status: 0 answered, 1 the service refused (its answer on standard error) or\n"
        "could not be reached, 64 a usage error.\n",
    RunTranslate)

VX_REGISTER_COMMAND_HELP(
    "speak", "speak TEXT --language LANG --out FILE  save the spoken form of a text",
    QString::fromLatin1("Saves the audio the translator service makes of TEXT, spoken in LANG, to FILE.\n"
                        "FILE is emptied first and stays empty when the service refuses.\n"
                        "\n"
                        "Options:\n") +
        SharedHelp + vx::TimeoutHelp(vxweb::DefaultTimeoutSeconds) +
        "\n"
        "Exit status: 0 saved, 1 the service refused (its answer on standard error) or could\n"
        "not be reached, 2 FILE could not be created, 64 a usage error.\n",
    RunSpeak)
