#include "platform/VxDownloadTarget.h"

#include "platform/VxTemporaryFiles.h"

#include <vedidoredo/platform/VxException.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The buffer goes to the disk in writes of 16 KiB: whole pages (partial pages cost the
// kernel extra work), and small enough to keep the page cache's write path fast.
constexpr size_t Chunk = 16 * 1024;

// A download holds a lock on its file for as long as it writes it: a temporary file
// that nobody holds was left by a run that ended without cleaning up.
bool HoldExclusively(int Fd)
{
    return Fd >= 0 && ::flock(Fd, LOCK_EX | LOCK_NB) == 0;
}

bool StillNamed(int Fd)
{
    struct stat S;
    return ::fstat(Fd, &S) == 0 && S.st_nlink > 0;
}

// Removes the temporary files beside Final that no running download holds.
void RemoveStaleTemporaries(const QString& Final)
{
    const QFileInfo Target(Final);
    const QRegularExpression Own(QStringLiteral("^%1\\.~vx\\d{6}$").arg(QRegularExpression::escape(Target.fileName())));
    const QDir Dir = Target.absoluteDir();
    for (const QString& Name : Dir.entryList({Target.fileName() + QStringLiteral(".~vx*")}, QDir::Files | QDir::Hidden)) {
        if (!Own.match(Name).hasMatch())
            continue;
        const QByteArray Path = QFile::encodeName(Dir.filePath(Name));
        const int Fd = ::open(Path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (Fd < 0)
            continue;
        if (HoldExclusively(Fd))
            ::unlink(Path.constData());
        ::close(Fd);
    }
}

}  // namespace

TVxDownloadTarget::TVxDownloadTarget(const QString& Final, qint64 BlockSize)
    : FFinal(Final), FBuffer(Chunk + static_cast<size_t>(BlockSize))
{
}

TVxDownloadTarget::~TVxDownloadTarget()
{
    Discard();
}

QString TVxDownloadTarget::PartialName(const QString& Final)
{
    return Final + QStringLiteral(".~vxpart");
}

QString TVxDownloadTarget::InfoName(const QString& Final)
{
    return Final + QStringLiteral(".~vxinfo");
}

void TVxDownloadTarget::OpenTemporary()
{
    RemoveStaleTemporaries(FFinal);
    // Created new, with the permissions of the file it replaces (or the usual ones).
    for (int Attempt = 0; Attempt < 100 && !FFile.isOpen(); ++Attempt) {
        const QString Name = QStringLiteral("%1.~vx%2").arg(FFinal).arg(QRandomGenerator::global()->bounded(1000000), 6,
                                                                       10, QLatin1Char('0'));
        FFile.setFileName(Name);
        if (!FFile.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            if (FFile.error() != QFileDevice::OpenError || !QFile::exists(Name))
                Fail(QStringLiteral("Cannot create file"));
            continue;  // the name is taken
        }
        // Another download's clean-up may have taken the file between its creation and
        // the lock: then it is gone, and the next name is tried.
        if (!HoldExclusively(FFile.handle()) || !StillNamed(FFile.handle())) {
            FFile.close();
            continue;
        }
        FTemporary = Name;
        VxRegisterTemporary(FTemporary);
    }
    if (!FFile.isOpen())
        Fail(QStringLiteral("Cannot create file"));
    if (QFile::exists(FFinal))
        FFile.setPermissions(QFile::permissions(FFinal));
}

bool TVxDownloadTarget::OpenPartial()
{
    RemoveStaleTemporaries(FFinal);
    FFile.setFileName(PartialName(FFinal));
    if (!FFile.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        Fail(QStringLiteral("Cannot create file"));
    if (!HoldExclusively(FFile.handle())) {
        FFile.close();
        return false;
    }
    FPartial = true;
    if (QFile::exists(FFinal))
        FFile.setPermissions(QFile::permissions(FFinal));
    return true;
}

QByteArray TVxDownloadTarget::PartialInfo() const
{
    QFile Info(InfoName(FFinal));
    // A note is a few lines; anything longer is no note of ours.
    return Info.open(QIODevice::ReadOnly) && Info.size() < 64 * 1024 ? Info.readAll() : QByteArray();
}

void TVxDownloadTarget::SetPartialInfo(const QByteArray& Info)
{
    const QString Name = InfoName(FFinal);
    if (Info.isEmpty()) {
        QFile::remove(Name);
        return;
    }
    QFile F(Name);
    if (!F.open(QIODevice::WriteOnly | QIODevice::Truncate) || F.write(Info) != Info.size())
        Fail(QStringLiteral("Cannot write file"), F.errorString());
}

void TVxDownloadTarget::StartAt(qint64 Position)
{
    if (!FFile.resize(Position) || !FFile.seek(Position))
        Fail(QStringLiteral("Cannot write file"));
}

void TVxDownloadTarget::Written(qint64 N)
{
    FFill += static_cast<size_t>(N);
    if (FFill >= Chunk) {
        Write(FBuffer.data(), Chunk);
        std::memmove(FBuffer.data(), FBuffer.data() + Chunk, FFill - Chunk);
        FFill -= Chunk;
    }
}

void TVxDownloadTarget::Finish()
{
    Write(FBuffer.data(), FFill);
    FFill = 0;
    // Renamed while still open and locked: no clean-up can take it on the way.
    if (!VxRenameTemporary(FFile.fileName(), FFinal))
        Fail(QStringLiteral("Cannot replace file"), QString::fromLocal8Bit(std::strerror(errno)));
    FFile.close();
    FTemporary.clear();
    FPartial = false;
    // A complete copy ends any partial download of the same target.
    QFile::remove(PartialName(FFinal));
    QFile::remove(InfoName(FFinal));
}

void TVxDownloadTarget::Discard()
{
    if (FPartial && FFile.isOpen() && FFill > 0) {
        // What arrived is kept for the next run, as far as the disk takes it.
        FFile.write(FBuffer.data(), static_cast<qint64>(FFill));
    }
    FFill = 0;
    if (!FTemporary.isEmpty()) {
        QFile::remove(FTemporary);  // removed while still held
        VxUnregisterTemporary(FTemporary);
        FTemporary.clear();
    }
    FFile.close();
    FPartial = false;
}

void TVxDownloadTarget::Write(const char* Data, size_t N)
{
    // A write the disk takes only in part is followed by one for the rest, whose failure
    // tells why ("No space left on device"); the short one tells nothing.
    while (N > 0) {
        const qint64 Done = FFile.write(Data, static_cast<qint64>(N));
        if (Done <= 0)
            Fail(QStringLiteral("Cannot write file"));
        Data += Done;
        N -= static_cast<size_t>(Done);
    }
}

void TVxDownloadTarget::Fail(const QString& What, const QString& Why)
{
    throw EVxFileError(QStringLiteral("%1 \"%2\". %3").arg(What, FFinal, Why.isEmpty() ? FFile.errorString() : Why));
}

void VxCopyFileReplacing(const QString& Source, const QString& Target)
{
    constexpr qint64 Block = 64 * 1024;
    QFile In(Source);
    if (!In.open(QIODevice::ReadOnly))
        throw EVxFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(Source, In.errorString()));
    TVxDownloadTarget Out(Target, Block);
    Out.OpenTemporary();
    for (;;) {
        const qint64 N = In.read(Out.Space(), Block);
        if (N < 0)
            throw EVxFileError(QStringLiteral("Cannot read file \"%1\". %2").arg(Source, In.errorString()));
        if (N == 0)
            break;
        Out.Written(N);
    }
    Out.Finish();
}
