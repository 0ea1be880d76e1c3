#include "platform/VxIniFile.h"

#include <QFile>
#include <QStringDecoder>

namespace {

QString DecodeText(QByteArray Text)
{
    if (Text.startsWith("\xEF\xBB\xBF"))
        Text.remove(0, 3);
    QStringDecoder Utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString Result = Utf8.decode(Text);
    return Utf8.hasError() ? QString::fromLatin1(Text) : Result;
}

QString Unquoted(const QString& Value)
{
    if (Value.size() >= 2) {
        const QChar First = Value.front();
        if ((First == u'"' || First == u'\'') && Value.back() == First)
            return Value.mid(1, Value.size() - 2);
    }
    return Value;
}

}  // namespace

TVxIniFile::TVxIniFile(const QByteArray& Text)
{
    const QString Decoded = DecodeText(Text);
    qsizetype Current = -1;  // index of the section being read
    for (QStringView Line : QStringView(Decoded).split(u'\n')) {
        Line = Line.trimmed();  // also drops the CR of a CR LF ending
        if (Line.isEmpty() || Line.front() == u';')
            continue;
        if (Line.front() == u'[') {
            qsizetype End = Line.indexOf(u']');
            if (End < 0)
                End = Line.size();
            const QString Name = Line.mid(1, End - 1).trimmed().toString();
            const QString Folded = Name.toCaseFolded();
            Current = FIndex.value(Folded, -1);
            if (Current < 0) {
                Current = FSections.size();
                FIndex.insert(Folded, Current);
                FSections.append({Name, {}});
            }
            continue;
        }
        const qsizetype Equal = Line.indexOf(u'=');
        if (Current < 0 || Equal < 0)
            continue;
        FSections[Current].Lines.append({Line.left(Equal).trimmed().toString(),
                               Unquoted(Line.mid(Equal + 1).trimmed().toString())});
    }
}

TVxIniFile TVxIniFile::FromFile(const QString& FileName)
{
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly))
        return {};
    return TVxIniFile(File.readAll());
}

const TVxIniFile::TSection* TVxIniFile::Find(const QString& Section) const
{
    const qsizetype I = FIndex.value(Section.toCaseFolded(), -1);
    return I < 0 ? nullptr : &FSections[I];
}

QStringList TVxIniFile::Sections() const
{
    QStringList Names;
    for (const TSection& S : FSections)
        Names << S.Name;
    return Names;
}

QList<TVxIniLine> TVxIniFile::SectionLines(const QString& Section) const
{
    const TSection* S = Find(Section);
    return S ? S->Lines : QList<TVxIniLine>();
}

QString TVxIniFile::ReadString(const QString& Section, const QString& Key, const QString& Default) const
{
    if (const TSection* S = Find(Section))
        for (const TVxIniLine& L : S->Lines)
            if (L.Key.compare(Key, Qt::CaseInsensitive) == 0)
                return L.Value;
    return Default;
}
