// A decoder for DNS reply messages (RFC 1035, with AAAA and SRV), giving the records of
// the answer, authority and additional sections as zone-file text lines such as
//     example.org.	3600	IN	MX	10 mail.example.org.
// It reads any input without crashing: a malformed message decodes as far as it can and
// says where it stopped in Error.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct VX_CORE_EXPORT TVxDNSQuestion {
    QString Name;  // absolute, with the final dot
    int Type = 0;
    int Class = 0;
    QString Text() const;  // ";name<TAB>CLASS<TAB>TYPE"
};

struct VX_CORE_EXPORT TVxDNSRecord {
    QString Name;  // absolute, with the final dot
    int Type = 0;
    int Class = 0;
    quint32 TTL = 0;
    QString Data;  // the data in zone-file presentation
    QString Text() const;  // "name<TAB>ttl<TAB>CLASS<TAB>TYPE<TAB>data"
};

struct VX_CORE_EXPORT TVxDNSReply {
    bool Valid = false;  // the whole message decoded
    QString Error;       // why decoding stopped, when not Valid
    quint16 Id = 0;
    quint16 Flags = 0;
    int RCode() const { return Flags & 0x0F; }
    bool Truncated() const { return (Flags & 0x0200) != 0; }
    QList<TVxDNSQuestion> Questions;
    QList<TVxDNSRecord> Answers, Authority, Additional;

    // The records of the answer, authority and additional sections, in that order.
    QStringList Records() const;
    // A readable report: a header comment line, then each section under a heading.
    QStringList Report() const;
};

VX_CORE_EXPORT TVxDNSReply VxDecodeDNSReply(const QByteArray& Message);
// Byte text (one character per byte), as the resolver's Execute returns it.
VX_CORE_EXPORT TVxDNSReply VxDecodeDNSReply(const QString& ByteText);

// Mnemonics: "A", "MX", ... or "TYPE99"; "IN", "CH", "HS" or "CLASS9"; "NOERROR",
// "NXDOMAIN", ... or the number.
VX_CORE_EXPORT QString VxDNSTypeName(int Type);
VX_CORE_EXPORT QString VxDNSClassName(int Class);
VX_CORE_EXPORT QString VxDNSRCodeName(int RCode);
