// Where a download goes (internal to the library): the local file itself (resuming), or
// a temporary file beside it that replaces it by an atomic rename when the download is
// complete and is removed otherwise, so the local file is never left half-written.
#pragma once

#include <QFile>
#include <QString>

#include <vector>

class TVxDownloadTarget {
public:
    // Blocks up to BlockSize bytes are read straight into the write buffer.
    TVxDownloadTarget(const QString& Final, qint64 BlockSize);
    ~TVxDownloadTarget();
    TVxDownloadTarget(const TVxDownloadTarget&) = delete;
    TVxDownloadTarget& operator=(const TVxDownloadTarget&) = delete;

    // The local file itself, for writing on after what it holds.
    void OpenInPlace();
    qint64 Size() const { return FFile.size(); }
    // Keeps the first Position bytes and writes on after them.
    void StartAt(qint64 Position);
    // A new temporary file beside the local one, with the local file's permissions.
    void OpenTemporary();

    // Room for the next block, and how much of it was filled.
    char* Space() { return FBuffer.data() + FFill; }
    void Written(qint64 N);

    // Writes what is left and, for a temporary file, puts it in the local file's place.
    void Finish();
    // Drops a temporary file; a local file written in place keeps what it got.
    void Discard();

private:
    void Write(const char* Data, size_t N);
    [[noreturn]] void Fail(const QString& What, const QString& Why = {});

    QString FFinal;
    QString FTemporary;
    QFile FFile;
    std::vector<char> FBuffer;
    size_t FFill = 0;
};

// Copies Source over Target the same way: through a temporary file beside Target that
// replaces it whole, so Target is either as it was or a complete copy. A file that cannot
// be read or written raises EVxFileError.
void VxCopyFileReplacing(const QString& Source, const QString& Target);
