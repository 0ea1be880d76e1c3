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
        const TDateTime Time = Sntp.DateTime();
        if (double(Time) == 0.0) {
            std::fprintf(stderr, "no valid reply from %s\n", qPrintable(Sntp.Host()));
            return 1;
        }
        std::printf("%s (local time)\n", qPrintable(DateTimeToText(Time)));
    } catch (const EVxError& E) {
        std::fprintf(stderr, "%s\n", qPrintable(E.Message()));
        return 2;
    }
    return 0;
}
