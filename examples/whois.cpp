// Looks up the registration record of a domain: example_whois example.org
#include <vedidoredo/VxWhoIs.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DOMAIN\n", argv[0]);
        return 64;
    }
    TVxWhoIs WhoIs;
    WhoIs.SetDomain(QString::fromLocal8Bit(argv[1]));  // picks the server for the last label
    std::printf("server: %s\n\n", qPrintable(WhoIs.Host()));
    try {
        const QByteArray Record = WhoIs.Execute().toLatin1();
        std::fwrite(Record.constData(), 1, size_t(Record.size()), stdout);
    } catch (const EVxError& E) {
        std::fprintf(stderr, "%s\n", qPrintable(E.Message()));
        return 2;
    }
    return 0;
}
