// XML parsing of a machine-generated document of about 20 MB (many small elements with
// attributes and text): TVxXMLEngine building its node tree, against pugixml building its
// DOM and expat tokenizing (callbacks only, no tree), in the same run.
//
//     bench_xml_parse [MB]
//
// Each parser runs in a child process of its own (forked after the document is made), so
// that its peak memory is measured apart from the others: the figure is the growth of the
// resident set during the first parse, and "tree" is what stays resident while the parse
// result is alive. Times are the best of several parses of the document held in memory.
#include "support/BenchProcess.h"

#include <vedidoredo/VxInetXML.h>

#include <QBuffer>
#include <QByteArray>
#include <QFile>

#include <expat.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int Rounds = 5;

using TResult = TBenchChild;

// A catalogue as an export job would write it: indented records, each with attributes, a
// few child elements with short text, now and then a non-ASCII character.
QByteArray MakeDocument(qint64 Size, long long& Elements)
{
    QByteArray D;
    D.reserve(Size + 4096);
    D += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<catalog generated=\"2024-05-01T12:00:00\">\n";
    Elements = 1;
    const char* const Categories[] = {"Hardware", "Garden", "Kitchen", "Caf\xC3\xA9", "Tools"};
    for (long long I = 1; D.size() < Size; ++I) {
        const QByteArray N = QByteArray::number(I);
        D += "  <item id=\"" + N + "\" sku=\"SKU-" + N.rightJustified(7, '0') + "\" price=\"" +
             QByteArray::number(double(I % 9973) / 100.0, 'f', 2) + "\" stock=\"" +
             QByteArray::number(I % 97) + "\">\n";
        D += "    <name>Widget " + N + "</name>\n";
        D += "    <category code=\"C" + QByteArray::number(I % 5) + "\">" + Categories[I % 5] +
             "</category>\n";
        D += "    <updated>2024-04-" + QByteArray::number(10 + I % 19) + "T08:15:00Z</updated>\n";
        D += "  </item>\n";
        Elements += 4;
    }
    D += "</catalog>\n";
    return D;
}

long long CountNodes(const TVxXMLItem* Root)
{
    long long N = 0;
    std::vector<const TVxXMLItem*> Stack{Root};
    while (!Stack.empty()) {
        const TVxXMLItem* Node = Stack.back();
        Stack.pop_back();
        // Elements only: the declaration is a node here, but no element.
        if (Node->Kind() == ikProperty && !Node->TagName().startsWith(u'?'))
            ++N;
        for (const TVxXMLItem* Child : *Node->Items())
            Stack.push_back(Child);
    }
    return N;
}

struct TExpatCount {
    long long Elements = 0;
    long long Characters = 0;
};

void Print(const char* Label, const TResult& R, double Bytes)
{
    std::printf("  %-38s %7.1f ms  %s   peak +%5.1f MB  tree %5.1f MB (%.2f x doc)  free %5.1f ms\n",
                Label, R.Best * 1000, qPrintable(BenchRate(Bytes, R.Best)), R.PeakKiB / 1024.0,
                R.TreeKiB / 1024.0, R.TreeKiB * 1024.0 / Bytes, R.Free * 1000);
}

}  // namespace

int main(int argc, char** argv)
{
    const double MB = argc > 1 ? std::atof(argv[1]) : 20.0;
    long long Elements = 0;
    const QByteArray Doc = MakeDocument(qint64(MB * 1e6), Elements);
    const double Bytes = double(Doc.size());
    const QString Text = QString::fromLatin1(Doc);  // byte text, for ParseXMLFromString

    const TResult Engine = BenchInChild(Rounds, [&]() -> std::pair<long long, std::function<void()>> {
        auto* E = new TVxXMLEngine;
        QBuffer B;
        B.setData(Doc);
        B.open(QIODevice::ReadOnly);
        E->LoadFromStream(0, &B);
        return {CountNodes(E->RootItem()), [E]() { delete E; }};
    });
    const TResult EngineText = BenchInChild(Rounds, [&]() -> std::pair<long long, std::function<void()>> {
        auto* E = new TVxXMLEngine;
        E->ParseXMLFromString(Text, Text.size());
        return {CountNodes(E->RootItem()), [E]() { delete E; }};
    });
    const TResult Pugi = BenchInChild(Rounds, [&]() -> std::pair<long long, std::function<void()>> {
        auto* D = new pugi::xml_document;
        const pugi::xml_parse_result R = D->load_buffer(Doc.constData(), size_t(Doc.size()));
        long long N = 0;
        if (R) {
            struct TWalker : pugi::xml_tree_walker {
                long long N = 0;
                bool for_each(pugi::xml_node& Node) override
                {
                    N += Node.type() == pugi::node_element;
                    return true;
                }
            } W;
            D->traverse(W);
            N = W.N;
        }
        return {N, [D]() { delete D; }};
    });
    const TResult Expat = BenchInChild(Rounds, [&]() -> std::pair<long long, std::function<void()>> {
        TExpatCount C;
        XML_Parser P = XML_ParserCreate(nullptr);
        XML_SetUserData(P, &C);
        XML_SetElementHandler(
            P, [](void* U, const XML_Char*, const XML_Char**) { ++static_cast<TExpatCount*>(U)->Elements; },
            [](void*, const XML_Char*) {});
        XML_SetCharacterDataHandler(P, [](void* U, const XML_Char*, int Len) {
            static_cast<TExpatCount*>(U)->Characters += Len;
        });
        const bool Ok = XML_Parse(P, Doc.constData(), int(Doc.size()), 1) == XML_STATUS_OK;
        XML_ParserFree(P);
        return {Ok ? C.Elements : 0, []() {}};
    });

    std::printf("document: %.1f MB, %lld elements (%.0f bytes each), best of %d parses each\n",
                Bytes / 1e6, Elements, Bytes / double(Elements), Rounds);
    Print("TVxXMLEngine::LoadFromStream (tree)", Engine, Bytes);
    Print("TVxXMLEngine::ParseXMLFromString (*)", EngineText, Bytes);
    Print("pugixml load_buffer (DOM)", Pugi, Bytes);
    Print("expat XML_Parse (tokens, no tree)", Expat, Bytes);
    std::printf("  (*) the same bytes as a QString of byte text; the tree keeps slices of the caller's\n"
                "      string, which is not counted in its figures\n");
    std::printf("  throughput ratio engine/expat:   %.2f (target >= 1)\n", Expat.Best / Engine.Best);
    std::printf("  throughput ratio engine/pugixml: %.2f (target >= 0.3)\n", Pugi.Best / Engine.Best);
    std::printf("  tree size / document:            %.2f (target <= 4); pugixml %.2f\n",
                Engine.TreeKiB * 1024.0 / Bytes, Pugi.TreeKiB * 1024.0 / Bytes);
    std::printf("  peak memory ratio engine/pugixml: %.2f, engine/expat: %.1f\n",
                double(Engine.PeakKiB) / std::max(1L, Pugi.PeakKiB),
                double(Engine.PeakKiB) / std::max(1L, Expat.PeakKiB));
    const bool Ok = Engine.Ok && EngineText.Ok && Pugi.Ok && Expat.Ok && Engine.Nodes == Pugi.Nodes &&
                    Expat.Nodes == Pugi.Nodes;
    if (!Ok)
        std::printf("  WARNING: a parse failed or the element counts differ (%lld, %lld, %lld)\n",
                    Engine.Nodes, Pugi.Nodes, Expat.Nodes);
    return Ok ? 0 : 1;
}
