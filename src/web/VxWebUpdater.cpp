// The web updater: one local file kept up to date with one remote file.
#include <vedidoredo/vxiupdate.h>

#include <QFile>
#include <QFileInfo>

TVxCustomWebUpdater::TVxCustomWebUpdater(QObject* Owner) : TVxCustomWebComponent(Owner) {}

TVxCustomWebUpdater::~TVxCustomWebUpdater() = default;

void TVxCustomWebUpdater::SetRemoteFileName(const QString& Value)
{
    FRemoteFileName = Value;
}

void TVxCustomWebUpdater::InternalExecute()
{
    ConnectToInet(true);
    if ((!hInet || !hURL) && Service() != isNetwork) {
        SetStatus(isFailed);
    } else if (!GetFileInfoFromInet(FRemoteFileName, FRemoteFileSize, FRemoteFileCreated)) {
        SetStatus(isNotFound);
    } else {
        SetAction(iaComparing);
        // A remote size of 0 (not told) counts as equal; so does a local file of the
        // same size that is not older than the remote one.
        bool Differs = false;
        if (FRemoteFileSize != 0) {
            const QFileInfo Local(FLocalFileName);
            if (!Local.exists()) {
                Differs = true;
            } else {
                const QDateTime Remote = DateTimeToQDateTime(FRemoteFileCreated, Qt::UTC);
                Differs = static_cast<quint32>(Local.size()) != FRemoteFileSize ||
                          Local.lastModified().toUTC() < Remote;
            }
        }
        if (FOnFileCompare) {
            bool Equal = !Differs;
            FOnFileCompare(this, Equal);
            Differs = !Equal;
        }
        SetAction(iaCompared);
        if (!Differs) {
            SetStatus(isSkipped);
        } else if (ReadFileFromInet(FRemoteFileName, FLocalFileName, FRemoteFileSize)) {
            // Only a complete copy carries the remote time; the next run then finds
            // them equal. A zero time leaves the file's own time.
            if (Status() != isFailed && FRemoteFileCreated.Value() != 0.0) {
                QFile Local(FLocalFileName);
                if (Local.open(QIODevice::WriteOnly | QIODevice::Append)) {
                    Local.setFileTime(DateTimeToQDateTime(FRemoteFileCreated, Qt::UTC),
                                      QFileDevice::FileModificationTime);
                    Local.close();
                }
            }
        } else {
            if (LastError().isEmpty())
                SetLastError(QStringLiteral("No source to download from"));
            SetStatus(isFailed);
        }
    }
    DisconnectFromInet();
}

TVxWebUpdater::TVxWebUpdater(QObject* Owner) : TVxCustomWebUpdater(Owner) {}

TVxWebUpdater::~TVxWebUpdater() = default;
