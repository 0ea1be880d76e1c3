// Lists the links of one kind in a web page, or in a file on this machine.
//
//     example_links URL-OR-FILE [mailto|http|https|ftp|file|telnet|news|gopher|wais]
//
// The kind defaults to mailto: the e-mail addresses the page links to.
#include <vedidoredo/vxixtract.h>

#include <QCoreApplication>
#include <QUrl>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    const QStringList Args = App.arguments();
    int Kind = Args.size() == 3 ? -1 : ieMailTo;
    for (int K = 0; K < VxExtractKindCount && Kind < 0; ++K)
        if (QString::fromLatin1(VxExtractPrefix(TVxIExtract(K))).startsWith(Args.value(2) + QLatin1Char(':')))
            Kind = K;
    if (Args.size() < 2 || Args.size() > 3 || Kind < 0) {
        std::fprintf(stderr, "usage: example_links URL-OR-FILE [mailto|http|https|ftp|file|telnet|news|gopher|wais]\n");
        return 64;
    }

    TVxInfoExtractor Extractor;
    const QUrl Url(Args.at(1));
    if (Url.scheme() == QLatin1String("http") || Url.scheme() == QLatin1String("https")) {
        Extractor.SetService(Url.scheme() == QLatin1String("http") ? isHTTP : isHTTPS);
        Extractor.SetHost(Url.host());
        if (Url.port() > 0)
            Extractor.SetPort(Url.port());
        Extractor.SetRemoteFileName(Url.path(QUrl::FullyEncoded) + (Url.hasQuery() ? QLatin1Char('?') + Url.query() : QString()));
    } else {
        Extractor.SetService(isNetwork);  // a file on this machine or a mounted share
        Extractor.SetRemoteFileName(Args.at(1));
    }
    Extractor.SetExtract(TVxIExtract(Kind));
    Extractor.SetTimeout(30000);

    if (!Extractor.Execute() || Extractor.Status() == isNotFound) {
        std::fprintf(stderr, "no page: %s\n", qPrintable(Extractor.LastError()));
        return 1;
    }
    // Links are byte text: one character per byte of the page.
    for (const QString& Link : Extractor.ExtractedInfo())
        std::printf("%s\n", Link.toLatin1().constData());
    return 0;
}
