#include "platform/VxDownloadTarget.h"

#include <vedidoredo/platform/VxException.h>

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
// The buffer goes to the disk in writes of 16 KiB: whole pages (partial pages cost the
// kernel extra work), and small enough to keep the page cache's write path fast.
constexpr size_t Chunk = 16 * 1024;
}  // namespace

TVxDownloadTarget::TVxDownloadTarget(const QString& Final, qint64 BlockSize)
    : FFinal(Final), FBuffer(Chunk + static_cast<size_t>(BlockSize))
{
}

TVxDownloadTarget::~TVxDownloadTarget()
{
    if (!FTemporary.isEmpty()) {
        FFile.close();
        QFile::remove(FTemporary);
    }
}

void TVxDownloadTarget::OpenInPlace()
{
    FFile.setFileName(FFinal);
    if (!FFile.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        Fail(QStringLiteral("Cannot create file"));
}

void TVxDownloadTarget::StartAt(qint64 Position)
{
    if (!FFile.resize(Position) || !FFile.seek(Position))
        Fail(QStringLiteral("Cannot write file"));
}

void TVxDownloadTarget::OpenTemporary()
{
    // Created new, with the permissions of the file it replaces (or the usual ones).
    for (int Attempt = 0; Attempt < 100 && !FFile.isOpen(); ++Attempt) {
        FTemporary = QStringLiteral("%1.~vx%2").arg(FFinal).arg(QRandomGenerator::global()->bounded(1000000), 6, 10,
                                                                  QLatin1Char('0'));
        FFile.setFileName(FTemporary);
        if (FFile.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            break;
        if (FFile.error() != QFileDevice::OpenError || !QFile::exists(FTemporary)) {
            FTemporary.clear();
            Fail(QStringLiteral("Cannot create file"));
        }
    }
    if (!FFile.isOpen()) {
        FTemporary.clear();
        Fail(QStringLiteral("Cannot create file"));
    }
    if (QFile::exists(FFinal))
        FFile.setPermissions(QFile::permissions(FFinal));
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
    FFile.close();
    if (!FTemporary.isEmpty()) {
        if (::rename(QFile::encodeName(FTemporary).constData(), QFile::encodeName(FFinal).constData()) != 0)
            Fail(QStringLiteral("Cannot replace file"), QString::fromLocal8Bit(std::strerror(errno)));
        FTemporary.clear();
    }
}

void TVxDownloadTarget::Discard()
{
    FFill = 0;
    FFile.close();  // the destructor removes a temporary file
}

void TVxDownloadTarget::Write(const char* Data, size_t N)
{
    if (N > 0 && FFile.write(Data, static_cast<qint64>(N)) != static_cast<qint64>(N))
        Fail(QStringLiteral("Cannot write file"));
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
