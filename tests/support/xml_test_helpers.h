// Helpers of the XML tests: a compact one-line form of a tree, and parsing shortcuts.
#pragma once

#include <vedidoredo/VxInetXML.h>

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <ostream>
#include <vector>

// Readable failure messages.
inline void PrintTo(const QString& S, std::ostream* Os)
{
    *Os << '"' << S.toStdString() << '"';
}

// name="value"@kind[attributes](children...): the value only when assigned, the kind only
// when not ikProperty (a = attribute, c = comment), the attribute text only when not
// empty. Control characters in values show as \n, \r, \t.
inline QString Dump(const TVxXMLItem* Item)
{
    QString Out;
    // Iterative: the deep-document tests dump thousands of levels.
    std::vector<std::pair<const TVxXMLItem*, int>> Stack{{Item, -1}};
    while (!Stack.empty()) {
        auto& [Node, Next] = Stack.back();
        const int Count = Node->Items()->Count();
        if (Next < 0) {
            QString V = Node->Value().toString();
            V.replace(u'\n', QLatin1String("\\n")).replace(u'\r', QLatin1String("\\r")).replace(u'\t', QLatin1String("\\t"));
            Out += Node->TagName() + (Node->HasValue() ? "=\"" + V + '"' : QString())
                   + (Node->Kind() == ikAttribute ? "@a" : Node->Kind() == ikComment ? "@c" : "")
                   + (Node->Attributes().isEmpty() ? QString() : '[' + Node->Attributes() + ']')
                   + (Count > 0 ? "(" : "");
        }
        if (++Next < Count) {
            Out += Next > 0 ? "," : "";
            Stack.emplace_back(Node->Items()->Items(Next), -1);
            continue;
        }
        Out += Count > 0 ? ")" : "";
        Stack.pop_back();
    }
    return Out;
}

// The text as UTF-16 with its byte-order mark.
inline QByteArray Utf16(const QString& S, bool BigEndian)
{
    QByteArray B;
    B.append(BigEndian ? "\xFE\xFF" : "\xFF\xFE", 2);
    for (QChar C : S) {
        const char Hi = char(C.unicode() >> 8), Lo = char(C.unicode() & 0xFF);
        if (BigEndian)
            B.append(Hi).append(Lo);
        else
            B.append(Lo).append(Hi);
    }
    return B;
}

inline QString ParseDump(const QString& Text)
{
    TVxXMLEngine E;
    E.ParseXMLFromString(Text, Text.size());
    return Dump(E.RootItem());
}

inline QString LoadDump(const QByteArray& Bytes, qint64 Size = 0)
{
    TVxXMLEngine E;
    QBuffer B;
    B.setData(Bytes);
    B.open(QIODevice::ReadOnly);
    E.LoadFromStream(Size, &B);
    return Dump(E.RootItem());
}
