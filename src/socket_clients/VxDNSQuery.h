// DNS query messages: the question section for a set of record kinds.
#pragma once

#include <vedidoredo/VxIDNS.h>
#include <vedidoredo/platform/VxException.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

namespace VxDNSQuery {

// The QTYPE of each request kind, by ordinal.
inline constexpr int QTypes[VxDNSRequestCount] = {255, 1, 2, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 252, 253};

// The domain as the bytes that go on the wire: ASCII as it is, anything else in its
// IDNA (punycode) form.
inline QByteArray WireName(const QString& Domain)
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

// The query message for the given values and message ID, without the target check.
// Raises EVxConvertError for a Domain that is no DNS name.
inline QByteArray BuildQuery(const QString& Domain, TVxIDNSRequests Requests, quint16 Id)
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
    if (!TVxIDNSResolver::IsReverseName(Domain)) {
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

}  // namespace VxDNSQuery
