#include "core/VxTextCodec.h"

#include "core/VxUtf8.h"

namespace VxTextCodec {

namespace {

bool IsBlank(char C)
{
    return C == ' ' || C == '\t' || C == '\r' || C == '\n';
}

bool SameIgnoringCase(QByteArrayView A, const char* B)
{
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

}  // namespace

QByteArray DeclaredEncoding(QByteArrayView D)
{
    const qsizetype Size = D.size();
    qsizetype P = 0;
    while (P < Size && D[P] != '<') {
        if (D[P] == 0)
            return {};
        ++P;
    }
    if (Size - P < 6 || D[P + 1] != '?' || !SameIgnoringCase(D.sliced(P + 2, 3), "xml"))
        return {};
    P += 5;
    // "<?xml-stylesheet" and the like are other instructions.
    if (!IsBlank(D[P]) && D[P] != '?' && D[P] != '>')
        return {};
    auto Stop = [&](qsizetype I) { return I >= Size || D[I] == '>' || D[I] == '<' || D[I] == 0; };
    while (!Stop(P)) {
        while (!Stop(P) && (IsBlank(D[P]) || D[P] == '?'))
            ++P;
        const qsizetype NameFrom = P;
        while (!Stop(P) && !IsBlank(D[P]) && D[P] != '=' && D[P] != '?' && D[P] != '"' && D[P] != '\'')
            ++P;
        const QByteArrayView Name = D.sliced(NameFrom, P - NameFrom);
        while (!Stop(P) && IsBlank(D[P]))
            ++P;
        if (Stop(P) || D[P] != '=') {
            if (P == NameFrom && !Stop(P))
                ++P;  // a stray quote
            continue;
        }
        ++P;
        while (!Stop(P) && IsBlank(D[P]))
            ++P;
        QByteArrayView Value;
        if (!Stop(P) && (D[P] == '"' || D[P] == '\'')) {
            const char Quote = D[P++];
            const qsizetype From = P;
            while (!Stop(P) && D[P] != Quote)
                ++P;
            if (Stop(P))
                return {};
            Value = D.sliced(From, P - From);
            ++P;
        } else {
            const qsizetype From = P;
            while (!Stop(P) && !IsBlank(D[P]) && D[P] != '?')
                ++P;
            Value = D.sliced(From, P - From);
        }
        if (SameIgnoringCase(Name, "encoding"))
            return Value.trimmed().toByteArray();
    }
    return {};
}

TKind Resolve(QByteArrayView Name, std::unique_ptr<QStringDecoder>& Decoder)
{
    Name = Name.trimmed();
    if (Name.isEmpty())
        return TKind::Utf8;
    auto D = std::make_unique<QStringDecoder>(Name.toByteArray().constData(), QStringDecoder::Flag::Stateless);
    if (!D->isValid())
        return TKind::Latin1;
    const char* Canonical = D->name();
    if (Canonical && std::strcmp(Canonical, "UTF-8") == 0)
        return TKind::Utf8;
    if (Canonical && std::strcmp(Canonical, "ISO-8859-1") == 0)
        return TKind::Latin1;
    // The declaration was read as ASCII: an encoding that does not read the printable
    // ASCII characters as themselves cannot be the document's.
    char Ascii[98];
    for (int I = 0; I < 95; ++I)
        Ascii[I] = char(' ' + I);
    Ascii[95] = '\t';
    Ascii[96] = '\n';
    Ascii[97] = '\r';
    const QString Back = D->decode(QByteArrayView(Ascii, sizeof Ascii));
    D->resetState();
    if (Back != QLatin1StringView(Ascii, sizeof Ascii))
        return TKind::Utf8;
    Decoder = std::move(D);
    return TKind::Other;
}

QString Decode(QByteArrayView Bytes, QByteArrayView Name)
{
    // Callers decode many texts of one document in a row: the last name's decoder is kept.
    thread_local QByteArray LastName;
    thread_local TKind LastKind = TKind::Utf8;
    thread_local std::unique_ptr<QStringDecoder> LastDecoder;
    if (Name != LastName) {
        LastDecoder.reset();
        LastKind = Resolve(Name, LastDecoder);
        LastName = Name.toByteArray();
    }
    const uchar* D = reinterpret_cast<const uchar*>(Bytes.data());
    switch (LastKind) {
    case TKind::Utf8:
        if (!VxUtf8::IsStrictlyValid(D, Bytes.size()))
            return QString::fromLatin1(Bytes);
        return QString::fromUtf8(Bytes);
    case TKind::Latin1:
        return QString::fromLatin1(Bytes);
    case TKind::Other:
        break;
    }
    LastDecoder->resetState();
    return LastDecoder->decode(Bytes);
}

}  // namespace VxTextCodec
