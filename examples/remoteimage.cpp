// A window showing a picture from the web, a web camera's still image say, refreshed
// every few seconds.
//
//     example_remoteimage URL [INTERVAL-MS] [--grab FILE]
//
// URL is http://host[:port]/path or https://...; INTERVAL-MS defaults to 5000. With
// --grab the window is saved as a PNG picture once the first picture is in, and the
// program ends (handy without a screen: QT_QPA_PLATFORM=offscreen).
#include <vedidoredo/VxWidgets.h>
#include <vedidoredo/vxiimage.h>

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication App(argc, argv);
    VxInstallWidgetsHooks();  // errors on a refresh come up in a message box
    QStringList Args = App.arguments();
    QString Grab;
    if (const qsizetype At = Args.indexOf(QStringLiteral("--grab")); At > 0 && At + 1 < Args.size()) {
        Grab = Args.at(At + 1);
        Args.remove(At, 2);
    }
    const QUrl Url(Args.value(1));
    if (Args.size() < 2 || Args.size() > 3 || !Url.isValid() || Url.host().isEmpty()) {
        std::fprintf(stderr, "usage: example_remoteimage URL [INTERVAL-MS] [--grab FILE]\n");
        return 64;
    }

    QWidget Window;
    Window.setWindowTitle(Url.toString());
    auto* Picture = new QLabel;
    Picture->setAlignment(Qt::AlignCenter);
    Picture->setMinimumSize(160, 120);
    auto* Line = new QLabel(QStringLiteral("Loading..."));
    auto* Layout = new QVBoxLayout(&Window);
    Layout->addWidget(Picture, 1);
    Layout->addWidget(Line);

    TVxRemoteImage Camera;
    Camera.SetService(Url.scheme() == QLatin1String("https") ? isHTTPS : isHTTP);
    Camera.SetHost(Url.host());
    if (Url.port() > 0)
        Camera.SetPort(Url.port());
    Camera.SetRemoteFileName(Url.path(QUrl::FullyEncoded) + (Url.hasQuery() ? QLatin1Char('?') + Url.query() : QString()));
    Camera.SetTimeout(20000);  // a camera that stops answering does not hold the window
    Camera.SetImage(Picture);
    Camera.SetInterval(Args.size() == 3 ? Args.at(2).toInt() : 5000);
    Camera.SetOnAfterExecute([&](QObject*) {
        const QString When = QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
        Line->setText(Camera.Status() == isFinished  ? QStringLiteral("New picture at %1").arg(When)
                      : Camera.Status() == isSkipped ? QStringLiteral("Unchanged at %1").arg(When)
                                                     : QStringLiteral("No picture at %1: %2").arg(When, Camera.LastError()));
    });

    Window.show();
    if (!Grab.isEmpty()) {
        // One refresh, then the window as a picture.
        QTimer::singleShot(0, [&] {
            try {
                Camera.Execute();
            } catch (const EVxError& E) {
                std::fprintf(stderr, "%s\n", qPrintable(E.Message()));
            }
            Window.adjustSize();
            App.processEvents();
            App.exit(Window.grab().save(Grab, "PNG") ? 0 : 1);
        });
        return App.exec();
    }
    Camera.Execute();
    Camera.Start();
    return App.exec();
}
