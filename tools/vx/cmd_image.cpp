// `vx image URL [--save FILE] [--show [--interval MS]]`: a picture from the web, saved or
// shown in a window that refreshes it.
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxRegistry.h"
#include "cmd_web_common.h"

#include <vedidoredo/platform/VxException.h>
#include <vedidoredo/vxiimage.h>

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QSaveFile>
#include <QShortcut>

namespace {

class TImageFetch : public TVxRemoteImage {
public:
    using TVxCustomWebUpdater::LocalFileName;
};

// Checks that the download is a picture Qt can read, saves its bytes unchanged to File
// unless that is empty (File is replaced only by a whole picture), and says what it is.
int SaveOrDescribe(const TImageFetch& R, const QString& Target, const QString& File)
{
    QImageReader Reader(R.LocalFileName());
    const QSize Size = Reader.size();
    const QString Format = QString::fromLatin1(Reader.format()).toUpper();
    if (!Reader.canRead() || Reader.read().isNull()) {
        vx::PrintError(QStringLiteral("%1: not a picture: %2").arg(Target, Reader.errorString()));
        return vx::ExitError;
    }
    QFile In(R.LocalFileName());
    if (!File.isEmpty()) {
        QSaveFile Out(File);
        if (!In.open(QIODevice::ReadOnly) || !Out.open(QIODevice::WriteOnly) ||
            Out.write(In.readAll()) != In.size() || !Out.commit()) {
            vx::PrintError(QStringLiteral("cannot write %1: %2").arg(File, Out.errorString()));
            return vx::ExitError;
        }
    }
    vx::WriteOutText(QStringLiteral("%1: %2 picture %3x%4, %5 bytes\n")
                         .arg(File.isEmpty() ? Target : File, Format)
                         .arg(Size.width()).arg(Size.height()).arg(In.size()));
    return vx::ExitOk;
}

// A window with the picture, refreshed every Interval ms until closed (Escape closes it).
int Show(TImageFetch& R, const vxweb::Options& O, int Interval)
{
    QLabel Window;
    Window.setWindowTitle(vxweb::Shown(O.Target));
    Window.setAlignment(Qt::AlignCenter);
    Window.setMinimumSize(64, 64);
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), &Window), &QShortcut::activated, &Window,
                     &QWidget::close);
    R.SetImage(&Window);
    if (!vxweb::RunUpdater(&R, O))  // the first picture before the window shows; its errors raise
        return vx::ExitFalse;
    R.StatusDialog()->SetEnabled(false);  // no progress bar for every refresh
    Window.show();
    R.SetInterval(Interval);
    R.Start();
    return QApplication::exec() == 0 ? vx::ExitOk : vx::ExitError;
}

int RunImage(const QStringList& Args)
{
    const vxweb::Options O =
        vxweb::Parse(Args, {}, {{"--save", "FILE"}, {"--show"}, {"--interval", "MS"}});
    if (!O.Rest.isEmpty())
        throw vx::UsageError{QStringLiteral("expected one URL")};
    const vx::OptionReader& Opt = *O.Reader;
    if (Opt.Has("--save") && Opt.Has("--show"))
        throw vx::UsageError{QStringLiteral("--save or --show, not both")};
    if (Opt.Has("--interval") && !Opt.Has("--show"))
        throw vx::UsageError{QStringLiteral("--interval goes with --show")};
    const int Interval = Opt.Integer("--interval", 1, 24 * 3600 * 1000, 1000);
    TImageFetch R;
    vxweb::SetUpUpdater(&R, O, QStringLiteral("image"));
    if (Opt.Has("--show"))
        return Show(R, O, Interval);
    if (!vxweb::RunUpdater(&R, O))
        return vx::ExitFalse;
    return SaveOrDescribe(R, vxweb::Shown(O.Target), Opt.Value("--save"));
}

}  // namespace

VX_REGISTER_WINDOW_COMMAND(
    "image", "image URL [--save FILE] [--show [--interval MS]]  fetch a picture, save or show it",
    "Fetches the picture once and prints its format and size. With --save the downloaded\n"
    "bytes are written to FILE unchanged (only when they are a picture that can be read:\n"
    "otherwise exit 2 with the reader's error, and FILE stays as it was). With --show the\n"
    "picture opens in a window that fetches it again every MS milliseconds after the\n"
    "last fetch ended (default 1000) until the window is closed or Escape is pressed;\n"
    "an error on a refresh is printed on standard error and refreshing stops.\n"
    "\n"
    "Options:\n"
    "  --save FILE           write the picture's bytes to FILE\n"
    "  --show                show the picture in a window that refreshes\n"
    "  --interval MS         milliseconds between refreshes (with --show; default 1000)\n"
    "  --user U, --password P  the server's login (asked for on the terminal if needed)\n"
    "  --proxy HOST[:PORT]   an HTTP proxy (default: the http_proxy environment)\n"
    "  --proxy-user U, --proxy-password P  the proxy's login\n"
    "  --cacert FILE         trust the CA certificates in this PEM file as well\n"
    + vx::TimeoutHelp(vxweb::DefaultTimeoutSeconds) + "\n"
    "Exit status: 0 done, 1 failed or not found, 2 not a picture or an error, 64 a usage error.\n",
    RunImage, vx::WindowsWith(QStringLiteral("--show")))
