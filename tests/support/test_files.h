// Small file helpers for tests that prepare and check local files.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

inline bool WriteFile(const QString& Path, const QByteArray& Data)
{
    QFile F(Path);
    return F.open(QIODevice::WriteOnly | QIODevice::Truncate) && F.write(Data) == Data.size();
}

inline QByteArray ReadFile(const QString& Path)
{
    QFile F(Path);
    return F.open(QIODevice::ReadOnly) ? F.readAll() : QByteArray("<missing>");
}

inline bool SetModified(const QString& Path, const QDateTime& Time)
{
    QFile F(Path);
    return F.open(QIODevice::ReadWrite) && F.setFileTime(Time, QFileDevice::FileModificationTime);
}

inline QDateTime Modified(const QString& Path)
{
    return QFileInfo(Path).lastModified().toUTC();
}

// Writes a file, making the directories on its path; with a valid Time, also sets its
// modification time.
inline bool WriteTree(const QString& Path, const QByteArray& Data, const QDateTime& Time = {})
{
    QDir().mkpath(QFileInfo(Path).path());
    return WriteFile(Path, Data) && (!Time.isValid() || SetModified(Path, Time));
}

// A file of Size bytes that takes no room on the disk (a hole throughout), for sizes past
// what any test should transfer; with a valid Time, its modification time.
inline bool WriteSparse(const QString& Path, qint64 Size, const QDateTime& Time = {})
{
    QDir().mkpath(QFileInfo(Path).path());
    QFile F(Path);
    return F.open(QIODevice::WriteOnly | QIODevice::Truncate) && F.resize(Size) &&
           (!Time.isValid() || F.setFileTime(Time, QFileDevice::FileModificationTime));
}
