// Translates a text with the translator service and saves its spoken form.
//
//     example_translate TEXT TO-LANGUAGE [AUDIOFILE]
//
// The source language is detected first; with AUDIOFILE the translation is also
// fetched as speech. VX_TRANSLATOR_APPID and VX_TRANSLATOR_HOST, when set, replace the
// application identifier and the service's base address.
#include <vedidoredo/VxIMSTranslator.h>

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    const QStringList Args = App.arguments();
    if (Args.size() < 3 || Args.size() > 4) {
        std::fprintf(stderr, "usage: example_translate TEXT TO-LANGUAGE [AUDIOFILE]\n");
        return 64;
    }

    TVxMSTranslator Translator;
    if (qEnvironmentVariableIsSet("VX_TRANSLATOR_APPID"))
        Translator.SetBingAppId(qEnvironmentVariable("VX_TRANSLATOR_APPID"));
    if (qEnvironmentVariableIsSet("VX_TRANSLATOR_HOST"))
        Translator.SetHost(qEnvironmentVariable("VX_TRANSLATOR_HOST"));
    Translator.SetTimeout(30000);

    const QString From = Translator.DetectLanguage(Args.at(1));
    if (!Translator.LastError().isEmpty()) {
        std::fprintf(stderr, "detection failed: %s\n", qPrintable(Translator.LastError()));
        return 1;
    }
    const QString Text = Translator.TranslateText(Args.at(1), From, Args.at(2));
    if (!Translator.LastError().isEmpty()) {
        std::fprintf(stderr, "translation failed: %s\n", qPrintable(Translator.LastError()));
        return 1;
    }
    std::printf("%s -> %s: %s\n", qPrintable(From), qPrintable(Args.at(2)), Text.toUtf8().constData());

    if (Args.size() == 4) {
        try {
            Translator.SpeakText(Args.at(2), Args.at(3), Text);
        } catch (const EVxError& E) {  // the audio file could not be created
            std::fprintf(stderr, "%s\n", qPrintable(E.Message()));
            return 2;
        }
        if (!Translator.LastError().isEmpty()) {
            std::fprintf(stderr, "speech failed: %s\n", qPrintable(Translator.LastError()));
            return 1;
        }
    }
    return 0;
}
