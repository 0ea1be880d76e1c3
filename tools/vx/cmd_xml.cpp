// vx xml FILE [--json] [--get NAME]: loads an XML file with TVxXMLEngine::LoadFromFile and
// prints the tree the engine made of it, as an outline for people or as one JSON object,
// or prints the value of one element.
//
// `vx run TVxXMLEngine` reaches the engine's properties; this command is the way to look at
// a file's tree.
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"

#include "core/VxControlCharacters.h"

#include <vedidoredo/VxInetXML.h>
#include <vedidoredo/platform/VxException.h>

#include <QByteArray>
#include <QMetaEnum>
#include <QString>
#include <QStringList>

#include <vector>

namespace {

// Output goes out in blocks: a tree printed whole may be many times the file's size.
class TOut {
public:
    ~TOut() { Flush(); }
    TOut& operator<<(const QString& S)
    {
        FBuffer += S.toUtf8();
        if (FBuffer.size() > (1 << 20))
            Flush();
        return *this;
    }
    TOut& operator<<(const char* S)
    {
        FBuffer += S;
        return *this;
    }
    TOut& operator<<(char C)
    {
        FBuffer += C;
        return *this;
    }
    void Flush()
    {
        vx::WriteOut(FBuffer);
        FBuffer.clear();
    }

private:
    QByteArray FBuffer;
};

QString JsonString(const QString& S)
{
    QString R;
    R.reserve(S.size() + 2);
    R += u'"';
    for (qsizetype I = 0; I < S.size(); ++I) {
        const char16_t C = S[I].unicode();
        switch (C) {
        case u'"': R += QLatin1String("\\\""); continue;
        case u'\\': R += QLatin1String("\\\\"); continue;
        case u'\n': R += QLatin1String("\\n"); continue;
        case u'\r': R += QLatin1String("\\r"); continue;
        case u'\t': R += QLatin1String("\\t"); continue;
        default: break;
        }
        const bool Pair = QChar::isHighSurrogate(C) && I + 1 < S.size() && S[I + 1].isLowSurrogate();
        if (Pair) {
            R += S[I];
            R += S[++I];
        } else if (VxIsControlCharacter(C) || QChar::isSurrogate(C)) {
            // Control characters, and lone surrogates (which UTF-8 cannot carry) as escapes.
            R += QStringLiteral("\\u%1").arg(uint(C), 4, 16, QLatin1Char('0'));
        } else {
            R += QChar(C);
        }
    }
    R += u'"';
    return R;
}

// For the outline: quoted, with control characters (C0 and C1) visible.
QString Quoted(const QString& S)
{
    QString R = QStringLiteral("\"");
    for (QChar C : S) {
        switch (C.unicode()) {
        case u'"': R += QLatin1String("\\\""); break;
        case u'\\': R += QLatin1String("\\\\"); break;
        case u'\n': R += QLatin1String("\\n"); break;
        case u'\r': R += QLatin1String("\\r"); break;
        case u'\t': R += QLatin1String("\\t"); break;
        default:
            if (VxIsControlCharacter(C.unicode()))
                R += QStringLiteral("\\x%1").arg(uint(C.unicode()), 2, 16, QLatin1Char('0'));
            else
                R += C;
        }
    }
    return R + u'"';
}

QString KindName(TVxXMLItemKind Kind)
{
    return QString::fromLatin1(QMetaEnum::fromType<TVxXMLItemKind>().valueToKey(Kind));
}

void PrintJson(TOut& Out, const TVxXMLItem* Root)
{
    // Iterative: documents nest deeper than the stack would allow.
    std::vector<std::pair<const TVxXMLItem*, int>> Stack{{Root, -1}};
    while (!Stack.empty()) {
        auto& [Node, Next] = Stack.back();
        if (Next < 0) {
            Out << "{\"TagName\": " << JsonString(Node->TagName()) << ", \"Kind\": \""
                << KindName(Node->Kind()) << "\", \"Value\": "
                << (Node->HasValue() ? JsonString(Node->Value().toString()) : QStringLiteral("null"))
                << ", \"Attributes\": " << JsonString(Node->Attributes())
                << ", \"Level\": " << QString::number(Node->Level()) << ", \"Items\": [";
            Next = 0;
        }
        if (Next < Node->Items()->Count()) {
            if (Next > 0)
                Out << ", ";
            const TVxXMLItem* Child = Node->Items()->Items(Next++);
            Stack.emplace_back(Child, -1);
            continue;
        }
        Out << "]}";
        Stack.pop_back();
    }
    Out << '\n';
}

// One line per node, indented by depth: elements with their attribute text and value,
// "@name = value" for attribute nodes, comments as written. Values that are only
// whitespace (the indentation between elements) are left out.
void PrintOutline(TOut& Out, const TVxXMLItem* Root)
{
    std::vector<std::pair<const TVxXMLItem*, int>> Stack{{Root, 0}};
    while (!Stack.empty()) {
        const auto [Node, Depth] = Stack.back();
        Stack.pop_back();
        QString Line(2 * Depth, u' ');
        const QString Value = Node->GetTagValue();
        const bool Shown = !Value.trimmed().isEmpty();
        switch (Node->Kind()) {
        case ikAttribute:
            Line += u'@' + Node->TagName() + QLatin1String(" = ") + Quoted(Value);
            break;
        case ikComment:
            Line += QLatin1String("<!--") + Node->Value().toString().mid(7) + u'>';
            break;
        default:
            Line += Node->TagName().isEmpty() ? QStringLiteral("(no name)") : Node->TagName();
            if (!Node->Attributes().trimmed().isEmpty())
                Line += QLatin1String("  ") + Node->Attributes().trimmed();
            if (Shown)
                Line += QLatin1String(" = ") + Quoted(Value);
        }
        Out << vx::Printable(Line) << '\n';
        const TVxXMLItems* Items = Node->Items();
        for (int I = Items->Count() - 1; I >= 0; --I)
            Stack.emplace_back(Items->Items(I), Depth + 1);
    }
}

// Whether the tree holds an element: a node of kind ikProperty with a name, other than
// the XML declaration.
bool HasElement(const TVxXMLItem* Root)
{
    std::vector<const TVxXMLItem*> Stack{Root};
    while (!Stack.empty()) {
        const TVxXMLItem* Node = Stack.back();
        Stack.pop_back();
        if (Node->Kind() == ikProperty && !Node->TagName().isEmpty()
            && Node->TagName().compare(QLatin1String("?xml"), Qt::CaseInsensitive) != 0)
            return true;
        for (const TVxXMLItem* Child : *Node->Items())
            Stack.push_back(Child);
    }
    return false;
}

int RunXml(const QStringList& Args)
{
    const vx::OptionReader O(Args, {{"--json"}, {"--get", "NAME"}});
    O.ExpectPositional(1, 1, "one FILE");
    const QString File = O.Positional(0);
    const bool Json = O.Has("--json");
    const bool HasGet = O.Has("--get");
    const QString Get = O.Value("--get");

    TVxXMLEngine Engine;
    try {
        Engine.LoadFromFile(File);
    } catch (const EVxError& Error) {
        vx::PrintError(Error.Message());
        return vx::ExitError;
    }
    if (!HasElement(Engine.RootItem())) {
        vx::PrintError(QStringLiteral("no XML element in %1").arg(File));
        return vx::ExitFalse;
    }
    const TVxXMLItem* Node = Engine.RootItem();
    if (HasGet) {
        Node = Engine.GetItemByTag(nullptr, Get);
        if (!Node) {
            vx::PrintError(QStringLiteral("no element named '%1' in %2").arg(Get, File));
            return vx::ExitFalse;
        }
    }
    TOut Out;
    if (HasGet && !Json)
        Out << vx::Printable(Node->GetTagValue()) << '\n';
    else if (Json)
        PrintJson(Out, Node);
    else
        PrintOutline(Out, Node);
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP("xml", "xml FILE [--json] [--get NAME]  the node tree the XML engine makes of a file",
                         "Loads FILE as TVxXMLEngine::LoadFromFile does (in the encoding its declaration\n"
                         "names, UTF-8 without one) and prints the node tree as an outline: one line per\n"
                         "node, attribute nodes as @name, comments as written; values are shown\n"
                         "entity-decoded, and values that are only whitespace are left out. Control\n"
                         "characters in values show as \\xHH; elsewhere they are not printed.\n"
                         "\n"
                         "Options:\n"
                         "  --json      one JSON object for the root node instead: {\"TagName\", \"Kind\",\n"
                         "              \"Value\" (the stored text, not entity-decoded; null when\n"
                         "              unassigned), \"Attributes\", \"Level\", \"Items\": [the same for\n"
                         "              each child]}\n"
                         "  --get NAME  the entity-decoded value of the first node named NAME (in any\n"
                         "              letter case); with --json that node's subtree as JSON. Exit\n"
                         "              status 1 when there is none.\n"
                         "\n"
                         "Exit status: 0 printed, 1 no XML element in the file (or none named NAME),\n"
                         "2 the file cannot be read, 64 a usage error.\n",
                         RunXml)
