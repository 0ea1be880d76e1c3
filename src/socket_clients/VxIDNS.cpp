#include <vedidoredo/VxIDNS.h>
#include "platform/VxDatagram.h"

#include "VxDatagramStep.h"

#include <QRandomGenerator>
#include <QUrl>

namespace {

constexpr int QTypes[VxDNSRequestCount] = {255, 1, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 252, 253};

// The domain as the bytes that go on the wire: ASCII as it is, anything else in its
// IDNA (punycode) form.
QByteArray WireName(const QString& Domain)
{
    bool Ascii = true;
    for (QChar C : Domain)
        if (C.unicode() > 127)
            Ascii = false;
    if (Ascii)
        return Domain.toLatin1();
    const QByteArray Ace = QUrl::toAce(Domain);
    if (Ace.isEmpty())
        throw EVxConvertError(QStringLiteral("\"%1\" is not a valid DNS name").arg(Domain));
    return Ace;
}

}  // namespace

TVxIDNSRequest VxDNSRequestOfOrdinal(int Ordinal)
{
    return TVxIDNSRequest(1 << Ordinal);
}

int VxDNSRequestQType(TVxIDNSRequest Kind)
{
    for (int i = 0; i < VxDNSRequestCount; ++i)
        if (Kind == VxDNSRequestOfOrdinal(i))
            return QTypes[i];
    return 0;
}

TVxIDNSResolver::TVxIDNSResolver(QObject* Owner) : TVxInetBase(Owner)
{
    SetPort(53);
    SetTimeout(5000);
}

bool TVxIDNSResolver::IsReverseName(const QString& Domain)
{
    QString Name = Domain;
    if (Name.endsWith(QLatin1Char('.')))
        Name.chop(1);
    return Name.endsWith(QLatin1String(".in-addr.arpa"), Qt::CaseInsensitive)
           || Name.endsWith(QLatin1String(".ip6.arpa"), Qt::CaseInsensitive);
}

QByteArray TVxIDNSResolver::BuildQuery(const QString& Domain, TVxIDNSRequests Requests, quint16 Id)
{
    QList<QByteArray> Labels = WireName(Domain).split('.');
    if (Labels.size() > 1 && Labels.last().isEmpty())
        Labels.removeLast();  // a trailing dot adds nothing
    int NameLength = 1;
    for (const QByteArray& L : Labels) {
        if (L.size() > 63)
            throw EVxConvertError(
                QStringLiteral("DNS label longer than 63 characters: \"%1\"").arg(QString::fromLatin1(L)));
        NameLength += 1 + int(L.size());
    }
    // A pointer name is asked for in reverse form; a name already in that form is
    // asked for as it stands.
    QList<QByteArray> Pointer = Labels;
    int PointerLength = NameLength;
    if (!IsReverseName(Domain)) {
        Pointer = QList<QByteArray>(Labels.rbegin(), Labels.rend());
        Pointer << QByteArray("in-addr") << QByteArray("arpa");
        PointerLength += 8 + 5;
    }
    if (NameLength > 255 || (Requests.testFlag(irPTR) && PointerLength > 255))
        throw EVxConvertError(QStringLiteral("DNS name longer than 255 bytes: \"%1\"").arg(Domain));

    int Count = 0;
    for (int i = 0; i < VxDNSRequestCount; ++i)
        if (Requests.testFlag(VxDNSRequestOfOrdinal(i)))
            ++Count;
    QByteArray M;
    M.append(char(Id >> 8)).append(char(Id & 0xFF));
    M.append(char(0x01)).append(char(0x00));
    M.append(char((Count >> 8) & 0xFF)).append(char(Count & 0xFF));
    M.append(6, '\0');
    for (int i = 0; i < VxDNSRequestCount; ++i) {
        const TVxIDNSRequest Kind = VxDNSRequestOfOrdinal(i);
        if (!Requests.testFlag(Kind))
            continue;
        for (const QByteArray& L : (Kind == irPTR ? Pointer : Labels)) {
            M.append(char(L.size()));
            M.append(L);
        }
        M.append('\0');
        M.append(char((QTypes[i] >> 8) & 0xFF)).append(char(QTypes[i] & 0xFF));
        M.append(char(0x00)).append(char(0x01));
    }
    return M;
}

QString TVxIDNSResolver::GetQuery()
{
    if (FRequests == TVxIDNSRequests() || FDomain.isEmpty())
        return {};
    if (Host().isEmpty() && Address().isEmpty())
        return {};
    // A fresh, unpredictable ID for every query: a reply must name it to be taken.
    const auto Id = quint16(QRandomGenerator::system()->bounded(0x10000));
    return QString::fromLatin1(BuildQuery(FDomain, FRequests, Id));
}

void TVxIDNSResolver::Connect()
{
    // A Domain that is no DNS name is refused before anything goes out.
    if (FRequests != TVxIDNSRequests() && !FDomain.isEmpty())
        BuildQuery(FDomain, FRequests, 0);
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
