// The mail sender's message: the header block with its encoded words, the text part
// and the attachment parts, the date and the message identifier.
#include <vedidoredo/VxISMTP.h>
#include <vedidoredo/vxiutil.h>

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <chrono>
#include <mutex>
#include <random>

namespace {

// Message identifiers draw their letters from a generator seeded from the clock once,
// when the library is loaded.
std::mt19937 GRandom(static_cast<std::mt19937::result_type>(
    std::chrono::system_clock::now().time_since_epoch().count()));
std::mutex GRandomMutex;

const QString Boundary = QStringLiteral("----------QuillmossSMTP");
const QString Delimiter = QStringLiteral("--") + Boundary;
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
QString EncodedWords(const QString& S)
{
    QStringList Words;
    QByteArray Chunk;
    auto Close = [&]() {
        if (!Chunk.isEmpty())
            Words.append(QStringLiteral("=?UTF-8?B?") + Encode64(QString::fromLatin1(Chunk)) +
                         QStringLiteral("?="));
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
    return Words.join(QLatin1Char(' '));
}

QString HeaderText(const QString& S)
{
    return IsAscii(S) ? S : EncodedWords(S);
}

// A display name as a header phrase: quoted when it holds characters that would
// otherwise split or end it, encoded when it is not ASCII.
QString HeaderPhrase(const QString& Name)
{
    if (!IsAscii(Name))
        return EncodedWords(Name);
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

// A MIME parameter value in double quotes, with quotes and backslashes escaped.
QString QuotedParameter(const QString& Value)
{
    QString Escaped = HeaderText(Value);
    Escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    Escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + Escaped + QLatin1Char('"');
}

QString EffectiveEncoding(const TVxIEMailAttachment* A)
{
    return A->Encoding().isEmpty() ? QStringLiteral("base64") : A->Encoding();
}

bool IsSupportedEncoding(const QString& Encoding)
{
    for (const char* E : {"base64", "7bit", "8bit", "quoted-printable"})
        if (Encoding.compare(QLatin1String(E), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// One line of a file in quoted-printable, as output lines of at most 76 characters
// (soft breaks end in "=").
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

bool IsUtf8(const QString& CharSet)
{
    return CharSet.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0 ||
           CharSet.compare(QLatin1String("utf8"), Qt::CaseInsensitive) == 0;
}

}  // namespace

// --- the message --------------------------------------------------------------------

void TVxISMTP::CheckMessage() const
{
    auto NoBreak = [](const QString& Value, const QString& What) {
        if (HasLineBreak(Value))
            throw EVxError(What + QStringLiteral(" must not contain a line break"));
    };
    NoBreak(FSubject, QStringLiteral("Subject"));
    NoBreak(FCharSet, QStringLiteral("CharSet"));
    NoBreak(FEncoding, QStringLiteral("Encoding"));
    NoBreak(FFrom->Address(), QStringLiteral("From.Address"));
    NoBreak(FFrom->Name(), QStringLiteral("From.Name"));
    const std::pair<const TVxIEMailAddresses*, const char*> Lists[] = {
        {FRecipients, "Recipients"}, {FCC, "CC"}, {FBCC, "BCC"}, {FReplyTo, "ReplyTo"}};
    for (const auto& [List, ListName] : Lists) {
        for (int I = 0; I < List->Count(); ++I) {
            const QString Item = QStringLiteral("%1[%2].").arg(QLatin1String(ListName)).arg(I);
            NoBreak(List->Items(I)->Address(), Item + QStringLiteral("Address"));
            NoBreak(List->Items(I)->Name(), Item + QStringLiteral("Name"));
        }
    }
    for (int I = 0; I < FAttachments->Count(); ++I) {
        const TVxIEMailAttachment* A = FAttachments->Items(I);
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
    if (!IsUtf8(FCharSet)) {
        for (int I = 0; I < FBody.size(); ++I)
            for (QChar C : FBody.at(I))
                if (C.unicode() > 255)
                    throw EVxError(QStringLiteral("Body line %1 holds a character that the "
                                                  "character set \"%2\" cannot carry")
                                       .arg(I + 1)
                                       .arg(FCharSet));
    }
}

void TVxISMTP::WriteMessage()
{
    const bool Multipart = FAttachments->Count() > 0;
    auto Header = [this](const QString& Line) { SendData(Line); };

    Header(QStringLiteral("Message-Id: ") + UniqueMessageID(LocalHostName()));
    Header(QStringLiteral("From: ") + HeaderAddress(FFrom));
    if (FRecipients->Count() > 0)
        Header(QStringLiteral("To: ") + HeaderAddressList(FRecipients));
    if (FCC->Count() > 0)
        Header(QStringLiteral("Cc: ") + HeaderAddressList(FCC));
    for (int I = 0; I < FReplyTo->Count(); ++I)
        Header(QStringLiteral("Reply-To: <") + FReplyTo->Items(I)->Address() + QLatin1Char('>'));
    Header(QStringLiteral("Date: ") + EMailFormatDate(FDate));
    Header(QStringLiteral("X-Priority: ") + QString::number(int(FPriority) + 1));
    Header(QStringLiteral("X-Mailer: ") + Mailer);
    if (!FSubject.isEmpty())
        Header(QStringLiteral("Subject: ") + HeaderText(FSubject));
    Header(QStringLiteral("MIME-Version: 1.0"));
    if (Multipart) {
        Header(QStringLiteral("Content-Type: multipart/mixed; boundary=\"") + Boundary +
               QLatin1Char('"'));
        Header(QString());
        Header(Delimiter);
    }
    Header(QStringLiteral("Content-Type: Text/Plain; charset=") + FCharSet);
    Header(QStringLiteral("Content-Transfer-Encoding: ") + FEncoding);
    Header(QString());

    // A body line holding line breaks is sent as the lines it holds, so that every line
    // ends in CR LF and gets its leading dot doubled.
    static const QRegularExpression Breaks(QStringLiteral("\r\n|\r|\n"));
    for (const QString& Line : std::as_const(FBody))
        for (const QString& Part : Line.split(Breaks))
            QueueLine(BodyBytes(Part));

    for (int I = 0; I < FAttachments->Count(); ++I)
        WriteAttachment(FAttachments->Items(I), I == FAttachments->Count() - 1);
    if (Multipart) {
        Header(QString());
        Header(Delimiter + QStringLiteral("--"));
    }
    Header(QString());
}

void TVxISMTP::WriteAttachment(const TVxIEMailAttachment* Attachment, bool Last)
{
    const QString Encoding = EffectiveEncoding(Attachment);
    const QString ContentType = Attachment->ContentType().isEmpty()
                                    ? QStringLiteral("application/octet-stream")
                                    : Attachment->ContentType();
    SendData(Delimiter);
    SendData(QStringLiteral("Content-Type: ") + ContentType + QStringLiteral("; name=") +
             QuotedParameter(Attachment->GetAttachmentName()));
    SendData(QStringLiteral("Content-Transfer-Encoding: ") + Encoding);
    SendData(QStringLiteral("Content-Disposition: attachment; filename=") +
             QuotedParameter(Attachment->FileName()));
    SendData(QString());

    QFile File(Attachment->FileName());
    auto Fail = [&]() {
        throw EVxFileError(QStringLiteral("Cannot read the attachment file \"%1\": %2")
                               .arg(Attachment->FileName(), File.errorString()));
    };
    if (!File.open(QIODevice::ReadOnly))
        Fail();

    if (Encoding.compare(QLatin1String("base64"), Qt::CaseInsensitive) == 0) {
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
            const QByteArray Encoded = Encode64(QString::fromLatin1(Chunk)).toLatin1();
            for (qsizetype P = 0; P < Encoded.size(); P += Base64LineLength)
                QueueLine(Encoded.mid(P, Base64LineLength));
        }
        return;
    }

    // Text encodings: the file's lines, each ended by CR LF. The line break before the
    // next delimiter belongs to the delimiter, so a file that ends in a line break gets
    // one more; after the last part the empty line before the closing delimiter is it.
    const bool QuotedPrintable =
        Encoding.compare(QLatin1String("quoted-printable"), Qt::CaseInsensitive) == 0;
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

QByteArray TVxISMTP::BodyBytes(const QString& Line) const
{
    return IsUtf8(FCharSet) ? Line.toUtf8() : Line.toLatin1();
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
