// vx dns NAME [KIND...] [@SERVER[:PORT]] [--timeout SECONDS]
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"

#include <vedidoredo/VxIDNS.h>
#include <vedidoredo/VxIDNSReply.h>

#include <QFile>
#include <QHostAddress>
#include <QMetaEnum>

namespace {

constexpr double DefaultTimeoutSeconds = 5;

const char* const DnsUsage = "dns NAME [KIND...] [@SERVER[:PORT]] [--timeout SECONDS]  ask a DNS server and print its reply";
const char* const DnsHelp =
    "KIND: A NS CNAME SOA MB MG MR NULL WKS PTR HINFO MINFO MX TXT AXFR MAILB ANY\n"
    "(or the names irA, irMX, ...). One query goes out per kind; without a kind, A, or\n"
    "PTR for an IPv4 address (asked as its in-addr.arpa name).\n"
    "@SERVER[:PORT] defaults to the first name server of /etc/resolv.conf, port 53.\n"
    "The reply is printed in zone-file form, section by section.\n"
    "\n"
    "Options:\n";

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
    const vx::OptionReader O(Args, {{"--timeout", "SECONDS"}});
    QString Name, Server;
    QList<TVxIDNSRequest> Asked;
    for (const QString& A : O.Positional()) {
        TVxIDNSRequest Kind;
        if (A.startsWith(QLatin1Char('@')) && A.size() > 1) {
            Server = A.mid(1);
        } else if (Name.isEmpty()) {
            Name = A;
        } else if (KindOf(A, Kind)) {
            if (!Asked.contains(Kind))
                Asked << Kind;
        } else {
            throw vx::UsageError{QStringLiteral("unknown record kind '%1'").arg(A)};
        }
    }
    if (Name.isEmpty())
        throw vx::UsageError{QStringLiteral("no name given")};
    if (Asked.isEmpty())
        Asked << (TVxInetBase::AddrIsIP(Name) ? irPTR : irA);
    const vx::HostPort Target =
        vx::ParseHostPort(Server.isEmpty() ? SystemNameServer() : Server, 53, QStringLiteral("@SERVER"));
    TVxIDNSResolver R;
    R.SetTimeout(O.TimeoutMs(DefaultTimeoutSeconds));
    R.SetHost(Target.Host);
    R.SetPort(Target.Port);
    R.SetDomain(Name);
    bool First = true;
    for (TVxIDNSRequest Kind : Asked) {
        R.SetRequests(Kind);
        const QString Answer = R.Execute();  // a failed exchange raises: its message, status 2
        if (!First)
            vx::WriteOutLine(QString());
        First = false;
        for (const QString& Line : VxDecodeDNSReply(Answer).Report())
            vx::WriteOutLine(vx::Printable(Line));
    }
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP("dns", DnsUsage, DnsHelp + vx::TimeoutHelp(DefaultTimeoutSeconds), RunDns)
