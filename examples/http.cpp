// Fetches a page with a raw HTTP/1.0 GET and shows the headers and body apart:
// example_http HOST PATH
#include <vedidoredo/VxIHTTP.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s HOST PATH\n", argv[0]);
        return 64;
    }
    TVxIHTTPClient Http;
    Http.SetHost(QString::fromLocal8Bit(argv[1]));
    Http.SetRequest(QString::fromLocal8Bit(argv[2]));
    Http.SetAction(haGet);
    Http.SetHeaders({QStringLiteral("User-Agent: example_http")});
    try {
        const QString Body = Http.Execute();
        for (const QString& Line : Http.ResponseHeaders())
            std::printf("< %s\n", qPrintable(Line));
        std::printf("\n%s", Body.toLatin1().constData());
    } catch (const EVxError& E) {
        std::fprintf(stderr, "%s\n", qPrintable(E.Message()));
        return 2;
    }
    return 0;
}
