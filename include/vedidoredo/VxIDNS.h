/// \file
/// The DNS resolver: sends one DNS query message (RFC 1035) for a name and the chosen
/// record kinds to a DNS server and returns the raw reply. VxIDNSReply.h decodes replies.
#pragma once

#include <vedidoredo/VxInBase.h>

#include <QFlags>
#include <QHostAddress>

/// The enumerations of the DNS resolver, also in the global namespace (`irMX`).
namespace VxDNSEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
/// The record kinds a query can ask for. Each value is one bit so that a set of kinds
/// is a TVxIDNSRequests; the bit's position is the kind's ordinal (irAll 0 ... irMailB 16),
/// which is also the order of the questions in a query.
enum TVxIDNSRequest {
    irAll = 1 << 0,  ///< every record (QTYPE 255, "*")
    irA = 1 << 1,  ///< a host address (A, 1)
    irNS = 1 << 2,  ///< an authoritative name server (NS, 2)
    irName = 1 << 3,  ///< the canonical name of an alias (CNAME, 5)
    irSOA = 1 << 4,  ///< the start of a zone of authority (SOA, 6)
    irMB = 1 << 5,  ///< a mailbox domain name (MB, 7)
    irMG = 1 << 6,  ///< a mail group member (MG, 8)
    irMR = 1 << 7,  ///< a mail rename domain name (MR, 9)
    irRR = 1 << 8,  ///< a null record (NULL, 10)
    irWKS = 1 << 9,  ///< a well-known service description (WKS, 11)
    irPTR = 1 << 10,  ///< a domain name pointer (PTR, 12)
    irHostInfo = 1 << 11,  ///< host information (HINFO, 13)
    irMailInfo = 1 << 12,  ///< mailbox or mail list information (MINFO, 14)
    irMX = 1 << 13,  ///< a mail exchange (MX, 15)
    irText = 1 << 14,  ///< text strings (TXT, 16)
    irTransferRequest = 1 << 15,  ///< a transfer of a whole zone (AXFR, 252)
    irMailB = 1 << 16,  ///< mailbox-related records (MAILB, 253)
};
Q_DECLARE_FLAGS(TVxIDNSRequests, TVxIDNSRequest)
Q_FLAG_NS(TVxIDNSRequests)
}  // namespace VxDNSEnums
Q_DECLARE_OPERATORS_FOR_FLAGS(VxDNSEnums::TVxIDNSRequests)
using VxDNSEnums::TVxIDNSRequest;
using VxDNSEnums::TVxIDNSRequests;
using enum VxDNSEnums::TVxIDNSRequest;

/// The number of record kinds, ordinals 0..16.
inline constexpr int VxDNSRequestCount = 17;
/// The kind of ordinal 0..16, and the QTYPE code each kind is asked with.
VX_CORE_EXPORT TVxIDNSRequest VxDNSRequestOfOrdinal(int Ordinal);
/// The QTYPE code a kind is asked with.
VX_CORE_EXPORT int VxDNSRequestQType(TVxIDNSRequest Kind);

/// Every query carries a random message ID. Transport: the query goes out as one UDP
/// datagram to Port (53) of the target, and the reply is the first datagram from that
/// address and port that carries the query's ID (any other is ignored and the wait goes
/// on within Timeout); a reply with the truncation flag set makes the client send
/// the same message again over TCP with the two-byte length prefix of RFC 1035 and return
/// the reply without its prefix (a reply there with another ID raises). The engine's raw
/// header block is not sent and no proxy is used (a datagram carries the message alone).
/// Timeout (5000 ms after construction) bounds the lookup and every wait; an expired wait
/// raises EVxSocketError out of Execute, naming the server.
/// A Domain that cannot be written as a DNS name (a label longer than 63 bytes, a name
/// longer than 255 bytes on the wire, or non-ASCII text without an IDNA form) is refused:
/// Execute raises EVxConvertError before anything is sent.
class VX_CORE_EXPORT TVxIDNSResolver : public TVxInetBase {
    Q_OBJECT
    Q_PROPERTY(TVxIDNSRequests Requests READ Requests WRITE SetRequests)
    Q_PROPERTY(QString Domain READ Domain WRITE SetDomain)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxIDNSResolver(QObject* Owner = nullptr);
    ~TVxIDNSResolver() override;

    /// The record kinds to ask for, one question each in ordinal order.
    TVxIDNSRequests Requests() const { return FRequests; }
    /// Sets Requests().
    void SetRequests(TVxIDNSRequests Value) { CheckChange("Requests"); FRequests = Value; }
    /// The name asked about; for PTR, the reverse name as it stands.
    QString Domain() const { return FDomain; }
    /// Sets Domain().
    void SetDomain(const QString& Value) { CheckChange("Domain"); FDomain = Value; }

    /// The query message as byte text, with a new random ID on every call; empty when
    /// there is nothing to ask (no kinds, no domain, no target). Raises EVxConvertError for a Domain that is no DNS name.
    QString GetQuery() override;
    void Connect() override;
    void Disconnect() override;

    /// Whether Domain is already a reverse-lookup name (under in-addr.arpa or ip6.arpa),
    /// which a pointer query asks for as it stands.
    static bool IsReverseName(const QString& Domain);

protected:
    QString InternalExecute() override;

private:
    TVxIDNSRequests FRequests;
    QString FDomain;
    QHostAddress FPeer;
};
