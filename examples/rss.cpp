// Reads a news feed (RSS 2.0, RDF or Atom) and prints its channels and items.
//
//     example_rss URL
//
// URL is http://host[:port]/path or https://...; the feed is downloaded into a private
// temporary file that the parser deletes when it is done.
#include <vedidoredo/VxIRSS.h>

#include <QCoreApplication>
#include <QUrl>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    const QStringList Args = App.arguments();
    const QUrl Url(Args.value(1));
    if (Args.size() != 2 || (Url.scheme() != QLatin1String("http") && Url.scheme() != QLatin1String("https"))) {
        std::fprintf(stderr, "usage: example_rss http[s]://HOST[:PORT]/PATH\n");
        return 64;
    }

    TVxIRSSParser Parser;
    Parser.SetService(Url.scheme() == QLatin1String("https") ? isHTTPS : isHTTP);
    Parser.SetHost(Url.host());
    if (Url.port() > 0)
        Parser.SetPort(Url.port());
    Parser.SetRemoteFileName(Url.path(QUrl::FullyEncoded) + (Url.hasQuery() ? "?" + Url.query(QUrl::FullyEncoded) : QString()));
    Parser.SetTimeout(30000);  // give up on a server that says nothing for 30 s

    if (!Parser.Execute() || Parser.Status() != isFinished) {
        std::fprintf(stderr, "rss: no feed: %s\n", qPrintable(Parser.LastError()));
        return 1;
    }
    // Fields are byte text, as the feed wrote them; ReadableText gives the text a person
    // reads (decoded in the feed's encoding, entities replaced, control characters removed).
    auto Text = [&Parser](const QString& Field) { return Parser.ReadableText(Field).simplified().toUtf8(); };
    for (const TVxIRSSChannel* Channel : *Parser.Channels()) {
        std::printf("%s\n", Text(Channel->Title).constData());
        for (const TVxIRSSItem* Item : Channel->Items)
            std::printf("  %s  %s  %s\n    %s\n", Text(Item->PubDate).constData(), Text(Item->Title).constData(),
                        Text(Item->Author).constData(), Text(Item->Link).constData());
    }
    return 0;
}
