/// \file
/// A small reader of INI text with the platform's rules, for files whose keys are
/// addresses: unlike QSettings it keeps keys containing "/", "%" and "\" as written.
///
/// Rules: sections in file order; lines end in LF or CR LF; a section line is "[name]"
/// (blanks inside the brackets trimmed); in a section, a key ends at the first "=", and
/// blanks around the key and the value are trimmed; a value in matching quotes (" or ')
/// loses them; lines beginning with ";" and lines without "=" are ignored, and so are the
/// lines before the first section. Section names and keys compare without case. A section
/// that occurs twice is one section holding the lines of both. A missing file has no
/// sections. The text is UTF-8 (a byte order mark is dropped), or Latin-1 where it is not
/// valid UTF-8.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

/// One key=value line of a section.
struct VX_CORE_EXPORT TVxIniLine {
    /// The text before the first "=".
    QString Key;
    /// The text after it.
    QString Value;
};

/// INI text read into sections of key=value lines, keys kept as written.
class VX_CORE_EXPORT TVxIniFile {
public:
    TVxIniFile() = default;
    /// Reads Text (UTF-8, or Latin-1 where it is not UTF-8).
    explicit TVxIniFile(const QByteArray& Text);
    /// Reads the file; a file that is missing or cannot be read has no sections.
    static TVxIniFile FromFile(const QString& FileName);

    /// The section names in file order, as first written.
    QStringList Sections() const;
    /// Every key=value line of the section in file order, duplicates included; none for
    /// an unknown section.
    QList<TVxIniLine> SectionLines(const QString& Section) const;
    /// The value of the first line with Key in Section, or Default.
    QString ReadString(const QString& Section, const QString& Key, const QString& Default = {}) const;

private:
    struct TSection {
        QString Name;
        QList<TVxIniLine> Lines;
    };
    const TSection* Find(const QString& Section) const;

    QList<TSection> FSections;
    QHash<QString, qsizetype> FIndex;  ///< case-folded name -> index in FSections
};
