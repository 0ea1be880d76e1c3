// vx dns NAME [KIND...] [@SERVER[:PORT]] [--timeout MS]
#include "VxRegistry.h"
#include "cmd_socket_common.h"

#include <vedidoredo/VxIDNS.h>
#include <vedidoredo/VxIDNSReply.h>

#include <QFile>
#include <QHostAddress>
#include <QMetaEnum>

namespace {

const char* const DnsUsage = "dns NAME [KIND...] [@SERVER]  ask a DNS server and print its reply";
const char* const DnsHelp =
    "KIND: A NS CNAME SOA MB MG MR NULL WKS PTR HINFO MINFO MX TXT AXFR MAILB ANY\n"
    "(or the names irA, irMX, ...). One query goes out per kind; without a kind, A, or\n"
    "PTR for an IPv4 address (asked as its in-addr.arpa name).\n"
    "@SERVER[:PORT] defaults to the first name server of /etc/resolv.conf, port 53.\n"
    "--timeout MS bounds each wait (5000 ms unless given). The reply is printed in\n"
    "zone-file form, section by section.\n";

struct KindName {
    const char* Name;
    TVxIDNSRequest Kind;
};
const KindName Kinds[] = {
    {"ANY", irAll},      {"ALL", irAll},    {"*", irAll},        {"A", irA},           {"NS", irNS},
    {"CNAME", irName},   {"SOA", irSOA},    {"MB", irMB},        {"MG", irMG},         {"MR", irMR},
    {"NULL", irRR},      {"WKS", irWKS},    {"PTR", irPTR},      {"HINFO", irHostInfo}, {"MINFO", irMailInfo},
    {"MX", irMX},        {"TXT", irText},   {"AXFR", irTransferRequest}, {"MAILB", irMailB},
};

bool KindOf(const QString& Text, TVxIDNSRequest& Kind)
{
    for (const KindName& K : Kinds)
        if (Text.compare(QLatin1String(K.Name), Qt::CaseInsensitive) == 0) {
            Kind = K.Kind;
            return true;
        }
    for (int i = 0; i < VxDNSRequestCount; ++i) {  // the enumeration's own names
        const TVxIDNSRequest K = VxDNSRequestOfOrdinal(i);
        const char* Key = QMetaEnum::fromType<TVxIDNSRequests>().valueToKey(int(K));
        if (Key && Text == QLatin1String(Key)) {
            Kind = K;
            return true;
        }
    }
    return false;
}

// The first name server of the system's resolver configuration.
QString SystemNameServer()
{
    QFile F(QStringLiteral("/etc/resolv.conf"));
    if (F.open(QIODevice::ReadOnly))
        while (!F.atEnd()) {
            const QStringList Words = QString::fromLatin1(F.readLine()).simplified().split(QLatin1Char(' '));
            if (Words.size() >= 2 && Words[0] == QLatin1String("nameserver"))
                return Words[1];
        }
    return QStringLiteral("127.0.0.1");
}

int RunDns(const QStringList& Args)
{
    using namespace vxsock;
    const QString Usage = QString::fromLatin1(DnsUsage);
    QString Name, Server, Value;
    QList<TVxIDNSRequest> Asked;
    TVxIDNSResolver R;
    for (qsizetype i = 0; i < Args.size(); ++i) {
        const QString& A = Args[i];
        TVxIDNSRequest Kind;
        if (A == QLatin1String("--timeout")) {
            bool Ok = false;
            const int N = TakeValue(Args, i, Value) ? Value.toInt(&Ok) : 0;
            if (!Ok || N < 0)
                return UsageError(Usage, QStringLiteral("--timeout needs a number of milliseconds"));
            R.SetTimeout(N);
        } else if (A.startsWith(QLatin1Char('@')) && A.size() > 1) {
            Server = A.mid(1);
        } else if (A.startsWith(QLatin1String("--"))) {
            return UsageError(Usage, QStringLiteral("unknown option %1").arg(A));
        } else if (Name.isEmpty()) {
            Name = A;
        } else if (KindOf(A, Kind)) {
            if (!Asked.contains(Kind))
                Asked << Kind;
        } else {
            return UsageError(Usage, QStringLiteral("unknown record kind %1").arg(A));
        }
    }
    if (Name.isEmpty())
        return UsageError(Usage, QStringLiteral("no name given"));
    if (Asked.isEmpty())
        Asked << (TVxInetBase::AddrIsIP(Name) ? irPTR : irA);
    QString Host;
    int Port = 53;
    if (!SplitHostPort(Server.isEmpty() ? SystemNameServer() : Server, Host, Port))
        return UsageError(Usage, QStringLiteral("bad server %1").arg(Server));
    R.SetHost(Host);
    R.SetPort(Port);
    R.SetDomain(Name);
    int Status = ExitDone;
    bool First = true;
    // An answer passes through OnAfterExecute; a failed exchange gives its message instead.
    bool Answered = false;
    R.SetOnAfterExecute([&](QObject*, QString&) { Answered = true; });
    for (TVxIDNSRequest Kind : Asked) {
        R.SetRequests(Kind);
        try {
            Answered = false;
            const QString Answer = R.Execute();
            const TVxDNSReply Reply = VxDecodeDNSReply(Answer);
            if (!Answered || Answer.isEmpty()) {
                PrintLine(stderr, QStringLiteral("vx dns: %1").arg(Answer.isEmpty() ? QStringLiteral("no reply") : Answer));
                Status = ExitError;
                continue;
            }
            if (!First)
                PrintLine(stdout, QString());
            First = false;
            for (const QString& Line : Reply.Report())
                PrintLine(stdout, Line);
        } catch (const EVxError& E) {
            PrintLine(stderr, QStringLiteral("vx dns: %1").arg(E.Message()));
            return ExitError;
        }
    }
    return Status;
}

}  // namespace

VX_REGISTER_COMMAND_HELP("dns", DnsUsage, DnsHelp, RunDns)
