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
    FTimer->stop();
    // The download and its private directory go with the updater.
}

void TVxRemoteImage::SetImage(QLabel* Value)
{
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
    TVxCustomWebUpdater::SetRemoteFileName(Value);
    UseTemporaryLocalFile(Value);
}

bool TVxRemoteImage::Execute()
{
    const bool Result = ExecuteIntoTemporaryFile();
    if (FImage && QFileInfo::exists(LocalFileName()))
        LoadPicture();
    return Result;
}

void TVxRemoteImage::LoadPicture()
{
    // The reader goes by the file's contents, and by its extension where those do not tell.
    QImageReader Reader(LocalFileName());
    const QImage Picture = Reader.read();
    if (Picture.isNull())
        throw EVxError(QStringLiteral("Cannot load the picture %1: %2").arg(RemoteFileName(), Reader.errorString()));
    FImage->setPixmap(QPixmap::fromImage(Picture));
}

void TVxRemoteImage::Refresh()
{
    FTimer->stop();
    QString Error;
    try {
        Execute();
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
}
