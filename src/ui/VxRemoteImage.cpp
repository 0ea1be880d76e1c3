// The remote image: a picture refreshed from the web into a label.
#include <vedidoredo/vxiimage.h>

#include <vedidoredo/platform/VxException.h>
#include <vedidoredo/platform/VxUiHooks.h>

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTimer>

TVxRemoteImage::TVxRemoteImage(QObject* Owner) : TVxCustomWebUpdater(Owner), FTimer(new QTimer(this))
{
    FTimer->setInterval(1000);
    connect(FTimer, &QTimer::timeout, this, [this] {
        if (FActive)
            Refresh();
    });
}

TVxRemoteImage::~TVxRemoteImage()
{
    EndRun();
    FTimer->stop();
    // The download and its private directory go with the updater.
}

void TVxRemoteImage::SetImage(QLabel* Value)
{
    CheckChange("Image");
    FImage = Value;
}

void TVxRemoteImage::SetActive(bool Value)
{
    if (Value == FActive)
        return;
    FActive = Value;
    if (Value)
        FTimer->start();
    else
        FTimer->stop();
}

int TVxRemoteImage::GetInterval() const
{
    return FTimer->interval();
}

void TVxRemoteImage::SetInterval(int Value)
{
    FTimer->setInterval(Value);
}

void TVxRemoteImage::SetRemoteFileName(const QString& Value)
{
    CheckChange("RemoteFileName");
    TVxCustomWebUpdater::SetRemoteFileName(Value);
    UseTemporaryLocalFile(Value);
}

bool TVxRemoteImage::Execute()
{
    const bool Result = ExecuteIntoTemporaryFile();
    if (!QFileInfo::exists(LocalFileName()))
        return Result;
    // The label is looked at, and the picture shown, on the label's thread; the picture is
    // read on the run's.
    bool Wanted = false;
    RunCallback([&] { Wanted = FImage != nullptr; });
    if (Wanted) {
        const QImage Picture = LoadPicture();
        RunCallback([&] {
            if (FImage)
                FImage->setPixmap(QPixmap::fromImage(Picture));
        });
    }
    return Result;
}

QImage TVxRemoteImage::LoadPicture() const
{
    // The reader goes by the file's contents, and by its extension where those do not tell.
    QImageReader Reader(LocalFileName());
    QImage Picture = Reader.read();
    if (Picture.isNull())
        throw EVxError(QStringLiteral("Cannot load the picture %1: %2").arg(RemoteFileName(), Reader.errorString()));
    return Picture;
}

void TVxRemoteImage::Refresh()
{
    FTimer->stop();
    if (Running()) {
        // A run the program started is going (and lets events through): this tick waits.
        if (FActive)
            FTimer->start();
        return;
    }
    // The refresh runs on a worker thread; its end starts the timer again, so refreshes
    // never overlap and the interval counts from the end of one.
    QFuture<bool> Run;
    try {
        Run = ExecuteAsync();
    } catch (const EVxError&) {
        // Started on another thread since the look above: the next tick tries again.
        if (FActive)
            FTimer->start();
        return;
    }
    Run.then(this, [this](QFuture<bool> Done) {
        QString Error;
        try {
            Done.waitForFinished();
        } catch (const EVxError& E) {
            Error = E.Message();
        } catch (const std::exception& E) {
            Error = QString::fromLocal8Bit(E.what());
        } catch (...) {
            Error = QStringLiteral("Unknown error");
        }
        if (!Error.isEmpty()) {
            if (const auto& Show = VxUiHooks().ShowError)
                Show(objectName().isEmpty() ? QStringLiteral("Remote image") : objectName(), Error);
            return;
        }
        if (FActive)
            FTimer->start();
    });
}
