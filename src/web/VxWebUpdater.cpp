// The web updater: one local file kept up to date with one remote file.
#include "platform/VxTemporaryFiles.h"

#include <vedidoredo/vxiupdate.h>

#include <vedidoredo/platform/VxException.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>

TVxCustomWebUpdater::TVxCustomWebUpdater(QObject* Owner) : TVxCustomWebComponent(Owner) {}

TVxCustomWebUpdater::~TVxCustomWebUpdater()
{
    EndRun();
    if (FPrivateDir)
        VxUnregisterTemporary(FPrivateDir->path());
}

QString TVxCustomWebUpdater::PrivateFileName(const QString& Name)
{
    if (!FPrivateDir) {
        // QTemporaryDir creates the directory with mkdtemp: a fresh random name, mode 0700.
        auto Dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vedidoredo-XXXXXX"));
        if (!Dir->isValid())
            throw EVxFileError(QStringLiteral("Cannot create a temporary directory: %1").arg(Dir->errorString()));
        FPrivateDir = std::move(Dir);
        VxRegisterTemporary(FPrivateDir->path());
    }
    return FPrivateDir->filePath(Name);
}

void TVxCustomWebUpdater::UseTemporaryLocalFile(const QString& RemoteName)
{
    if (!FLocalFileName.isEmpty())
        QFile::remove(FLocalFileName);
    // The extension of the last part of the path, before any query or fragment; one that
    // does not look like an extension is left out.
    qsizetype End = RemoteName.size();
    for (qsizetype I = 0; I < End; ++I)
        if (RemoteName[I] == u'?' || RemoteName[I] == u'#')
            End = I;
    const QStringView Path = QStringView(RemoteName).left(End);
    const QStringView Name = Path.mid(std::max(Path.lastIndexOf(u'/'), Path.lastIndexOf(u'\\')) + 1);
    const qsizetype Dot = Name.lastIndexOf(u'.');
    QString Extension;
    if (Dot >= 0 && Name.size() - Dot - 1 <= 16 &&
        std::all_of(Name.begin() + Dot + 1, Name.end(), [](QChar C) {
            return C.unicode() < 128 && (C.isLetterOrNumber() || C == u'_' || C == u'-');
        }))
        Extension = Name.mid(Dot).toString();
    FLocalFileName = PrivateFileName(QStringLiteral("download") + Extension);
}

bool TVxCustomWebUpdater::ExecuteIntoTemporaryFile()
{
    if (FLocalFileName.isEmpty())
        UseTemporaryLocalFile(FRemoteFileName);
    return TVxCustomWebUpdater::Execute();
}

void TVxCustomWebUpdater::SetRemoteFileName(const QString& Value)
{
    CheckChange("RemoteFileName");
    FRemoteFileName = Value;
}

bool TVxCustomWebUpdater::StatusWindowFiles(QString& Remote, QString& Local) const
{
    // Host and path joined by one slash, however the path begins.
    Remote = Host().isEmpty() || FRemoteFileName.startsWith(QLatin1Char('/'))
                 ? Host() + FRemoteFileName
                 : Host() + QLatin1Char('/') + FRemoteFileName;
    Local = FLocalFileName;
    return true;
}

void TVxCustomWebUpdater::InternalExecute()
{
    ConnectToInet(true);
    if ((!hInet || !hURL) && Service() != isNetwork) {
        SetStatus(isFailed);
    } else if (!GetFileInfoFromInet(FRemoteFileName, FRemoteFileSize, FRemoteFileCreated)) {
        if (Status() != isFailed)  // no answer, or a refused login
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
                Differs = Local.size() != FRemoteFileSize ||
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

TVxWebUpdater::~TVxWebUpdater()
{
    EndRun();
}
