// TVxXMLEngine on any input, through ParseXMLFromString and LoadFromStream, with handlers
// that refuse elements, cancel, destroy nodes and parse from inside the parse (another
// engine parses, the engine itself refuses).
// Checks: no crash, hang or leak; the tree is consistent (parents, levels, lists); every
// node's values can be read and split; a copy equals the original; and scanning UTF-8
// bytes gives the same tree as scanning the text they decode to.
//
// The first two bytes choose the entry point and the handlers; the rest is the document.
#include <vedidoredo/VxInetXML.h>
#include <vedidoredo/platform/VxException.h>
#include <vedidoredo/vxiutil.h>

#include <QBuffer>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void Check(bool Condition)
{
    if (!Condition)
        std::abort();
}

QString Dump(const TVxXMLItem* Root)
{
    QString Out;
    std::vector<std::pair<const TVxXMLItem*, int>> Stack{{Root, -1}};
    while (!Stack.empty()) {
        auto& [Node, Next] = Stack.back();
        if (Next < 0) {
            Out += Node->TagName() + u'\x1' + (Node->HasValue() ? Node->Value().toString() : QString(u'\x2'))
                   + u'\x1' + QString::number(Node->Kind()) + u'\x1' + Node->Attributes() + u'(';
            Next = 0;
        }
        if (Next < Node->Items()->Count()) {
            const TVxXMLItem* Child = Node->Items()->Items(Next++);
            Stack.emplace_back(Child, -1);
            continue;
        }
        Out += u')';
        Stack.pop_back();
    }
    return Out;
}

// Parents, levels and lists agree; values, entity decoding and lookups run on every node.
void Walk(TVxXMLEngine& E)
{
    std::vector<TVxXMLItem*> Stack{E.RootItem()};
    int Visited = 0;
    while (!Stack.empty()) {
        TVxXMLItem* Node = Stack.back();
        Stack.pop_back();
        const QString Value = Node->GetTagValue();
        Check(Value.size() <= Node->GetTagXMLValue().size());
        if (++Visited < 50) {
            E.GetItemByTag(Node, Node->TagName());
            Node->GetChild(QStringLiteral("a"), Visited % 2 == 0);
            XMLStringToDateTime(Value);
        }
        const TVxXMLItems* Items = Node->Items();
        for (int I = 0; I < Items->Count(); ++I) {
            TVxXMLItem* Child = Items->Items(I);
            Check(Child && Child->ParentItem() == Node && Child->Level() == Node->Level() + 1);
            Stack.push_back(Child);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 2)
        return 0;
    const uint8_t Mode = Data[0];
    const uint8_t Param = Data[1];
    const QByteArray Bytes(reinterpret_cast<const char*>(Data + 2), qsizetype(Size - 2));

    TVxXMLEngine E;
    int Calls = 0;
    if (Mode & 0x04) {
        E.SetOnTag([&](QObject*, TVxXMLItem* Parent, const QString& Name, const QString&,
                       const QString&, bool& Accept) {
            ++Calls;
            if (!Name.isEmpty() && (Name.front().unicode() + Param) % 3 == 0)
                Accept = false;
            if ((Mode & 0x20) && Calls == Param % 7 + 1 && Parent != E.RootItem())
                delete Parent;
        });
    }
    if (Mode & 0x08) {
        E.SetOnAfterTag([&](QObject*, TVxXMLItem*& Node, bool& Cancel) {
            ++Calls;
            if (Calls % (Param % 5 + 2) == 0) {
                delete Node;
                Node = nullptr;
            }
            if ((Mode & 0x10) && Calls >= Param)
                Cancel = true;
            if ((Mode & 0x40) && Calls == 3) {
                bool Refused = false;
                try {
                    E.ParseXMLFromString(QStringLiteral("<n><m>1</m></n>"), 15);
                } catch (const EVxError&) {
                    Refused = true;
                }
                Check(Refused);
                TVxXMLEngine Other;
                Other.ParseXMLFromString(QStringLiteral("<n><m>1</m></n>"), 15);
                Check(Other.RootItem()->Items()->Count() == 1);
            }
        });
    }

    switch (Mode & 0x03) {
    case 0:
        E.ParseXMLFromString(QString::fromLatin1(Bytes), Bytes.size() - Param % 4);
        break;
    case 1: {
        // Pairs of bytes as UTF-16 units: surrogates and all.
        QString Text(Bytes.size() / 2, Qt::Uninitialized);
        for (qsizetype I = 0; I < Text.size(); ++I)
            Text[I] = QChar(char16_t(uint8_t(Bytes[2 * I]) | (uint8_t(Bytes[2 * I + 1]) << 8)));
        E.ParseXMLFromString(Text, Text.size());
        break;
    }
    default: {
        QBuffer B;
        B.setData(Bytes);
        B.open(QIODevice::ReadOnly);
        if ((Mode & 0x03) == 3 && Bytes.size() > 1) {
            B.seek(Param % 2);
            E.LoadFromStream(Bytes.size() - Param % 3, &B);
        } else {
            E.LoadFromStream(0, &B);
        }
        break;
    }
    }
    Walk(E);

    TVxXMLItem Copy;
    Copy.Assign(E.RootItem());
    Check(Dump(&Copy) == Dump(E.RootItem()));
    if (Mode & 0x80) {
        // Split every attribute text, then load again into the same engine.
        std::vector<TVxXMLItem*> Stack{E.RootItem()};
        while (!Stack.empty()) {
            TVxXMLItem* Node = Stack.back();
            Stack.pop_back();
            for (TVxXMLItem* Child : *Node->Items())
                Stack.push_back(Child);
            Node->ProcessAttributes();
        }
        Walk(E);
    }

    // Without handlers: UTF-8 bytes after a byte-order mark give the tree of the text they
    // decode to (Latin-1 when they are not UTF-8), loaded as UTF-16; and a stream without a
    // mark gives the tree of the same bytes as byte text.
    if ((Mode & 0x0C) == 0) {
        TVxXMLEngine Marked, Wide;
        QBuffer B;
        B.setData("\xEF\xBB\xBF" + Bytes);
        B.open(QIODevice::ReadOnly);
        Marked.LoadFromStream(0, &B);
        QString Decoded = Utf8Decode(QString::fromLatin1(Bytes));
        if (Decoded.isEmpty())
            Decoded = QString::fromLatin1(Bytes);
        QByteArray Utf16("\xFF\xFE");
        for (QChar C : Decoded)
            Utf16.append(char(C.unicode() & 0xFF)).append(char(C.unicode() >> 8));
        QBuffer W;
        W.setData(Utf16);
        W.open(QIODevice::ReadOnly);
        Wide.LoadFromStream(0, &W);
        Check(Dump(Marked.RootItem()) == Dump(Wide.RootItem()));

        if (!Bytes.startsWith("\xFF\xFE") && !Bytes.startsWith("\xFE\xFF") &&
            !Bytes.startsWith("\xEF\xBB\xBF")) {
            TVxXMLEngine Plain, Latin1;
            QBuffer P;
            P.setData(Bytes);
            P.open(QIODevice::ReadOnly);
            Plain.LoadFromStream(0, &P);
            QString L = QString::fromLatin1(Bytes);
            if (!L.isEmpty() && L.back() == QChar(27))
                L.chop(1);
            Latin1.ParseXMLFromString(L, L.size());
            Check(Dump(Plain.RootItem()) == Dump(Latin1.RootItem()));
        }
    }
    return 0;
}
