// Network paths for the web components: a remote file is a path the file system
// reaches (a mounted share or a local file).
#include "web/VxWebService.h"

#include <vedidoredo/VxInCnst.h>
#include <vedidoredo/platform/VxException.h>
#include <vedidoredo/platform/VxFileMask.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

class TFileSource : public TVxWebSource {
public:
    explicit TFileSource(const QString& Path) : FFile(Path)
    {
        if (!FFile.open(QIODevice::ReadOnly))
            throw EVxFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(Path, FFile.errorString()));
    }
    qint64 Read(char* Buffer, qint64 Size) override
    {
        const qint64 N = FFile.read(Buffer, Size);
        FReadError = FReadError || N < 0;
        return N;
    }
    TResume ResumeAt(qint64 Position, const QString&) override
    {
        return Position <= FFile.size() && FFile.seek(Position) ? Continued : Whole;
    }
    bool Completed() const override { return !FReadError && FFile.atEnd(); }
    QString Error() const override { return FFile.errorString(); }

private:
    QFile FFile;
    bool FReadError = false;
};

class TNetworkService : public TVxWebService {
public:
    using TVxWebService::TVxWebService;

    bool GetFileInfo(const QString& RemoteName, qint64& Size, TDateTime& LastWriteTime, bool&) override
    {
        if (!ReportSearch())
            return false;
        const QFileInfo Info(RemoteName);
        if (!Info.isFile()) {
            SetError(strVxInEFileNotFound);
            return false;
        }
        Size = Info.size();
        LastWriteTime = VxUtcToDateTime(Info.lastModified());
        SetValidator(VxTimeSizeValidator(Info.lastModified(), Size));
        return true;
    }

    void ReadDir(const QString& Directory, const QString& Mask, bool WithSubFolders, QStringList& List) override
    {
        QStringList Visited;
        ReadLevel(Directory, Mask, WithSubFolders, List, Visited);
    }

    std::unique_ptr<TVxWebSource> OpenSource(const QString& RemoteName) override
    {
        return std::make_unique<TFileSource>(RemoteName);
    }

private:
    // Each subdirectory is listed right after its own line.
    void ReadLevel(const QString& Directory, const QString& Mask, bool WithSubFolders, QStringList& List,
                   QStringList& Visited)
    {
        const QString Prefix = Directory.isEmpty() ? QString() : Directory + QLatin1Char('/');
        const QDir Dir(Directory.isEmpty() ? QStringLiteral(".") : Directory);
        // A directory reached a second time (through a link) is listed but not entered again.
        const QString Canonical = Dir.canonicalPath();
        if (Canonical.isEmpty() || Visited.contains(Canonical))
            return;
        Visited.append(Canonical);
        const QFileInfoList Entries = Dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name);
        for (const QFileInfo& E : Entries) {
            const QString Name = E.fileName();
            if (!VxMatchesMask(Name, Mask))
                continue;
            List.append(Prefix + Name);
            if (WithSubFolders && E.isDir() && Name != QLatin1String(".") && Name != QLatin1String(".."))
                ReadLevel(Prefix + Name, Mask, WithSubFolders, List, Visited);
        }
    }
};

}  // namespace

std::unique_ptr<TVxWebService> VxNewNetworkService(TVxCustomWebComponent& Component)
{
    return std::make_unique<TNetworkService>(Component, nullptr);
}
