// Asks a DNS server for the A and MX records of a name, one query each:
// example_dns NAME SERVER
#include <vedidoredo/VxIDNS.h>
#include <vedidoredo/VxIDNSReply.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s NAME SERVER\n", argv[0]);
        return 64;
    }
    TVxIDNSResolver Resolver;
    Resolver.SetDomain(QString::fromLocal8Bit(argv[1]));
    Resolver.SetHost(QString::fromLocal8Bit(argv[2]));
    try {
        for (TVxIDNSRequest Kind : {irA, irMX}) {
            Resolver.SetRequests(Kind);
            const TVxDNSReply Reply = VxDecodeDNSReply(Resolver.Execute());  // the raw reply, decoded
            std::printf("; %s %s\n", qPrintable(VxDNSTypeName(VxDNSRequestQType(Kind))),
                        qPrintable(VxDNSRCodeName(Reply.RCode())));
            for (const QString& Line : Reply.Records())
                std::printf("%s\n", qPrintable(Line));
        }
    } catch (const EVxError& E) {
        std::fprintf(stderr, "%s\n", qPrintable(E.Message()));
        return 2;
    }
    return 0;
}
