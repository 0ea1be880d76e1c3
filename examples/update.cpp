// Keeps a local file up to date with a remote one: downloads it only when its size
// differs or the remote copy is newer, and stamps it with the remote time.
//
//     example_update URL LOCALFILE
//
// URL is http://, https:// or ftp://[user:password@]host[:port]/path, or a file path.
// An extra CA for HTTPS can be named in the environment variable VEDIDOREDO_CA_FILE.
#include <vedidoredo/vxiupdate.h>

#include <QCoreApplication>
#include <QUrl>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    const QStringList Args = App.arguments();
    if (Args.size() != 3) {
        std::fprintf(stderr, "usage: example_update URL LOCALFILE\n");
        return 64;
    }

    TVxWebUpdater Updater;
    try {
        // Service, host, port, login and remote path from the URL; a plain path is a
        // file on this machine or a mounted share.
        const QUrl Url(Args.at(1));
        Updater.SetUrl(Url.scheme().size() > 1 ? Url : QUrl::fromLocalFile(Args.at(1)));
    } catch (const EVxError& E) {  // not http, https, ftp or file, or no host
        std::fprintf(stderr, "update: %s\n", qPrintable(E.Message()));
        return 64;
    }
    Updater.SetLocalFileName(Args.at(2));
    Updater.SetTimeout(30000);  // give up on a server that says nothing for 30 s

    int LastPercent = -1;
    Updater.SetOnProgress([&](QObject*, qint64 Cur, qint64 Max, bool&) {
        const int Percent = Max > 0 ? int(Cur * 100 / Max) : -1;
        if (Percent != LastPercent && Percent >= 0)
            std::fprintf(stderr, "\r%3d%%", LastPercent = Percent);
    });

    try {
        Updater.Execute();
    } catch (const EVxError& E) {  // the local file could not be written
        std::fprintf(stderr, "update: %s\n", qPrintable(E.Message()));
        return 2;
    }
    if (LastPercent >= 0)
        std::fprintf(stderr, "\n");
    switch (Updater.Status()) {
    case isFinished:
        std::printf("downloaded %lld bytes\n", static_cast<long long>(Updater.RemoteFileSize()));
        return 0;
    case isSkipped:
        std::printf("up to date\n");
        return 0;
    case isNotFound:
        std::printf("remote file not found %s\n", qPrintable(Updater.LastError()));
        return 3;
    default:
        std::printf("failed: %s\n", qPrintable(Updater.LastError()));
        return 1;
    }
}
