#include "platform/VxTemporaryFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <mutex>

namespace {

std::mutex& Lock()
{
    static std::mutex M;
    return M;
}

QStringList& Paths()
{
    static QStringList P;
    return P;
}

}  // namespace

void VxRegisterTemporary(const QString& Path)
{
    const std::lock_guard<std::mutex> Guard(Lock());
    Paths().append(Path);
}

void VxUnregisterTemporary(const QString& Path)
{
    const std::lock_guard<std::mutex> Guard(Lock());
    Paths().removeOne(Path);
}

bool VxRenameTemporary(const QString& From, const QString& To)
{
    const std::lock_guard<std::mutex> Guard(Lock());
    if (::rename(QFile::encodeName(From).constData(), QFile::encodeName(To).constData()) != 0)
        return false;
    Paths().removeOne(From);
    return true;
}

void VxRemoveTemporaryFiles()
{
    const std::lock_guard<std::mutex> Guard(Lock());
    // The newest first: a file is removed before the folder it was made in.
    for (qsizetype I = Paths().size() - 1; I >= 0; --I) {
        const QString& Path = Paths().at(I);
        const QFileInfo Info(Path);
        if (Info.isDir() && !Info.isSymLink())
            QDir(Path).removeRecursively();
        else
            QFile::remove(Path);
    }
    Paths().clear();
}
