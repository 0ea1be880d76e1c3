// Reads the date and time from a daytime server and prints it.
//
//     example_daytime [HOST [PORT]]
#include <vedidoredo/VxITime.h>

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    const QStringList Args = App.arguments();

    TVxInetDateTime Daytime;
    if (Args.size() > 1)
        Daytime.SetHost(Args.at(1));
    if (Args.size() > 2)
        Daytime.SetPort(Args.at(2).toInt());
    Daytime.SetTimeout(10000);  // give up after ten seconds without an answer

    try {
        const TDateTime Time = Daytime.DateTime();  // connects, reads, decodes
        std::printf("%s (server time)\n", qPrintable(DateTimeToText(Time)));
        return 0;
    } catch (const EVxError& E) {
        std::fprintf(stderr, "daytime: %s\n", qPrintable(E.Message()));
        return 1;
    }
}
