// Reads the time from an NTP server: example_sntp [HOST]
#include <vedidoredo/VxISNTP.h>

#include <cstdio>

int main(int argc, char** argv)
{
    TVxInetSNTP Sntp;
    if (argc > 1)
        Sntp.SetHost(QString::fromLocal8Bit(argv[1]));
    Sntp.SetTimeout(3000);  // a lost datagram ends the wait after 3 s
    try {
        // A lost or refused reply raises, naming the server.
        const TDateTime Time = Sntp.DateTime();
        std::printf("%s (local time)\n", qPrintable(DateTimeToText(Time)));
    } catch (const EVxError& E) {
        std::fprintf(stderr, "%s\n", qPrintable(E.Message()));
        return 2;
    }
    return 0;
}
