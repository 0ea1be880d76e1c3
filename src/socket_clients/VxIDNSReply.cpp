#include <vedidoredo/VxIDNSReply.h>

#include <QHostAddress>

namespace {

// Raised inside the decoder when the message ends early or is inconsistent.
struct Malformed {
    QString Why;
};

class Reader {
public:
    explicit Reader(const QByteArray& M) : FM(M) {}

    int Pos() const { return FPos; }
    int Size() const { return int(FM.size()); }
    void Seek(int P) { FPos = P; }

    quint8 U8()
    {
        Need(1);
        return quint8(FM[FPos++]);
    }
    quint16 U16()
    {
        Need(2);
        const quint16 V = quint16((quint8(FM[FPos]) << 8) | quint8(FM[FPos + 1]));
        FPos += 2;
        return V;
    }
    quint32 U32()
    {
        const quint32 Hi = U16();
        return (Hi << 16) | U16();
    }
    QByteArray Bytes(int Count)
    {
        Need(Count);
        const QByteArray B = FM.mid(FPos, Count);
        FPos += Count;
        return B;
    }

    // A possibly compressed name, read at the current position. Pointers may only lead
    // backwards, which also rules out loops.
    QString Name()
    {
        QString Out;
        int P = FPos;
        int End = -1;  // where reading continues after the first pointer
        int WireLength = 0;
        for (;;) {
            if (P >= Size())
                throw Malformed{QStringLiteral("name runs past the end at offset %1").arg(P)};
            const quint8 Len = quint8(FM[P]);
            if ((Len & 0xC0) == 0xC0) {
                if (P + 1 >= Size())
                    throw Malformed{QStringLiteral("compression pointer cut off at offset %1").arg(P)};
                const int Target = ((Len & 0x3F) << 8) | quint8(FM[P + 1]);
                if (Target >= P)
                    throw Malformed{QStringLiteral("compression pointer at offset %1 does not lead back").arg(P)};
                if (End < 0)
                    End = P + 2;
                P = Target;
                continue;
            }
            if ((Len & 0xC0) != 0)
                throw Malformed{QStringLiteral("unknown label type at offset %1").arg(P)};
            if (Len == 0) {
                ++P;
                break;
            }
            if (P + 1 + Len > Size())
                throw Malformed{QStringLiteral("label runs past the end at offset %1").arg(P)};
            WireLength += 1 + Len;
            if (WireLength > 255)
                throw Malformed{QStringLiteral("name longer than 255 bytes at offset %1").arg(FPos)};
            Out += EscapeLabel(FM.mid(P + 1, Len));
            Out += QLatin1Char('.');
            P += 1 + Len;
        }
        FPos = End >= 0 ? End : P;
        return Out.isEmpty() ? QStringLiteral(".") : Out;
    }

    // A <character-string>: length byte and bytes, quoted.
    QString CharacterString()
    {
        const int Len = U8();
        const QByteArray B = Bytes(Len);
        QString Out = QStringLiteral("\"");
        for (char Ch : B) {
            const quint8 C = quint8(Ch);
            if (C == '"' || C == '\\')
                Out += QLatin1String("\\") + QLatin1Char(char(C));
            else if (C < 0x20 || C > 0x7E)
                Out += QStringLiteral("\\%1").arg(C, 3, 10, QLatin1Char('0'));
            else
                Out += QLatin1Char(char(C));
        }
        return Out + QLatin1Char('"');
    }

private:
    static QString EscapeLabel(const QByteArray& L)
    {
        QString Out;
        for (char Ch : L) {
            const quint8 C = quint8(Ch);
            if (C == '.' || C == '\\' || C == '"' || C == ';' || C == '(' || C == ')' || C == '@' || C == '$')
                Out += QLatin1String("\\") + QLatin1Char(char(C));
            else if (C <= 0x20 || C > 0x7E)
                Out += QStringLiteral("\\%1").arg(C, 3, 10, QLatin1Char('0'));
            else
                Out += QLatin1Char(char(C));
        }
        return Out;
    }

    void Need(int Count)
    {
        if (Count < 0 || FPos + Count > Size())
            throw Malformed{QStringLiteral("message ends at offset %1, %2 more bytes expected")
                                .arg(Size())
                                .arg(FPos + Count - Size())};
    }

    const QByteArray& FM;
    int FPos = 0;
};

QString Generic(const QByteArray& Data)
{
    QString Out = QStringLiteral("\\# %1").arg(Data.size());
    if (!Data.isEmpty())
        Out += QLatin1Char(' ') + QString::fromLatin1(Data.toHex());
    return Out;
}

// The record data in presentation form; R is positioned at the data of Length bytes.
QString RecordData(Reader& R, int Type, int Length)
{
    const int Start = R.Pos();
    const int End = Start + Length;
    if (End > R.Size())
        throw Malformed{QStringLiteral("record data runs past the end at offset %1").arg(Start)};
    QString Out;
    auto Join = [](const QStringList& Parts) { return Parts.join(QLatin1Char(' ')); };
    switch (Type) {
    case 1:  // A
        if (Length != 4)
            return R.Seek(Start), Generic(R.Bytes(Length));
        Out = QHostAddress(R.U32()).toString();
        break;
    case 28:  // AAAA
        if (Length != 16)
            return R.Seek(Start), Generic(R.Bytes(Length));
        {
            const QByteArray B = R.Bytes(16);
            Out = QHostAddress(reinterpret_cast<const quint8*>(B.constData())).toString();
        }
        break;
    case 2: case 3: case 4: case 5: case 7: case 8: case 9: case 12:  // names
        Out = R.Name();
        break;
    case 6: {  // SOA
        const QString MName = R.Name();
        const QString RName = R.Name();
        QStringList Parts{MName, RName};
        for (int i = 0; i < 5; ++i)
            Parts << QString::number(R.U32());
        Out = Join(Parts);
        break;
    }
    case 11: {  // WKS: address, protocol, bitmap of ports
        if (Length < 5)
            return R.Seek(Start), Generic(R.Bytes(Length));
        QStringList Parts{QHostAddress(R.U32()).toString(), QString::number(R.U8())};
        const QByteArray Map = R.Bytes(End - R.Pos());
        for (int i = 0; i < Map.size(); ++i)
            for (int b = 0; b < 8; ++b)
                if (quint8(Map[i]) & (0x80 >> b))
                    Parts << QString::number(i * 8 + b);
        Out = Join(Parts);
        break;
    }
    case 13:  // HINFO
    case 14:  // MINFO
        if (Type == 13)
            Out = Join({R.CharacterString(), R.CharacterString()});
        else
            Out = Join({R.Name(), R.Name()});
        break;
    case 15:  // MX
        Out = QString::number(R.U16());
        Out += QLatin1Char(' ') + R.Name();
        break;
    case 16: {  // TXT
        QStringList Parts;
        while (R.Pos() < End)
            Parts << R.CharacterString();
        Out = Join(Parts);
        break;
    }
    case 33: {  // SRV
        QStringList Parts;
        for (int i = 0; i < 3; ++i)
            Parts << QString::number(R.U16());
        Parts << R.Name();
        Out = Join(Parts);
        break;
    }
    default:
        Out = Generic(R.Bytes(Length));
        break;
    }
    if (R.Pos() != End)
        throw Malformed{QStringLiteral("record data at offset %1 does not fill its %2 bytes").arg(Start).arg(Length)};
    return Out;
}

}  // namespace

QString VxDNSTypeName(int Type)
{
    static const char* const Names[] = {nullptr, "A", "NS", "MD", "MF", "CNAME", "SOA", "MB", "MG",
                                        "MR", "NULL", "WKS", "PTR", "HINFO", "MINFO", "MX", "TXT"};
    if (Type > 0 && Type <= 16)
        return QString::fromLatin1(Names[Type]);
    switch (Type) {
    case 28: return QStringLiteral("AAAA");
    case 33: return QStringLiteral("SRV");
    case 41: return QStringLiteral("OPT");
    case 252: return QStringLiteral("AXFR");
    case 253: return QStringLiteral("MAILB");
    case 255: return QStringLiteral("ANY");
    default: return QStringLiteral("TYPE%1").arg(Type);
    }
}

QString VxDNSClassName(int Class)
{
    switch (Class) {
    case 1: return QStringLiteral("IN");
    case 3: return QStringLiteral("CH");
    case 4: return QStringLiteral("HS");
    case 255: return QStringLiteral("ANY");
    default: return QStringLiteral("CLASS%1").arg(Class);
    }
}

QString VxDNSRCodeName(int RCode)
{
    static const char* const Names[] = {"NOERROR", "FORMERR", "SERVFAIL", "NXDOMAIN", "NOTIMP", "REFUSED"};
    if (RCode >= 0 && RCode < 6)
        return QString::fromLatin1(Names[RCode]);
    return QString::number(RCode);
}

QString TVxDNSQuestion::Text() const
{
    return QStringLiteral(";%1\t%2\t%3").arg(Name, VxDNSClassName(Class), VxDNSTypeName(Type));
}

QString TVxDNSRecord::Text() const
{
    return QStringLiteral("%1\t%2\t%3\t%4\t%5")
        .arg(Name)
        .arg(TTL)
        .arg(VxDNSClassName(Class), VxDNSTypeName(Type), Data);
}

TVxDNSReply VxDecodeDNSReply(const QByteArray& Message)
{
    TVxDNSReply Out;
    Reader R(Message);
    try {
        Out.Id = R.U16();
        Out.Flags = R.U16();
        const int QD = R.U16(), AN = R.U16(), NS = R.U16(), AR = R.U16();
        for (int i = 0; i < QD; ++i) {
            TVxDNSQuestion Q;
            Q.Name = R.Name();
            Q.Type = R.U16();
            Q.Class = R.U16();
            Out.Questions << Q;
        }
        QList<TVxDNSRecord>* Sections[] = {&Out.Answers, &Out.Authority, &Out.Additional};
        const int Counts[] = {AN, NS, AR};
        for (int s = 0; s < 3; ++s)
            for (int i = 0; i < Counts[s]; ++i) {
                TVxDNSRecord Rec;
                Rec.Name = R.Name();
                Rec.Type = R.U16();
                Rec.Class = R.U16();
                Rec.TTL = R.U32();
                const int Length = R.U16();
                Rec.Data = RecordData(R, Rec.Type, Length);
                Sections[s]->append(Rec);
            }
        Out.Valid = true;
    } catch (const Malformed& M) {
        Out.Error = M.Why;
    }
    return Out;
}

TVxDNSReply VxDecodeDNSReply(const QString& ByteText)
{
    return VxDecodeDNSReply(ByteText.toLatin1());
}

QStringList TVxDNSReply::Records() const
{
    QStringList Lines;
    for (const auto* Section : {&Answers, &Authority, &Additional})
        for (const TVxDNSRecord& Rec : *Section)
            Lines << Rec.Text();
    return Lines;
}

QStringList TVxDNSReply::Report() const
{
    QStringList Flag;
    static const char* const Bits[] = {"qr", "aa", "tc", "rd", "ra"};
    const int Masks[] = {0x8000, 0x0400, 0x0200, 0x0100, 0x0080};
    for (int i = 0; i < 5; ++i)
        if (Flags & Masks[i])
            Flag << QString::fromLatin1(Bits[i]);
    QStringList Lines;
    Lines << QStringLiteral(";; id %1, status %2, flags: %3; QUERY: %4, ANSWER: %5, AUTHORITY: %6, ADDITIONAL: %7")
                 .arg(Id)
                 .arg(VxDNSRCodeName(RCode()), Flag.join(QLatin1Char(' ')))
                 .arg(Questions.size())
                 .arg(Answers.size())
                 .arg(Authority.size())
                 .arg(Additional.size());
    if (!Questions.isEmpty()) {
        Lines << QString() << QStringLiteral(";; QUESTION SECTION:");
        for (const TVxDNSQuestion& Q : Questions)
            Lines << Q.Text();
    }
    const QList<TVxDNSRecord>* Sections[] = {&Answers, &Authority, &Additional};
    const char* const Titles[] = {";; ANSWER SECTION:", ";; AUTHORITY SECTION:", ";; ADDITIONAL SECTION:"};
    for (int s = 0; s < 3; ++s) {
        if (Sections[s]->isEmpty())
            continue;
        Lines << QString() << QString::fromLatin1(Titles[s]);
        for (const TVxDNSRecord& Rec : *Sections[s])
            Lines << Rec.Text();
    }
    if (!Valid)
        Lines << QString() << QStringLiteral(";; malformed reply: %1").arg(Error);
    return Lines;
}
