// The DNS resolver: sends one DNS query message (RFC 1035) for a name and the chosen
// record kinds to a DNS server and returns the raw reply. VxIDNSReply.h decodes replies.
#pragma once

#include <vedidoredo/VxInBase.h>

#include <QFlags>
#include <QHostAddress>

namespace VxDNSEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
// The record kinds a query can ask for. Each value is one bit so that a set of kinds
// is a TVxIDNSRequests; the bit's position is the kind's ordinal (irAll 0 ... irMailB 16),
// which is also the order of the questions in a query.
enum TVxIDNSRequest {
    irAll = 1 << 0,
    irA = 1 << 1,
    irNS = 1 << 2,
    irName = 1 << 3,
    irSOA = 1 << 4,
    irMB = 1 << 5,
    irMG = 1 << 6,
    irMR = 1 << 7,
    irRR = 1 << 8,
    irWKS = 1 << 9,
    irPTR = 1 << 10,
    irHostInfo = 1 << 11,
    irMailInfo = 1 << 12,
    irMX = 1 << 13,
    irText = 1 << 14,
    irTransferRequest = 1 << 15,
    irMailB = 1 << 16,
};
Q_DECLARE_FLAGS(TVxIDNSRequests, TVxIDNSRequest)
Q_FLAG_NS(TVxIDNSRequests)
}  // namespace VxDNSEnums
Q_DECLARE_OPERATORS_FOR_FLAGS(VxDNSEnums::TVxIDNSRequests)
using VxDNSEnums::TVxIDNSRequest;
using VxDNSEnums::TVxIDNSRequests;
using enum VxDNSEnums::TVxIDNSRequest;

inline constexpr int VxDNSRequestCount = 17;
// The kind of ordinal 0..16, and the QTYPE code each kind is asked with.
VX_CORE_EXPORT TVxIDNSRequest VxDNSRequestOfOrdinal(int Ordinal);
VX_CORE_EXPORT int VxDNSRequestQType(TVxIDNSRequest Kind);

// Every query carries a random message ID. Transport: the query goes out as one UDP
// datagram to Port (53) of the target, and the reply is the first datagram from that
// address and port that carries the query's ID (any other is ignored and the wait goes
// on within Timeout); a reply with the truncation flag set makes the client send
// the same message again over TCP with the two-byte length prefix of RFC 1035 and return
// the reply without its prefix. The engine's raw header block is not sent and no proxy is
// used (a datagram carries the message alone). Timeout (5000 ms after construction)
// bounds the lookup and every wait; an expired wait makes Execute return its message.
// A Domain that cannot be written as a DNS name (a label longer than 63 bytes, a name
// longer than 255 bytes on the wire, or non-ASCII text without an IDNA form) is refused:
// Execute raises EVxConvertError before anything is sent.
class VX_CORE_EXPORT TVxIDNSResolver : public TVxInetBase {
    Q_OBJECT
    Q_PROPERTY(TVxIDNSRequests Requests READ Requests WRITE SetRequests)
    Q_PROPERTY(QString Domain READ Domain WRITE SetDomain)
public:
    explicit TVxIDNSResolver(QObject* Owner = nullptr);
    ~TVxIDNSResolver() override;

    TVxIDNSRequests Requests() const { return FRequests; }
    void SetRequests(TVxIDNSRequests Value) { CheckChange("Requests"); FRequests = Value; }
    QString Domain() const { return FDomain; }
    void SetDomain(const QString& Value) { CheckChange("Domain"); FDomain = Value; }

    // The query message as byte text, with a new random ID on every call; empty when
    // there is nothing to ask (no kinds, no domain, no target). Raises EVxConvertError for a Domain that is no DNS name.
    QString GetQuery() override;
    void Connect() override;
    void Disconnect() override;

    // Whether Domain is already a reverse-lookup name (under in-addr.arpa or ip6.arpa),
    // which a pointer query asks for as it stands.
    static bool IsReverseName(const QString& Domain);

protected:
    QString InternalExecute() override;

private:
    TVxIDNSRequests FRequests;
    QString FDomain;
    QHostAddress FPeer;
};
