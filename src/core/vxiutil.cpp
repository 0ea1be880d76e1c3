#include <vedidoredo/vxiutil.h>

#include "core/VxUtf8.h"

#include "platform/VxProcess.h"
#include "platform/VxSystemProxy.h"

#include <QMimeDatabase>

#include <algorithm>

QString Utf8Decode(const QString& S)
{
    if (S.isEmpty())
        return QString();
    return VxUtf8::DecodeToString(reinterpret_cast<const char16_t*>(S.constData()), S.size());
}

QString Encode64(const QString& S)
{
    QByteArray Bytes(S.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < S.size(); ++i)
        Bytes[i] = char(S[i].unicode() & 0xFF);
    return QString::fromLatin1(Bytes.toBase64());
}

void DeleteExe()
{
    VxDeleteExecutableAfterExit();
}

QString ContentTypeByFile(const QString& FileName)
{
    const QString Fallback = QStringLiteral("application/octet-stream");
    // The extension of the last path element, with its dot: "a.b/c" has none.
    const qsizetype Slash = FileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype Dot = FileName.lastIndexOf(QLatin1Char('.'));
    if (Dot < 0 || Dot < Slash || Dot == FileName.size() - 1)
        return Fallback;
    // Only the extension decides: "x" and the extension match the "*.ext" patterns and
    // none made for a whole file name, such as "Makefile.*" or "README*". (Qt matches no
    // pattern against a name that begins with its only dot, so the extension alone fails.)
    static const QMimeDatabase Database;
    const QList<QMimeType> Types = Database.mimeTypesForFileName(QLatin1Char('x') + FileName.mid(Dot));
    return Types.isEmpty() ? Fallback : Types.first().name();
}

QString Reverse(const QString& S)
{
    QString Result = S;
    std::reverse(Result.begin(), Result.end());
    return Result;
}

QString GetColumn(const QString& S, int Index, QChar Separator)
{
    QString Result;
    if (S == QLatin1String("\t"))
        return Result;
    int Column = 0;
    for (const QChar c : S) {
        if (c == Separator)
            ++Column;
        else if (Column == Index)
            Result += c;
        else if (Column > Index)
            break;
    }
    return Result;
}

void ReplaceHTMLChars(QString& S)
{
    struct TEntity {
        QLatin1String Name;  // without the leading "&"
        QStringView Text;
    };
    static const TEntity Entities[] = {
        {QLatin1String("brvbar"), u"|"}, {QLatin1String("deg"), u"\u00B0"},
        {QLatin1String("plusmn"), u"+"}, {QLatin1String("para"), u"\u00B6"},
        {QLatin1String("amp"), u"&"},    {QLatin1String("lt"), u"<"},
        {QLatin1String("gt"), u">"},     {QLatin1String("copy"), u"c"},
        {QLatin1String("quot"), u"\""},  {QLatin1String("apos"), u"'"},
        {QLatin1String("trade"), u"T"},  {QLatin1String("nbsp"), u""},
    };
    // Replacing from the first "&" over and over again, as the rule reads, looks at the
    // text before that "&" again each time. It holds no "&", and only "&amp" gives one
    // back, at the same place; so the text is built in one pass instead, carrying the "&"
    // that "&amp" gave as a pending one in front of the unread rest.
    const qsizetype Count = S.size();
    qsizetype i = 0;  // the first character not yet moved to Result
    bool Amp = false;
    QString Result;
    Result.reserve(Count);
    for (;;) {
        if (!Amp) {
            const qsizetype p = S.indexOf(QLatin1Char('&'), i);
            if (p < 0)
                break;
            Result += QStringView(S).mid(i, p - i);
            i = p + 1;
        }
        const qsizetype Semicolon = S.indexOf(QLatin1Char(';'), i);
        const qsizetype End = Semicolon < 0 ? Count : Semicolon;
        const QStringView Name = QStringView(S).mid(i, End - i);
        const auto Found = std::find_if(std::begin(Entities), std::end(Entities),
                                        [&](const TEntity& E) { return Name == E.Name; });
        if (Found == std::end(Entities)) {
            Amp = true;  // the unknown entity and all after it stay as they are
            break;
        }
        i = Semicolon < 0 ? Count : Semicolon + 1;
        Amp = Found->Text == QStringView(u"&");
        if (!Amp)
            Result += Found->Text;
    }
    if (Amp)
        Result += QLatin1Char('&');
    Result += QStringView(S).mid(i);
    S = Result;
}

void VxSplitProxyServer(QString& Server, int& Port)
{
    const qsizetype Http = Server.indexOf(QLatin1String("http="));
    if (Http >= 0) {
        Server.remove(0, Http + 5);
        const qsizetype Semicolon = Server.indexOf(QLatin1Char(';'));
        if (Semicolon >= 0)
            Server.truncate(Semicolon);
    }
    const qsizetype Colon = Server.indexOf(QLatin1Char(':'));
    if (Colon >= 0) {
        bool Ok = false;
        const int Value = Server.mid(Colon + 1).toInt(&Ok, 10);
        Port = Ok ? Value : 0;
        Server.truncate(Colon);
    }
}

void ReadProxyInfo(QString& Server, bool& UseProxy, int& Port)
{
    VxReadSystemProxy(Server, UseProxy);
    if (UseProxy && !Server.isEmpty())
        VxSplitProxyServer(Server, Port);
}
