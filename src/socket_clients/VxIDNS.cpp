#include <vedidoredo/VxIDNS.h>
#include "platform/VxDatagram.h"

#include "VxDNSQuery.h"
#include "VxDatagramStep.h"

#include <QRandomGenerator>

TVxIDNSRequest VxDNSRequestOfOrdinal(int Ordinal)
{
    return TVxIDNSRequest(1 << Ordinal);
}

int VxDNSRequestQType(TVxIDNSRequest Kind)
{
    for (int i = 0; i < VxDNSRequestCount; ++i)
        if (Kind == VxDNSRequestOfOrdinal(i))
            return VxDNSQuery::QTypes[i];
    return 0;
}

TVxIDNSResolver::TVxIDNSResolver(QObject* Owner) : TVxInetBase(Owner)
{
    SetPort(53);
    SetTimeout(5000);
}

TVxIDNSResolver::~TVxIDNSResolver()
{
    EndRun();
}

bool TVxIDNSResolver::IsReverseName(const QString& Domain)
{
    QString Name = Domain;
    if (Name.endsWith(QLatin1Char('.')))
        Name.chop(1);
    return Name.endsWith(QLatin1String(".in-addr.arpa"), Qt::CaseInsensitive)
           || Name.endsWith(QLatin1String(".ip6.arpa"), Qt::CaseInsensitive);
}

QString TVxIDNSResolver::GetQuery()
{
    if (FRequests == TVxIDNSRequests() || FDomain.isEmpty())
        return {};
    if (Host().isEmpty() && Address().isEmpty())
        return {};
    // A fresh, unpredictable ID for every query: a reply must name it to be taken.
    const auto Id = quint16(QRandomGenerator::system()->bounded(0x10000));
    return QString::fromLatin1(VxDNSQuery::BuildQuery(FDomain, FRequests, Id));
}

void TVxIDNSResolver::Connect()
{
    // A Domain that is no DNS name is refused before anything goes out.
    if (FRequests != TVxIDNSRequests() && !FDomain.isEmpty())
        VxDNSQuery::BuildQuery(FDomain, FRequests, 0);
    FPeer = VxDatagramStep::Resolve(this, ClientSocket());
}

void TVxIDNSResolver::Disconnect()
{
    FPeer.clear();
}

QString TVxIDNSResolver::InternalExecute()
{
    const QByteArray Query = GetQuery().toLatin1();
    if (Query.isEmpty())
        return {};  // nothing to ask, and a datagram server sends nothing unasked
    if (FPeer.isNull())
        throw ExchangeError(QStringLiteral("No answer from server"));
    // Only a reply that carries the query's ID answers it.
    auto Answers = [&Query](const QByteArray& D) { return D.size() >= 2 && D[0] == Query[0] && D[1] == Query[1]; };
    QByteArray Reply;
    // Over datagrams any other is ignored and the wait goes on.
    if (!VxDatagramStep::Run(this, ClientSocket(), eeReceive,
                             [&] { Reply = VxUdpExchange(FPeer, quint16(Port()), Query, Timeout(), Answers); }))
        throw ExchangeError(QStringLiteral("No answer from server"));
    // TC: the datagram could not hold the whole reply; ask again over a stream, whose one
    // reply must answer the query too.
    if (Reply.size() >= 3 && (quint8(Reply[2]) & 0x02)) {
        if (!VxDatagramStep::Run(this, ClientSocket(), eeReceive,
                                 [&] { Reply = VxTcpFramedExchange(FPeer, quint16(Port()), Query, Timeout()); }))
            throw ExchangeError(QStringLiteral("No answer from server"));
        if (!Answers(Reply))
            throw ExchangeError(QStringLiteral("The DNS reply over TCP does not answer the query (another ID)"));
    }
    return QString::fromLatin1(Reply);
}
