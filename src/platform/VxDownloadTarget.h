// Where a download goes (internal to the library): a temporary file beside the local
// file that replaces it by an atomic rename when the download is complete and is removed
// otherwise, so the local file is never left half-written. A resumable download goes to
// a partial file of its own beside the local file instead, which an interrupted run
// leaves, with a note of what it is the start of, for the next run to continue.
//
// Beside a local file FILE: FILE.~vxNNNNNN (a temporary file; one that no running
// download holds is stale and removed by the next download to FILE), FILE.~vxpart (the
// partial file) and FILE.~vxinfo (its note).
#pragma once

#include <QByteArray>
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

    // A new temporary file beside the local one, with the local file's permissions.
    void OpenTemporary();
    // The partial file, with what an interrupted run left in it (created when missing);
    // false when another download is writing it right now.
    bool OpenPartial();
    qint64 Size() const { return FFile.size(); }
    // The note kept with the partial file: what its bytes are the start of (empty when
    // none). SetPartialInfo replaces it; an empty one removes it.
    QByteArray PartialInfo() const;
    void SetPartialInfo(const QByteArray& Info);
    // Keeps the first Position bytes and writes on after them.
    void StartAt(qint64 Position);

    // Room for the next block, and how much of it was filled.
    char* Space() { return FBuffer.data() + FFill; }
    void Written(qint64 N);

    // Writes what is left and puts the file in the local file's place; the partial file
    // and its note, if any, are gone afterwards.
    void Finish();
    // Drops a temporary file; a partial file keeps what arrived.
    void Discard();

    // The names beside Final.
    static QString PartialName(const QString& Final);
    static QString InfoName(const QString& Final);

private:
    void Write(const char* Data, size_t N);
    [[noreturn]] void Fail(const QString& What, const QString& Why = {});

    QString FFinal;
    QString FTemporary;  // registered for removal on a signal while set
    bool FPartial = false;
    QFile FFile;
    std::vector<char> FBuffer;
    size_t FFill = 0;
};

// Copies Source over Target the same way: through a temporary file beside Target that
// replaces it whole, so Target is either as it was or a complete copy. A file that cannot
// be read or written raises EVxFileError.
void VxCopyFileReplacing(const QString& Source, const QString& Target);
