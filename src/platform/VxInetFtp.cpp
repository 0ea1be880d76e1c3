// FTP on a connection: the logged-in control connection is shared by the calls
// (directory changes, SIZE and MDTM, listings, files), each taking it over in turn.
// Listings come from libcurl's wildcard matching, which parses the server's LIST
// lines; names are matched here with VxMatchesMask.
#include "VxInetTransfer.h"

#include <vedidoredo/platform/VxFileMask.h>

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QStringList>

namespace {

// A listing stops taking entries here: a server cannot make it grow without end.
constexpr qsizetype MaxListEntries = 1000000;

QDateTime FromTimeT(curl_off_t T)
{
    return T < 0 ? QDateTime() : QDateTime::fromSecsSinceEpoch(T, Qt::UTC);
}

}  // namespace

namespace VxInetDetail {

QString ConnectionState::Resolve(const QString& Path) const
{
    QString P = Path.isEmpty() ? CurrentDir
                : Path.startsWith(QLatin1Char('/')) ? Path
                                                     : CurrentDir + QLatin1Char('/') + Path;
    P = QDir::cleanPath(P);
    return P.isEmpty() ? QStringLiteral("/") : P;
}

QByteArray ConnectionState::FtpUrl(const QString& AbsPath, bool AsDirectory) const
{
    QByteArray Url = BaseUrl("ftp") + "/%2F";
    const QStringList Parts = AbsPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QList<QByteArray> Encoded;
    for (const QString& S : Parts)
        Encoded.append(EncodeSegment(S));
    Url += Encoded.join('/');
    if (AsDirectory && !Encoded.isEmpty())
        Url += '/';
    return Url;
}

Transfer& ConnectionState::TakeFtp()
{
    ++FtpGeneration;
    Ftp->Prepare(*Session, true);
    curl_easy_setopt(Ftp->Easy, CURLOPT_USERNAME, User.constData());
    curl_easy_setopt(Ftp->Easy, CURLOPT_PASSWORD, Password.constData());
    return *Ftp;
}

}  // namespace VxInetDetail

using namespace VxInetDetail;

namespace {

// An FTP file read over the connection's control connection.
class TVxFtpFile : public TVxInetFile {
public:
    TVxFtpFile(std::shared_ptr<ConnectionState> Conn, QString Path)
        : FConn(std::move(Conn)), FPath(std::move(Path))
    {
        FSession = FConn->Session;
    }
    ~TVxFtpFile() override
    {
        if (FTransfer && FConn->FtpGeneration == FGeneration)
            FTransfer->Stop();
        FTransfer.reset();  // shared with the connection: the base must not stop it again
    }

protected:
    bool EnsureStarted() override
    {
        if (!FStarted) {
            Transfer& T = FConn->TakeFtp();
            FGeneration = FConn->FtpGeneration;
            FTransfer = FConn->Ftp;
            const QByteArray Url = FConn->FtpUrl(FPath, false);
            curl_easy_setopt(T.Easy, CURLOPT_URL, Url.constData());
            if (FResumeFrom > 0)
                curl_easy_setopt(T.Easy, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(FResumeFrom));
            T.StartStream();
        }
        if (FConn->FtpGeneration != FGeneration) {
            SetFailure(QStringLiteral("The FTP connection was used for another call"), TVxInetFailure::Transport);
            return false;
        }
        return true;
    }

private:
    std::shared_ptr<ConnectionState> FConn;
    QString FPath;
    quint64 FGeneration = 0;
};

}  // namespace

TVxFtpFind::~TVxFtpFind() = default;

bool TVxFtpFind::FindNext(TVxInetFindData& Data)
{
    if (FNext >= FEntries.size())
        return false;
    Data = FEntries[FNext++];
    return true;
}

bool TVxInetConnection::FtpGetCurrentDirectory(QString& Directory)
{
    if (FState->Service != TVxInetServiceKind::Ftp)
        return false;
    Directory = FState->CurrentDir;
    return true;
}

bool TVxInetConnection::FtpSetCurrentDirectory(const QString& Directory)
{
    ClearFailure();
    if (FState->Service != TVxInetServiceKind::Ftp)
        return false;
    const QString Path = FState->Resolve(Directory);
    Transfer& T = FState->TakeFtp();
    const QByteArray Url = FState->FtpUrl(Path, true);
    curl_easy_setopt(T.Easy, CURLOPT_URL, Url.constData());
    curl_easy_setopt(T.Easy, CURLOPT_NOBODY, 1L);
    if (T.RunToEnd() != CURLE_OK) {
        SetFailure(T.ErrorText(), T.Failure());
        return false;
    }
    FState->CurrentDir = Path;
    return true;
}

bool TVxInetConnection::FtpStat(const QString& Path, TVxInetFindData& Data)
{
    Transfer& T = FState->TakeFtp();
    const QByteArray Url = FState->FtpUrl(Path, false);
    curl_easy_setopt(T.Easy, CURLOPT_URL, Url.constData());
    curl_easy_setopt(T.Easy, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(T.Easy, CURLOPT_FILETIME, 1L);
    if (T.RunToEnd() != CURLE_OK) {
        SetFailure(T.ErrorText(), T.Failure());
        return false;
    }
    curl_off_t Size = -1, Time = -1;
    curl_easy_getinfo(T.Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &Size);
    curl_easy_getinfo(T.Easy, CURLINFO_FILETIME_T, &Time);
    Data = TVxInetFindData();
    Data.FileName = Path.section(QLatin1Char('/'), -1);
    Data.Attributes = VxFileAttributeNormal;
    Data.Size = Size < 0 ? 0 : Size;
    Data.LastWriteTime = FromTimeT(Time);
    return true;
}

namespace {
// The time column of a Unix-style listing: "Dec  7 21:18" (within the last year) or
// "Dec  7  2025". Invalid when it is neither.
QDateTime ParseListTime(const char* Text)
{
    if (!Text)
        return {};
    static const QRegularExpression Re(
        QStringLiteral("^([A-Za-z]{3})\\s+(\\d{1,2})\\s+(?:(\\d{1,2}):(\\d{2})|(\\d{4}))$"));
    const auto M = Re.match(QString::fromLatin1(Text).simplified());
    if (!M.hasMatch())
        return {};
    static const QStringList Months = {"jan", "feb", "mar", "apr", "may", "jun",
                                       "jul", "aug", "sep", "oct", "nov", "dec"};
    const int Month = Months.indexOf(M.captured(1).toLower()) + 1;
    const int Day = M.captured(2).toInt();
    if (Month <= 0)
        return {};
    const QDateTime NowUtc = QDateTime::currentDateTimeUtc();
    if (!M.captured(5).isEmpty()) {
        const QDate D(M.captured(5).toInt(), Month, Day);
        return D.isValid() ? QDateTime(D, QTime(0, 0), Qt::UTC) : QDateTime();
    }
    const QTime Tm(M.captured(3).toInt(), M.captured(4).toInt());
    QDate D(NowUtc.date().year(), Month, Day);
    if (!D.isValid() || !Tm.isValid())
        return {};
    QDateTime R(D, Tm, Qt::UTC);
    if (R > NowUtc.addDays(1))  // such listings show dates of the last twelve months
        R = R.addYears(-1);
    return R;
}
}  // namespace

bool TVxInetConnection::FtpList(const QString& Directory, const QString& Mask,
                                QList<TVxInetFindData>& Entries)
{
    Transfer& T = FState->TakeFtp();
    // libcurl lists the directory part of the URL and offers each entry that the
    // pattern after the last slash matches; all of them are taken and matched here.
    QByteArray ListUrl = FState->FtpUrl(Directory, true);
    if (!ListUrl.endsWith('/'))
        ListUrl += '/';
    ListUrl += '*';
    curl_easy_setopt(T.Easy, CURLOPT_URL, ListUrl.constData());
    curl_easy_setopt(T.Easy, CURLOPT_WILDCARDMATCH, 1L);
    curl_easy_setopt(T.Easy, CURLOPT_CHUNK_BGN_FUNCTION, &Transfer::OnChunkBegin);
    curl_easy_setopt(T.Easy, CURLOPT_CHUNK_DATA, &T);
    T.OnChunk = [&Entries, &Mask](const curl_fileinfo* Info) -> long {
        if (!Info || !Info->filename)
            return CURL_CHUNK_BGN_FUNC_SKIP;
        TVxInetFindData D;
        D.FileName = QString::fromUtf8(Info->filename);
        if (!VxMatchesMask(D.FileName, Mask) || Entries.size() >= MaxListEntries)
            return CURL_CHUNK_BGN_FUNC_SKIP;
        D.Attributes = Info->filetype == CURLFILETYPE_DIRECTORY ? VxFileAttributeDirectory
                                                                  : VxFileAttributeNormal;
        if (Info->flags & CURLFINFOFLAG_KNOWN_SIZE)
            D.Size = Info->size;
        D.LastWriteTime = ParseListTime(Info->strings.time);
        Entries.append(D);
        return CURL_CHUNK_BGN_FUNC_SKIP;  // listed, never downloaded
    };
    const CURLcode Code = T.RunToEnd();
    T.OnChunk = nullptr;
    if (Code == CURLE_OK || Code == CURLE_REMOTE_FILE_NOT_FOUND)
        return true;  // not found: nothing matched, or an empty directory
    SetFailure(T.ErrorText(), T.Failure());
    return false;
}

std::unique_ptr<TVxFtpFind> TVxInetConnection::FtpFindFirstFile(const QString& Pattern,
                                                                TVxInetFindData& Data)
{
    ClearFailure();
    if (FState->Service != TVxInetServiceKind::Ftp)
        return nullptr;
    const qsizetype Slash = Pattern.lastIndexOf(QLatin1Char('/'));
    const QString DirPart = Slash < 0 ? QString() : Slash == 0 ? QStringLiteral("/") : Pattern.left(Slash);
    QString Mask = Pattern.mid(Slash + 1);
    const QString Dir = FState->Resolve(DirPart);
    QList<TVxInetFindData> Entries;
    if (Mask.isEmpty())
        Mask = QStringLiteral("*");
    if (!Mask.contains(QLatin1Char('*')) && !Mask.contains(QLatin1Char('?'))) {
        // One name: its size and time from SIZE and MDTM; a directory of that name
        // only shows in its parent's listing.
        TVxInetFindData One;
        const QString Path = Dir == QLatin1String("/") ? QLatin1Char('/') + Mask : Dir + QLatin1Char('/') + Mask;
        if (FtpStat(Path, One)) {
            Entries.append(One);
        } else {
            const QString Error = FLastError;
            const TVxInetFailure Kind = FLastFailure;
            if (!FtpList(Dir, Mask, Entries))
                SetFailure(Error, Kind);
        }
    } else if (!FtpList(Dir, Mask, Entries)) {
        return nullptr;
    }
    if (Entries.isEmpty()) {
        if (FLastError.isEmpty())
            SetFailure(QStringLiteral("No file matches %1").arg(Pattern), TVxInetFailure::Answer);
        return nullptr;
    }
    std::unique_ptr<TVxFtpFind> F(new TVxFtpFind);
    F->FEntries = std::move(Entries);
    F->FindNext(Data);
    return F;
}

std::unique_ptr<TVxInetFile> TVxInetConnection::FtpOpenFile(const QString& Name, quint32)
{
    ClearFailure();
    if (FState->Service != TVxInetServiceKind::Ftp)
        return nullptr;
    return std::make_unique<TVxFtpFile>(FState, FState->Resolve(Name));
}
