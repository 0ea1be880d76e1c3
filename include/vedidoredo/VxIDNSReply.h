/// \file
/// A decoder for DNS reply messages (RFC 1035, with AAAA and SRV), giving the records of
/// the answer, authority and additional sections as zone-file text lines such as
///     example.org.	3600	IN	MX	10 mail.example.org.
/// It reads any input without crashing: a malformed message decodes as far as it can and
/// says where it stopped in Error.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

/// One question of a DNS message.
struct VX_CORE_EXPORT TVxDNSQuestion {
    QString Name;  ///< absolute, with the final dot
    /// The QTYPE code asked for.
    int Type = 0;
    /// The QCLASS code (1: Internet).
    int Class = 0;
    QString Text() const;  ///< ";name<TAB>CLASS<TAB>TYPE"
};

/// One resource record of a DNS message.
struct VX_CORE_EXPORT TVxDNSRecord {
    QString Name;  ///< absolute, with the final dot
    /// The record's TYPE code.
    int Type = 0;
    /// The record's CLASS code.
    int Class = 0;
    /// Seconds the record may be cached.
    quint32 TTL = 0;
    QString Data;  ///< the data in zone-file presentation
    QString Text() const;  ///< "name<TAB>ttl<TAB>CLASS<TAB>TYPE<TAB>data"
};

/// A decoded DNS message: header, questions and the three record sections.
///
/// Example: \ref dns.cpp
struct VX_CORE_EXPORT TVxDNSReply {
    bool Valid = false;  ///< the whole message decoded
    QString Error;       ///< why decoding stopped, when not Valid
    /// The message ID, as in the query.
    quint16 Id = 0;
    /// The header's flag bits (QR, opcode, AA, TC, RD, RA, RCODE).
    quint16 Flags = 0;
    /// The response code (0: no error, 3: no such name ...).
    int RCode() const { return Flags & 0x0F; }
    /// Whether the server cut the reply short (TC).
    bool Truncated() const { return (Flags & 0x0200) != 0; }
    /// The question section.
    QList<TVxDNSQuestion> Questions;
    QList<TVxDNSRecord> Answers;     ///< the answer section
    QList<TVxDNSRecord> Authority;   ///< the authority section
    QList<TVxDNSRecord> Additional;  ///< the additional section

    /// The records of the answer, authority and additional sections, in that order.
    QStringList Records() const;
    /// A readable report: a header comment line, then each section under a heading.
    QStringList Report() const;
};

/// Decodes a DNS message; raises EVxConvertError for one that is cut short or malformed.
VX_CORE_EXPORT TVxDNSReply VxDecodeDNSReply(const QByteArray& Message);
/// Byte text (one character per byte), as the resolver's Execute returns it.
VX_CORE_EXPORT TVxDNSReply VxDecodeDNSReply(const QString& ByteText);

/// Mnemonics: "A", "MX", ... or "TYPE99"; "IN", "CH", "HS" or "CLASS9"; "NOERROR",
/// "NXDOMAIN", ... or the number.
VX_CORE_EXPORT QString VxDNSTypeName(int Type);
/// The name of a CLASS code ("IN", "CH" ...), or the number.
VX_CORE_EXPORT QString VxDNSClassName(int Class);
/// The name of a response code ("NOERROR", "NXDOMAIN" ...), or the number.
VX_CORE_EXPORT QString VxDNSRCodeName(int RCode);
