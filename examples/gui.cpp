// A window that stays responsive while it works: a download with its progress bar and a
// Cancel button, and a news feed read into a list. Every run goes through ExecuteAsync;
// the callbacks (the progress bar's) come on the window's thread.
//
//     example_gui [DOWNLOAD-URL [FEED-URL]] [--grab FILE]
//
// The URLs are http://host[:port]/path or https://...; they fill the two fields, which can
// be edited. With --grab the program starts both, saves the window as a PNG picture once
// both have ended, and quits (handy without a screen: QT_QPA_PLATFORM=offscreen).
#include <vedidoredo/VxIRSS.h>
#include <vedidoredo/VxWidgets.h>
#include <vedidoredo/platform/VxException.h>
#include <vedidoredo/vxiupdate.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

namespace {

// Points a web component at the URL typed; false when it is not an http or https URL.
bool Aim(TVxCustomWebUpdater& Component, const QString& Text)
{
    const QUrl Url(Text.trimmed());
    if (Url.scheme() != QLatin1String("http") && Url.scheme() != QLatin1String("https"))
        return false;
    try {
        Component.SetUrl(Url);
    } catch (const EVxError&) {  // no host, or not a URL at all
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication App(argc, argv);
    VxInstallWidgetsHooks();  // the logon prompt as a window, should a server ask
    QStringList Args = App.arguments();
    QString Grab;
    if (const qsizetype At = Args.indexOf(QStringLiteral("--grab")); At > 0 && At + 1 < Args.size()) {
        Grab = Args.at(At + 1);
        Args.remove(At, 2);
    }
    if (Args.size() > 3) {
        std::fprintf(stderr, "usage: example_gui [DOWNLOAD-URL [FEED-URL]] [--grab FILE]\n");
        return 64;
    }

    QWidget Window;
    Window.setWindowTitle(QStringLiteral("VeDidoredo in a GUI"));
    auto* FileUrl = new QLineEdit(Args.value(1));
    auto* Download = new QPushButton(QStringLiteral("&Download"));
    auto* Cancel = new QPushButton(QStringLiteral("&Cancel"));
    Cancel->setEnabled(false);
    auto* Bar = new QProgressBar;
    auto* FileStatus = new QLabel(QStringLiteral("Idle."));
    auto* FeedUrl = new QLineEdit(Args.value(2));
    auto* Read = new QPushButton(QStringLiteral("&Read feed"));
    auto* Items = new QListWidget;
    auto* FeedStatus = new QLabel;

    auto* FileRow = new QHBoxLayout;
    FileRow->addWidget(FileUrl, 1);
    FileRow->addWidget(Download);
    FileRow->addWidget(Cancel);
    auto* FeedRow = new QHBoxLayout;
    FeedRow->addWidget(FeedUrl, 1);
    FeedRow->addWidget(Read);
    auto* Layout = new QVBoxLayout(&Window);
    Layout->addWidget(new QLabel(QStringLiteral("File")));
    Layout->addLayout(FileRow);
    Layout->addWidget(Bar);
    Layout->addWidget(FileStatus);
    Layout->addWidget(new QLabel(QStringLiteral("News feed")));
    Layout->addLayout(FeedRow);
    Layout->addWidget(Items, 1);
    Layout->addWidget(FeedStatus);
    Window.resize(520, 420);

    // The download: a button starts it, the progress bar follows it, Cancel stops it.
    TVxWebUpdater Updater(&Window);
    Updater.SetOnProgress([Bar](QObject*, qint64 Cur, qint64 Max, bool&) {
        // In thousandths: a QProgressBar counts in int, and files pass 2 GiB. A busy bar
        // while the size is unknown.
        Bar->setMaximum(Max > 0 ? 1000 : 0);
        Bar->setValue(Max > 0 ? int(Cur * 1000 / Max) : 0);
    });
    int Pending = 0;  // runs going, for --grab
    QObject::connect(Download, &QPushButton::clicked, &Window, [&] {
        if (!Aim(Updater, FileUrl->text())) {
            FileStatus->setText(QStringLiteral("Not an http or https URL."));
            return;
        }
        const QString Name = QFileInfo(QUrl(FileUrl->text()).path()).fileName();
        Updater.SetLocalFileName(QDir::temp().filePath(Name.isEmpty() ? QStringLiteral("download") : Name));
        Download->setEnabled(false);
        Cancel->setEnabled(true);
        FileStatus->setText(QStringLiteral("Downloading..."));
        ++Pending;
        Updater.ExecuteAsync().then(&Window, [&](QFuture<bool> Done) {
            Download->setEnabled(true);
            Cancel->setEnabled(false);
            QString Text;
            try {
                Text = Done.result() ? QStringLiteral("%1: %2 bytes.")
                                           .arg(QDir::toNativeSeparators(Updater.LocalFileName()))
                                           .arg(QFileInfo(Updater.LocalFileName()).size())
                                     : QStringLiteral("Failed: %1").arg(Updater.LastError());
            } catch (const EVxError& E) {  // the local file could not be written
                Text = E.Message();
            }
            FileStatus->setText(Text);
            --Pending;
        });
    });
    QObject::connect(Cancel, &QPushButton::clicked, &Updater, &TVxComponent::Cancel);

    // The feed: read into the list when it has arrived.
    TVxIRSSParser Feed(&Window);
    QObject::connect(Read, &QPushButton::clicked, &Window, [&] {
        if (!Aim(Feed, FeedUrl->text())) {
            FeedStatus->setText(QStringLiteral("Not an http or https URL."));
            return;
        }
        Read->setEnabled(false);
        FeedStatus->setText(QStringLiteral("Reading..."));
        ++Pending;
        Feed.ExecuteAsync().then(&Window, [&](QFuture<bool> Done) {
            Read->setEnabled(true);
            Items->clear();
            bool Ok = false;
            QString Error;
            try {
                Ok = Done.result();
                Error = Feed.LastError();
            } catch (const EVxError& E) {  // the download could not be written
                Error = E.Message();
            }
            if (Ok && Feed.Channels()->Count() > 0) {
                const TVxIRSSChannel* Channel = Feed.Channels()->GetItem(0);
                for (const TVxIRSSItem* Item : Channel->Items)
                    Items->addItem(Feed.ReadableText(Item->Title));
                FeedStatus->setText(Feed.ReadableText(Channel->Title));
            } else {
                FeedStatus->setText(QStringLiteral("Failed: %1").arg(Error));
            }
            --Pending;
        });
    });

    Window.show();
    if (!Grab.isEmpty()) {
        Download->click();
        Read->click();
        auto* Poll = new QTimer(&Window);
        QObject::connect(Poll, &QTimer::timeout, &Window, [&] {
            if (Pending == 0) {
                Window.grab().save(Grab, "PNG");
                App.quit();
            }
        });
        Poll->start(50);
    }
    return App.exec();
}
