// FTP for the web components: files are found by name (SIZE and MDTM, or the listing
// of their directory), listed level by level with the subdirectories after, and read
// over the logged-in connection. The service keeps the file it reads.
#include "platform/VxRunState.h"
#include "web/VxWebService.h"

#include <vedidoredo/VxInCnst.h>

#include <QCoreApplication>
#include <QDir>

namespace {

// A server can present a tree without end (links to a parent): a listing goes this
// many levels below the directory asked for, no deeper.
constexpr int MaxFtpDepth = 64;

QString JoinFtp(const QString& Dir, const QString& Name)
{
    return Dir == QLatin1String("/") ? QLatin1Char('/') + Name : Dir + QLatin1Char('/') + Name;
}

class TFtpService : public TVxWebService {
public:
    using TVxWebService::TVxWebService;

    bool GetFileInfo(const QString& RemoteName, qint64& Size, TDateTime& LastWriteTime, bool& Failed) override
    {
        if (!ReportSearch())
            return false;
        TVxInetFindData Data;
        auto Find = Connection()->FtpFindFirstFile(RemoteName, Data);
        if (!Find) {
            SetError(Connection()->LastError());
            Failed = VxIsTransferFailure(Connection()->LastFailure());
            return false;
        }
        if (Data.Attributes & VxFileAttributeDirectory) {
            SetError(strVxInEFileNotFound);  // a directory is no file to fetch
            return false;
        }
        Size = Data.Size;
        if (Data.LastWriteTime.isValid())
            LastWriteTime = VxUtcToDateTime(Data.LastWriteTime);
        SetValidator(VxTimeSizeValidator(Data.LastWriteTime, Data.Size));
        return true;
    }

    void ReadDir(const QString& Directory, const QString& Mask, bool WithSubFolders, QStringList& List) override
    {
        ReadLevel(Directory, Mask, WithSubFolders, List, 0);
    }

    std::unique_ptr<TVxWebSource> OpenSource(const QString& RemoteName) override
    {
        FFile = Connection()->FtpOpenFile(RemoteName, VxInetFlagBinary | VxInetFlagReload);
        return FFile ? std::make_unique<TVxInetSource>(FFile.get()) : nullptr;
    }

private:
    void ReadLevel(const QString& Directory, const QString& Mask, bool WithSubFolders, QStringList& List, int Depth)
    {
        TVxInetConnection* Conn = Connection();
        QString Cur;
        if (!Conn->FtpGetCurrentDirectory(Cur))
            Cur.clear();
        // A relative directory is below the current one (the login directory); lines
        // name the directory as the server knows it, without doubled slashes.
        QString Dir = Directory.isEmpty() ? QStringLiteral("/") : Directory;
        if (!Dir.startsWith(QLatin1Char('/')) && !Cur.isEmpty())
            Dir = JoinFtp(Cur, Dir);
        Dir = QDir::cleanPath(Dir);
        if (Dir != Cur && !Conn->FtpSetCurrentDirectory(Dir)) {
            SetError(Conn->LastError());
            if (const auto& Show = VxUiHooks().ShowMessage)
                VxRunAsCallback([&] { Show(QCoreApplication::applicationName(), Conn->LastError()); });
        }
        const bool Here = Dir == Cur;
        const QString Pattern = Here ? Mask : JoinFtp(Dir, Mask);
        QStringList SubDirs;
        TVxInetFindData Data;
        auto Find = Conn->FtpFindFirstFile(Pattern, Data);
        if (!Find && VxIsTransferFailure(Conn->LastFailure())) {
            SetError(Conn->LastError());
            C.SetStatus(isFailed);
        }
        if (Find) {
            do {
                List.append(Here ? Data.FileName : JoinFtp(Dir, Data.FileName));
                if (WithSubFolders && (Data.Attributes & VxFileAttributeDirectory) &&
                    Data.FileName != QLatin1String(".") && Data.FileName != QLatin1String(".."))
                    SubDirs.append(JoinFtp(Dir, Data.FileName));
            } while (Find->FindNext(Data));
        }
        if (Depth < MaxFtpDepth)
            for (const QString& Sub : SubDirs)
                ReadLevel(Sub, Mask, WithSubFolders, List, Depth + 1);
        if (!Cur.isEmpty())
            Conn->FtpSetCurrentDirectory(Cur);
    }

    std::unique_ptr<TVxInetFile> FFile;  // the download's
};

}  // namespace

std::unique_ptr<TVxWebService> VxNewFtpService(TVxCustomWebComponent& Component, TVxInetConnection* Connection)
{
    return std::make_unique<TFtpService>(Component, Connection);
}
