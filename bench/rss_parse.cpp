// Feed parsing of a generated RSS 2.0 feed of about 50 MB: TVxIRSSParser::ParseRSS reading
// the file into channels and items, against expat tokenising the same bytes held in
// memory with no handlers at all, in the same run.
//
//     bench_rss_parse [MB]
//
// Each side runs in a child process of its own, so its peak memory is measured apart:
// the growth of the resident set during the first parse. Times are the best of several.
#include "support/BenchProcess.h"

#include <vedidoredo/VxIRSS.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <expat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int Rounds = 5;

// A news site's feed: a channel header and items of the usual fields, the description now
// plain with entities, now in a CDATA section with markup.
QByteArray MakeFeed(qint64 Size, long long& Items)
{
    QByteArray D;
    D.reserve(Size + 4096);
    D += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<rss version=\"2.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n<channel>\n"
         "  <title>Example News</title>\n  <link>https://news.example.org/</link>\n"
         "  <description>The latest stories from Example News</description>\n"
         "  <language>en-gb</language>\n  <lastBuildDate>Tue, 08 Dec 2026 03:00:00 GMT</lastBuildDate>\n"
         "  <image>\n    <url>https://news.example.org/logo.png</url>\n    <title>Example News</title>\n"
         "    <link>https://news.example.org/</link>\n  </image>\n";
    const char* const Sections[] = {"World", "Business", "Science", "Sport", "Caf\xC3\xA9 culture"};
    const char* const Words[] = {"council", "market", "river", "study", "season", "plan", "record",
                                 "storm", "vote", "bridge", "festival", "report"};
    Items = 0;
    while (D.size() < Size) {
        const long long I = ++Items;
        const QByteArray N = QByteArray::number(I);
        const QByteArray Url = "https://news.example.org/" + QByteArray(Sections[I % 5]).toLower().replace(' ', '-') +
                               "/story-" + N;
        QByteArray Words3 = QByteArray(Words[I % 12]) + ' ' + Words[(I / 12) % 12] + ' ' + Words[(I / 144) % 12];
        D += "  <item>\n    <title>Story " + N + ": the " + Words3 + " &amp; what comes next</title>\n";
        D += "    <link>" + Url + "</link>\n";
        if (I % 2)
            D += "    <description>Reporters follow the " + Words3 + " as it unfolds; &quot;we will see&quot;, "
                 "said one of those who were there, and more was promised for the coming days.</description>\n";
        else
            D += "    <description><![CDATA[<p>Reporters follow the <b>" + Words3 + "</b> as it unfolds.</p>"
                 "<p><a href=\"" + Url + "\">Read more</a></p>]]></description>\n";
        D += "    <dc:creator>Reporter " + QByteArray::number(I % 97) + "</dc:creator>\n";
        D += "    <pubDate>Tue, 08 Dec 2026 " + QByteArray::number(10 + I % 14) + ":" +
             QByteArray::number(10 + I % 50) + ":00 GMT</pubDate>\n";
        D += "    <category>" + QByteArray(Sections[I % 5]) + "</category>\n";
        D += "    <guid isPermaLink=\"true\">" + Url + "</guid>\n  </item>\n";
    }
    D += "</channel>\n</rss>\n";
    return D;
}

void Print(const char* Label, const TBenchChild& R, double Bytes)
{
    std::printf("  %-40s %7.1f ms  %s   peak +%6.1f MB (%.2f x feed)\n", Label, R.Best * 1000,
                qPrintable(BenchRate(Bytes, R.Best)), R.PeakKiB / 1024.0, R.PeakKiB * 1024.0 / Bytes);
}

}  // namespace

int main(int argc, char** argv)
{
    const double MB = argc > 1 ? std::atof(argv[1]) : 50.0;
    long long Items = 0;
    const QByteArray Feed = MakeFeed(qint64(MB * 1e6), Items);
    const double Bytes = double(Feed.size());
    QTemporaryDir Dir;
    const QString Path = Dir.filePath(QStringLiteral("feed.rss"));
    {
        QFile F(Path);
        if (!Dir.isValid() || !F.open(QIODevice::WriteOnly) || F.write(Feed) != Feed.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(Path));
            return 2;
        }
    }

    const TBenchChild Parser = BenchInChild(Rounds, [&]() -> std::pair<long long, std::function<void()>> {
        auto* P = new TVxIRSSParser;
        P->SetLocalFileName(Path);
        P->ParseRSS();
        const TVxIRSSChannel* C = P->Channels()->GetItem(0);
        // Checks the last item too, so a parse that lost fields does not count.
        const TVxIRSSItem* Last = C ? C->Items.Last() : nullptr;
        const bool Good = P->Channels()->Count() == 1 && Last && !Last->Guid.isEmpty() && !Last->Description.isEmpty();
        return {Good ? C->Items.Count() : 0, [P]() { delete P; }};
    });
    const TBenchChild Expat = BenchInChild(Rounds, [&]() -> std::pair<long long, std::function<void()>> {
        XML_Parser X = XML_ParserCreate(nullptr);
        const bool Ok = XML_Parse(X, Feed.constData(), int(Feed.size()), 1) == XML_STATUS_OK;
        XML_ParserFree(X);
        return {Ok ? Items : 0, []() {}};
    });

    std::printf("feed: %.1f MB, %lld items (%.0f bytes each), best of %d parses each\n", Bytes / 1e6, Items,
                Bytes / double(Items), Rounds);
    Print("TVxIRSSParser::ParseRSS (file -> items)", Parser, Bytes);
    Print("expat XML_Parse (tokens, no handlers)", Expat, Bytes);
    std::printf("  throughput ratio parser/expat: %.2f (target >= 1.5)\n", Expat.Best / Parser.Best);
    std::printf("  peak memory / feed:            %.2f (target < 3)\n", Parser.PeakKiB * 1024.0 / Bytes);
    const bool Ok = Parser.Ok && Expat.Ok && Parser.Nodes == Items;
    if (!Ok)
        std::printf("  WARNING: a parse failed or the item counts differ (%lld, expected %lld)\n", Parser.Nodes, Items);
    return Ok ? 0 : 1;
}
