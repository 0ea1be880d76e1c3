// The mail sender's message: the header block with its encoded words, the text part
// and the attachment parts, the date and the message identifier.
#include "VxISMTPPrivate.h"

#include <vedidoredo/vxiutil.h>

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cctype>
#include <chrono>
#include <mutex>
#include <random>

namespace {

// Message identifiers draw their letters from a generator seeded from the clock once,
// when the library is loaded.
std::mt19937 GRandom(static_cast<std::mt19937::result_type>(
    std::chrono::system_clock::now().time_since_epoch().count()));
std::mutex GRandomMutex;

const QString Mailer = QStringLiteral("Quillmoss SMTP Mail Sender");

constexpr qsizetype Base64Chunk = 57 * 1024;       // file bytes per read: whole 76-char lines
constexpr int Base64LineLength = 76;

bool IsAscii(const QString& S)
{
    for (QChar C : S)
        if (C.unicode() > 127)
            return false;
    return true;
}

bool HasLineBreak(const QString& S)
{
    return S.contains(QLatin1Char('\r')) || S.contains(QLatin1Char('\n'));
}

// RFC 2047 encoded words ("=?UTF-8?B?...?=") for header text that is not ASCII, each
// word at most 75 characters and never splitting a character's UTF-8 bytes.
QStringList EncodedWords(const QString& S)
{
    QStringList Words;
    QByteArray Chunk;
    auto Close = [&]() {
        if (!Chunk.isEmpty())
            Words.append(QStringLiteral("=?UTF-8?B?") + QString::fromLatin1(Chunk.toBase64()) + QStringLiteral("?="));
        Chunk.clear();
    };
    for (qsizetype I = 0; I < S.size(); ++I) {
        qsizetype Len = (S.at(I).isHighSurrogate() && I + 1 < S.size()) ? 2 : 1;
        const QByteArray Bytes = S.mid(I, Len).toUtf8();
        if (Chunk.size() + Bytes.size() > 45)  // 45 bytes give 60 base64 characters
            Close();
        Chunk += Bytes;
        I += Len - 1;
    }
    Close();
    return Words;
}

// Header text: ASCII as it is, anything else as encoded words, one per folded line.
QString HeaderText(const QString& S)
{
    return IsAscii(S) ? S : EncodedWords(S).join(QStringLiteral("\r\n "));
}

// A display name as a header phrase: quoted when it holds characters that would
// otherwise split or end it, encoded when it is not ASCII.
QString HeaderPhrase(const QString& Name)
{
    if (!IsAscii(Name))
        return EncodedWords(Name).join(QLatin1Char(' '));
    static const QString Specials = QStringLiteral("()<>[]:;@\\,\"");
    bool NeedsQuotes = false;
    for (QChar C : Name)
        NeedsQuotes = NeedsQuotes || Specials.contains(C);
    if (!NeedsQuotes)
        return Name;
    QString Escaped = Name;
    Escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    Escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + Escaped + QLatin1Char('"');
}

// An address as it appears in From, To and Cc: its Text, with the name made safe for
// a header.
QString HeaderAddress(const TVxIEMailAddress* A)
{
    if (A->GetText() == A->Address())
        return A->Address();
    return HeaderPhrase(A->Name()) + QStringLiteral(" <") + A->Address() + QLatin1Char('>');
}

QString HeaderAddressList(const TVxIEMailAddresses* List)
{
    QStringList Texts;
    for (int I = 0; I < List->Count(); ++I)
        Texts.append(HeaderAddress(List->Items(I)));
    return Texts.join(QStringLiteral(", "));
}

// A MIME parameter value in double quotes, with quotes and backslashes escaped; text
// beyond ASCII as encoded words, as mail programs read them in a name parameter.
QString QuotedParameter(const QString& Value)
{
    QString Escaped = IsAscii(Value) ? Value : EncodedWords(Value).join(QLatin1Char(' '));
    Escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    Escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + Escaped + QLatin1Char('"');
}

// A parameter in the form of RFC 2231 for a value beyond ASCII: "Name*=UTF-8''%C3%BC...",
// cut into numbered pieces on folded lines when long. Returned with its leading "; ".
QString ExtendedParameter(const QString& Name, const QString& Value)
{
    static const QByteArray Plain = "!#$&+-.^_`|~";
    QStringList Pieces{QString()};
    for (const char C : Value.toUtf8()) {
        const auto B = static_cast<unsigned char>(C);
        const QString Token = (std::isalnum(B) && B < 128) || Plain.contains(C)
                                  ? QString(QLatin1Char(C))
                                  : QStringLiteral("%%1").arg(B, 2, 16, QLatin1Char('0')).toUpper();
        if (Pieces.last().size() + Token.size() > 60)
            Pieces.append(QString());
        Pieces.last() += Token;
    }
    const QString Charset = QStringLiteral("UTF-8''");
    if (Pieces.size() == 1)
        return QStringLiteral(";\r\n ") + Name + QStringLiteral("*=") + Charset + Pieces.first();
    QString Out;
    for (qsizetype I = 0; I < Pieces.size(); ++I)
        Out += QStringLiteral(";\r\n %1*%2*=%3%4").arg(Name).arg(I).arg(I == 0 ? Charset : QString(), Pieces.at(I));
    return Out;
}

QString EffectiveEncoding(const TVxIEMailAttachment* A)
{
    return A->Encoding().isEmpty() ? QStringLiteral("base64") : A->Encoding();
}

bool SameName(const QString& A, const char* B)
{
    return A.compare(QLatin1String(B), Qt::CaseInsensitive) == 0;
}

bool IsSupportedEncoding(const QString& Encoding)
{
    for (const char* E : {"base64", "7bit", "8bit", "quoted-printable"})
        if (SameName(Encoding, E))
            return true;
    return false;
}

// Attachment parts whose file goes out line by line as it is.
bool IsRawEncoding(const QString& Encoding)
{
    return SameName(Encoding, "7bit") || SameName(Encoding, "8bit");
}

// One line in quoted-printable, as output lines of at most 76 characters (soft breaks
// end in "=").
QList<QByteArray> QuotedPrintableLines(const QByteArray& Line)
{
    QList<QByteArray> Out;
    QByteArray Current;
    for (qsizetype I = 0; I < Line.size(); ++I) {
        const auto B = static_cast<unsigned char>(Line.at(I));
        const bool Last = I == Line.size() - 1;
        QByteArray Token;
        if ((B >= 33 && B <= 126 && B != '=') || ((B == ' ' || B == '\t') && !Last))
            Token = QByteArray(1, char(B));
        else
            Token = "=" + QByteArray::number(B, 16).toUpper().rightJustified(2, '0');
        if (Current.size() + Token.size() > 75) {
            Out.append(Current + '=');
            Current.clear();
        }
        Current += Token;
    }
    Out.append(Current);
    return Out;
}

QList<QByteArray> Base64Lines(const QByteArray& Bytes)
{
    const QByteArray Encoded = Bytes.toBase64();
    QList<QByteArray> Out;
    for (qsizetype P = 0; P < Encoded.size(); P += Base64LineLength)
        Out.append(Encoded.mid(P, Base64LineLength));
    return Out;
}

// Text in the character set named CharSet, when that set holds all of it and is a
// superset of ASCII (as a mail text part's must be).
bool EncodeIn(const QString& CharSet, const QString& Text, QByteArray& Bytes)
{
    for (const char* Ascii : {"us-ascii", "ascii", "ansi_x3.4-1968"})
        if (SameName(CharSet, Ascii))
            return false;
    const QByteArray Name = CharSet.toLatin1();
    QStringEncoder Encoder(Name.constData());
    QStringDecoder Decoder(Name.constData());
    if (!Encoder.isValid() || !Decoder.isValid() || QByteArray(Encoder.encode(QStringLiteral("Aa1"))) != "Aa1")
        return false;
    Bytes = Encoder.encode(Text);
    return !Encoder.hasError() && QString(Decoder.decode(Bytes)) == Text && !Decoder.hasError();
}

// The text part as it goes out: its character set, transfer encoding and wire lines.
struct TTextPart {
    QString CharSet;
    QString Encoding;
    QList<QByteArray> Lines;
};

TTextPart MakeTextPart(const QStringList& Body, const QString& CharSet, const QString& Encoding)
{
    // A body line holding line breaks is sent as the lines it holds, so that every line
    // ends in CR LF and gets its leading dot doubled.
    static const QRegularExpression Breaks(QStringLiteral("\r\n|\r|\n"));
    QStringList Lines;
    for (const QString& Line : Body)
        Lines += Line.split(Breaks);
    TTextPart Part{CharSet, Encoding, {}};
    bool Ascii = true;
    for (const QString& Line : std::as_const(Lines))
        Ascii = Ascii && IsAscii(Line);
    if (Ascii) {
        for (const QString& Line : std::as_const(Lines))
            Part.Lines.append(Line.toLatin1());
        return Part;
    }

    // Beyond ASCII: in a character set that holds the text, encoded for 7-bit transport.
    const QString Text = Lines.join(QStringLiteral("\r\n"));
    QByteArray Bytes;
    if (!EncodeIn(CharSet, Text, Bytes)) {
        Part.CharSet = QStringLiteral("utf-8");
        Bytes = Text.toUtf8();
    }
    // The named transfer encoding, or the shorter of the two.
    const bool WantBase64 = SameName(Encoding, "base64");
    const bool WantQuoted = SameName(Encoding, "quoted-printable");
    QList<QByteArray> Quoted;
    qsizetype QuotedSize = 0;
    if (!WantBase64) {
        for (const QByteArray& Line : Bytes.split('\n')) {
            for (const QByteArray& Out : QuotedPrintableLines(Line.endsWith('\r') ? Line.chopped(1) : Line)) {
                Quoted.append(Out);
                QuotedSize += Out.size() + 2;
            }
        }
    }
    QList<QByteArray> Base64;
    if (!WantQuoted)
        Base64 = Base64Lines(Bytes);
    const bool UseBase64 = WantBase64 || (!WantQuoted && Base64.size() * 78 < QuotedSize);
    Part.Encoding = UseBase64 ? QStringLiteral("base64") : QStringLiteral("quoted-printable");
    Part.Lines = UseBase64 ? Base64 : Quoted;
    return Part;
}

// Whether a file holds Text (read in pieces that overlap by its length).
bool FileContains(const QString& Path, const QByteArray& Text)
{
    QFile File(Path);
    if (!File.open(QIODevice::ReadOnly))
        return false;
    QByteArray Window;
    while (!File.atEnd()) {
        Window = Window.right(Text.size()) + File.read(1 << 20);
        if (Window.contains(Text))
            return true;
    }
    return false;
}

}  // namespace

// --- the message --------------------------------------------------------------------

void TVxISMTPPrivate::CheckMessage() const
{
    auto NoBreak = [](const QString& Value, const QString& What) {
        if (HasLineBreak(Value))
            throw EVxError(What + QStringLiteral(" must not contain a line break"));
    };
    NoBreak(q->FSubject, QStringLiteral("Subject"));
    NoBreak(q->FCharSet, QStringLiteral("CharSet"));
    NoBreak(q->FEncoding, QStringLiteral("Encoding"));
    NoBreak(q->FFrom->Address(), QStringLiteral("From.Address"));
    NoBreak(q->FFrom->Name(), QStringLiteral("From.Name"));
    const std::pair<const TVxIEMailAddresses*, const char*> Lists[] = {
        {q->FRecipients, "Recipients"}, {q->FCC, "CC"}, {q->FBCC, "BCC"}, {q->FReplyTo, "ReplyTo"}};
    for (const auto& [List, ListName] : Lists) {
        for (int I = 0; I < List->Count(); ++I) {
            const QString Item = QStringLiteral("%1[%2].").arg(QLatin1String(ListName)).arg(I);
            NoBreak(List->Items(I)->Address(), Item + QStringLiteral("Address"));
            NoBreak(List->Items(I)->Name(), Item + QStringLiteral("Name"));
        }
    }
    for (int I = 0; I < q->FAttachments->Count(); ++I) {
        const TVxIEMailAttachment* A = q->FAttachments->Items(I);
        const QString Item = QStringLiteral("Attachments[%1].").arg(I);
        NoBreak(A->AttachmentName(), Item + QStringLiteral("AttachmentName"));
        NoBreak(A->FileName(), Item + QStringLiteral("FileName"));
        NoBreak(A->ContentType(), Item + QStringLiteral("ContentType"));
        NoBreak(A->Encoding(), Item + QStringLiteral("Encoding"));
        if (!IsSupportedEncoding(EffectiveEncoding(A)))
            throw EVxError(Item + QStringLiteral("Encoding \"%1\" is not supported "
                                                 "(base64, 7bit, 8bit or quoted-printable)")
                                      .arg(A->Encoding()));
        QFile File(A->FileName());
        if (A->FileName().isEmpty() || QFileInfo(File).isDir() ||
            !File.open(QIODevice::ReadOnly))
            throw EVxFileError(QStringLiteral("Cannot read the attachment file \"%1\": %2")
                                   .arg(A->FileName(), A->FileName().isEmpty()
                                                           ? QStringLiteral("no file name")
                                                           : File.errorString()));
    }
}

QString TVxISMTPPrivate::NewBoundary(const QList<QByteArray>& TextLines) const
{
    // Encoded parts cannot hold "=_" (quoted-printable writes "=" only before two hex
    // digits or a line end, base64 has no "_"); what goes out as written is searched.
    QString Boundary;
    for (int Attempt = 0; Attempt < 16; ++Attempt) {
        quint32 Random[4];
        QRandomGenerator::system()->fillRange(Random);
        Boundary = QStringLiteral("=_QuillmossSMTP_") +
                   QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(Random), sizeof Random)
                                           .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
        const QByteArray Bytes = Boundary.toLatin1();
        bool Found = false;
        for (const QByteArray& Line : TextLines)
            Found = Found || Line.contains(Bytes);
        for (int I = 0; I < q->FAttachments->Count() && !Found; ++I) {
            const TVxIEMailAttachment* A = q->FAttachments->Items(I);
            Found = (A->AttachmentName() + A->FileName() + A->ContentType()).contains(Boundary) ||
                    (IsRawEncoding(EffectiveEncoding(A)) && FileContains(A->FileName(), Bytes));
        }
        if (!Found)
            break;
    }
    return Boundary;
}

void TVxISMTPPrivate::Header(const QString& Line)
{
    for (const QString& Part : Line.split(QStringLiteral("\r\n")))
        QueueLine(Part.toUtf8());
}

void TVxISMTPPrivate::WriteMessage()
{
    const bool Multipart = q->FAttachments->Count() > 0;
    const TTextPart Text = MakeTextPart(q->FBody, q->FCharSet, q->FEncoding);

    Header(QStringLiteral("Message-Id: ") + TVxISMTP::UniqueMessageID(LocalHostName()));
    Header(QStringLiteral("From: ") + HeaderAddress(q->FFrom));
    if (q->FRecipients->Count() > 0)
        Header(QStringLiteral("To: ") + HeaderAddressList(q->FRecipients));
    if (q->FCC->Count() > 0)
        Header(QStringLiteral("Cc: ") + HeaderAddressList(q->FCC));
    for (int I = 0; I < q->FReplyTo->Count(); ++I)
        Header(QStringLiteral("Reply-To: <") + q->FReplyTo->Items(I)->Address() + QLatin1Char('>'));
    Header(QStringLiteral("Date: ") + TVxISMTP::EMailFormatDate(q->FDate));
    Header(QStringLiteral("X-Priority: ") + QString::number(int(q->FPriority) + 1));
    Header(QStringLiteral("X-Mailer: ") + Mailer);
    if (!q->FSubject.isEmpty())
        Header(QStringLiteral("Subject: ") + HeaderText(q->FSubject));
    Header(QStringLiteral("MIME-Version: 1.0"));
    QString Delimiter;
    if (Multipart) {
        const QString Boundary = NewBoundary(Text.Lines);
        Delimiter = QStringLiteral("--") + Boundary;
        Header(QStringLiteral("Content-Type: multipart/mixed; boundary=\"") + Boundary + QLatin1Char('"'));
        Header(QString());
        Header(Delimiter);
    }
    Header(QStringLiteral("Content-Type: Text/Plain; charset=") + Text.CharSet);
    Header(QStringLiteral("Content-Transfer-Encoding: ") + Text.Encoding);
    Header(QString());
    for (const QByteArray& Line : Text.Lines)
        QueueLine(Line);

    for (int I = 0; I < q->FAttachments->Count(); ++I)
        WriteAttachment(q->FAttachments->Items(I), I == q->FAttachments->Count() - 1, Delimiter);
    if (Multipart) {
        Header(QString());
        Header(Delimiter + QStringLiteral("--"));
    }
    Header(QString());
}

void TVxISMTPPrivate::WriteAttachment(const TVxIEMailAttachment* Attachment, bool Last, const QString& Delimiter)
{
    const QString Encoding = EffectiveEncoding(Attachment);
    const QString ContentType = Attachment->ContentType().isEmpty()
                                    ? QStringLiteral("application/octet-stream")
                                    : Attachment->ContentType();
    Header(Delimiter);
    Header(QStringLiteral("Content-Type: ") + ContentType + QStringLiteral("; name=") +
           QuotedParameter(Attachment->GetAttachmentName()));
    Header(QStringLiteral("Content-Transfer-Encoding: ") + Encoding);
    Header(QStringLiteral("Content-Disposition: attachment") +
           (IsAscii(Attachment->FileName())
                ? QStringLiteral("; filename=") + QuotedParameter(Attachment->FileName())
                : ExtendedParameter(QStringLiteral("filename"), Attachment->FileName())));
    Header(QString());

    QFile File(Attachment->FileName());
    auto Fail = [&]() {
        throw EVxFileError(QStringLiteral("Cannot read the attachment file \"%1\": %2")
                               .arg(Attachment->FileName(), File.errorString()));
    };
    if (!File.open(QIODevice::ReadOnly))
        Fail();

    if (SameName(Encoding, "base64")) {
        for (;;) {
            QByteArray Chunk;
            while (Chunk.size() < Base64Chunk) {
                const QByteArray Piece = File.read(Base64Chunk - Chunk.size());
                if (Piece.isEmpty())
                    break;
                Chunk += Piece;
            }
            if (File.error() != QFileDevice::NoError)
                Fail();
            if (Chunk.isEmpty())
                break;
            for (const QByteArray& Line : Base64Lines(Chunk))
                QueueLine(Line);
        }
        return;
    }

    // Text encodings: the file's lines, each ended by CR LF. The line break before the
    // next delimiter belongs to the delimiter, so a file that ends in a line break gets
    // one more; after the last part the empty line before the closing delimiter is it.
    const bool QuotedPrintable = SameName(Encoding, "quoted-printable");
    bool EndsWithBreak = false;
    while (!File.atEnd()) {
        QByteArray Line = File.readLine();
        if (File.error() != QFileDevice::NoError)
            Fail();
        EndsWithBreak = Line.endsWith('\n');
        while (Line.endsWith('\n') || Line.endsWith('\r'))
            Line.chop(1);
        if (QuotedPrintable) {
            for (const QByteArray& Out : QuotedPrintableLines(Line))
                QueueLine(Out);
        } else {
            QueueLine(Line);
        }
    }
    if (EndsWithBreak && !Last)
        QueueLine(QByteArray());
}

// --- date and message id ------------------------------------------------------------

QString TVxISMTP::UniqueMessageID(const QString& Host)
{
    QString Letters;
    {
        std::lock_guard<std::mutex> Lock(GRandomMutex);
        std::uniform_int_distribution<int> Letter(0, 19);
        for (int I = 0; I < 8; ++I)
            Letters += QChar(u'a' + Letter(GRandom));
    }
    return QLatin1Char('<') + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmm")) +
           Letters + QLatin1Char('@') + Host + QLatin1Char('>');
}

QString TVxISMTP::LeadZero(int Value, int Width)
{
    QString S = QString::number(Value);
    while (S.size() < Width)
        S.prepend(QLatin1Char('0'));
    return S;
}

QString TVxISMTP::GetTimeZoneString(TDateTime At)
{
    const int Offset = DateTimeToQDateTime(At, Qt::LocalTime).offsetFromUtc() / 60;
    if (Offset == 0)
        return QStringLiteral("GMT");
    const int Abs = Offset < 0 ? -Offset : Offset;
    return QLatin1Char(Offset > 0 ? '+' : '-') + LeadZero(Abs / 60, 2) + LeadZero(Abs % 60, 2);
}

QString TVxISMTP::EMailFormatDate(TDateTime Value)
{
    static const char* const Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int Y, Mo, D, H, Mi, S, Ms;
    DecodeDateTime(Value, Y, Mo, D, H, Mi, S, Ms);
    const int DayOfWeek = QDate(Y, Mo, D).dayOfWeek() % 7;  // Qt: Monday 1 .. Sunday 7
    return QStringLiteral("%1, %2 %3 %4 %5:%6:%7 %8")
        .arg(QLatin1String(Days[DayOfWeek]))
        .arg(D)
        .arg(QLatin1String(Months[Mo - 1]))
        .arg(Y)
        .arg(LeadZero(H, 2), LeadZero(Mi, 2), LeadZero(S, 2), GetTimeZoneString(Value));
}
