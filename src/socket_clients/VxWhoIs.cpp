#include <vedidoredo/VxWhoIs.h>

#include <QUrl>

namespace {

const char* const DefaultWhoisServer = "whois.arin.net";

// Keys by domain suffix, mostly alphabetical; a two-label key follows the single label
// it starts with where there is one. The second-level registries under com and net
// share one server.
const char* const BuiltInServers[] = {
    "*=whois.arin.net",
    "ac=whois.nic.ac",
    "ac.uk=whois.ja.net",
    "ae=whois.aeda.net.ae",
    "aero=whois.aero",
    "af=whois.nic.af",
    "ag=whois.nic.ag",
    "am=whois.amnic.net",
    "as=whois.nic.as",
    "asia=whois.nic.asia",
    "at=whois.nic.at",
    "au=whois.auda.org.au",
    "be=whois.dns.be",
    "bg=whois.register.bg",
    "bi=whois1.nic.bi",
    "biz=whois.nic.biz",
    "bj=whois.nic.bj",
    "br=whois.registro.br",
    "br.com=whois.centralnic.com",
    "bt=whois.netnames.net",
    "bz=whois.afilias-grs.info",
    "ca=whois.cira.ca",
    "cat=whois.nic.cat",
    "cc=ccwhois.verisign-grs.com",
    "cd=whois.nic.cd",
    "ch=whois.nic.ch",
    "ck=whois.nic.ck",
    "cl=whois.nic.cl",
    "cn=whois.cnnic.cn",
    "cn.com=whois.centralnic.com",
    "co=whois.nic.co",
    "co.nl=whois.co.nl",
    "com=whois.verisign-grs.com",
    "coop=whois.nic.coop",
    "cx=whois.nic.cx",
    "cz=whois.nic.cz",
    "de=whois.denic.de",
    "de.com=whois.centralnic.com",
    "dk=whois.punktum.dk",
    "dm=whois.nic.cx",
    "dz=whois.nic.dz",
    "edu=whois.educause.edu",
    "ee=whois.tld.ee",
    "eu=whois.eu",
    "eu.com=whois.centralnic.com",
    "fi=whois.fi",
    "fo=whois.nic.fo",
    "fr=whois.nic.fr",
    "gb.net=whois.centralnic.com",
    "gl=whois.nic.gl",
    "gov=whois.dotgov.gov",
    "gs=whois.nic.gs",
    "hk=whois.hkirc.hk",
    "hm=whois.registry.hm",
    "hn=whois2.afilias-grs.net",
    "hu=whois.nic.hu",
    "hu.com=whois.centralnic.com",
    "ie=whois.weare.ie",
    "il=whois.isoc.org.il",
    "in=whois.registry.in",
    "info=whois.nic.info",
    "int=whois.iana.org",
    "io=whois.nic.io",
    "iq=whois.cmc.iq",
    "ir=whois.nic.ir",
    "is=whois.isnic.is",
    "it=whois.nic.it",
    "je=whois.je",
    "jobs=whois.nic.jobs",
    "jp=whois.jprs.jp",
    "ke=whois.kenic.or.ke",
    "kg=whois.kg",
    "kr=whois.kr",
    "kr.com=whois.centralnic.com",
    "la=whois2.afilias-grs.net",
    "li=whois.nic.li",
    "lt=whois.domreg.lt",
    "lu=whois.dns.lu",
    "lv=whois.nic.lv",
    "ly=whois.nic.ly",
    "ma=whois.registre.ma",
    "md=whois.nic.md",
    "me=whois.nic.me",
    "mil=whois.nic.mil",
    "mobi=whois.nic.mobi",
    "ms=whois.nic.ms",
    "mu=whois.nic.mu",
    "mx=whois.mx",
    "my=whois.mynic.my",
    "name=whois.nic.name",
    "net=whois.verisign-grs.com",
    "nf=whois.nic.cx",
    "ng=whois.nic.net.ng",
    "nl=whois.domain-registry.nl",
    "no=whois.norid.no",
    "no.com=whois.centralnic.com",
    "nu=whois.iis.nu",
    "nz=whois.irs.net.nz",
    "org=whois.publicinterestregistry.org",
    "pl=whois.dns.pl",
    "pr=whois.nic.pr",
    "pro=whois.nic.pro",
    "pt=whois.dns.pt",
    "ro=whois.rotld.ro",
    "ru=whois.tcinet.ru",
    "ru.com=whois.centralnic.com",
    "sa=whois.nic.net.sa",
    "sa.com=whois.centralnic.com",
    "sb=whois.nic.net.sb",
    "sc=whois2.afilias-grs.net",
    "se=whois.iis.se",
    "se.com=whois.centralnic.com",
    "se.net=whois.centralnic.com",
    "sg=whois.sgnic.sg",
    "sh=whois.nic.sh",
    "si=whois.register.si",
    "sk=whois.sk-nic.sk",
    "sm=whois.nic.sm",
    "st=whois.nic.st",
    "su=whois.tcinet.ru",
    "tc=whois.nic.tc",
    "tel=whois.nic.tel",
    "tf=whois.nic.tf",
    "th=whois.thnic.co.th",
    "tj=whois.nic.tj",
    "tk=whois.dot.tk",
    "tl=whois.nic.tl",
    "tm=whois.nic.tm",
    "to=whois.tonic.to",
    "tp=whois.nic.tl",
    "tr=whois.trabis.gov.tr",
    "travel=whois.nic.travel",
    "tw=whois.twnic.net.tw",
    "tv=tvwhois.verisign-grs.com",
    "tz=whois.tznic.or.tz",
    "ua=whois.ua",
    "uk=whois.nic.uk",
    "uk.com=whois.centralnic.com",
    "uk.net=whois.centralnic.com",
    "us=whois.nic.us",
    "us.com=whois.centralnic.com",
    "uy=whois.nic.org.uy",
    "uy.com=whois.centralnic.com",
    "uz=whois.cctld.uz",
    "vc=whois2.afilias-grs.net",
    "ve=whois.nic.ve",
    "vg=whois.nic.tc",
    "ws=whois.website.ws",
    "xxx=whois.nic.xxx",
};

}  // namespace

TVxWhoIs::TVxWhoIs(QObject* Owner) : TVxInetBase(Owner), FServerList(BuiltInServerList())
{
    SetPort(43);
}

TVxWhoIs::~TVxWhoIs()
{
    EndRun();
}

QString TVxWhoIs::DefaultServer()
{
    return QString::fromLatin1(DefaultWhoisServer);
}

QStringList TVxWhoIs::BuiltInServerList()
{
    QStringList List;
    for (const char* Line : BuiltInServers)
        List << QString::fromLatin1(Line);
    return List;
}

QString TVxWhoIs::ServerFor(const QString& Name) const
{
    for (const QString& Line : FServerList) {
        const int Eq = Line.indexOf(QLatin1Char('='));
        const QString Key = Eq < 0 ? Line : Line.left(Eq);
        if (Key.compare(Name, Qt::CaseInsensitive) == 0)
            return Eq < 0 ? QString() : Line.mid(Eq + 1);
    }
    return {};
}

void TVxWhoIs::SetDomain(const QString& Value)
{
    CheckChange("Domain");
    if (Value == FDomain)
        return;
    FDomain = Value;
    if (!FAutoSelectServer || Value.isEmpty())
        return;
    if (AddrIsIP(Value)) {
        SetHost(DefaultServer());
        return;
    }
    const QString Label = Value.mid(Value.lastIndexOf(QLatin1Char('.')) + 1);
    SetHost(Label.isEmpty() ? QString() : ServerFor(Label));
    if (Host().isEmpty())
        SetHost(ServerFor(QStringLiteral("*")));
    if (Host().isEmpty())
        SetHost(DefaultServer());
}

QString TVxWhoIs::GetQuery()
{
    QString Name = FDomain;
    for (QChar C : FDomain)
        if (C.unicode() > 127) {
            const QByteArray Ace = QUrl::toAce(FDomain);
            Name = Ace.isEmpty() ? QString::fromLatin1(FDomain.toUtf8()) : QString::fromLatin1(Ace);
            break;
        }
    return Name + QStringLiteral("\r\n");
}
