// Shows a directory of links from the web inside a panel of the program's own window:
// the directory file is refreshed into a cache beside this program, and links that the
// last refresh brought are bold with a blue bullet. A click on a link opens it.
//
//     example_webdirect URL [--grab PICTURE.png]
//
// URL is http://host[:port]/path or https://..., or a file path. With --grab the window
// is saved as a picture and the program ends.
#include <vedidoredo/vxidirect.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication App(argc, argv);
    QStringList Args = App.arguments();
    QString Grab;
    if (const qsizetype I = Args.indexOf(QStringLiteral("--grab")); I > 0 && I + 1 < Args.size()) {
        Grab = Args.at(I + 1);
        Args.remove(I, 2);
    }
    if (Args.size() != 2) {
        std::fprintf(stderr, "usage: example_webdirect URL [--grab PICTURE.png]\n");
        return 64;
    }

    QWidget Window;
    Window.setWindowTitle(QStringLiteral("Product news"));
    auto* Layout = new QVBoxLayout(&Window);
    Layout->addWidget(new QLabel(QStringLiteral("What is new for you:")));
    auto* Panel = new QWidget;  // the directory fills this panel
    Layout->addWidget(Panel, 1);
    Window.resize(360, 300);
    Window.show();

    TVxWebDirect Directory;
    const QUrl Url(Args.at(1));
    if (Url.scheme() == QLatin1String("http") || Url.scheme() == QLatin1String("https")) {
        Directory.SetService(Url.scheme() == QLatin1String("http") ? isHTTP : isHTTPS);
        Directory.SetHost(Url.host());
        if (Url.port() > 0)
            Directory.SetPort(Url.port());
        Directory.SetRemoteFileName(Url.path(QUrl::FullyEncoded));
    } else {
        Directory.SetService(isNetwork);
        Directory.SetRemoteFileName(Args.at(1));
    }
    Directory.SetTimeout(30000);
    Directory.SetParentControl(Panel);
    Directory.SetShowMode(omAlways);  // show the cache even when the server cannot be reached
    if (!Directory.Execute() || !Directory.LastError().isEmpty())
        std::fprintf(stderr, "could not refresh the directory: %s\n", qPrintable(Directory.LastError()));

    if (!Grab.isEmpty()) {
        QTimer::singleShot(0, [&] { App.exit(Window.grab().save(Grab) ? 0 : 1); });
    }
    return App.exec();
}
