/// \file
/// The remote file lister: the entries of an FTP directory, or of a local or network
/// directory, into a string list, optionally with every subdirectory.
#pragma once

#include <vedidoredo/vxiupdate.h>

#include <QStringList>

/// Lines: for FTP the bare name when Directory ("/" when empty) is the server's current
/// directory, else the directory joined with the name; subdirectories follow after the
/// whole level. For a directory path, Directory + "/" + name, each subdirectory's lines
/// right after its own line. Directories, "." and ".." are listed like files. Outcomes:
/// isFinished (lines found), isNotFound (nothing listed; always for HTTP and HTTPS),
/// isFailed (no connection).
///
/// Example: \ref listing.cpp
class VX_CORE_EXPORT TVxRemoteFiles : public TVxCustomWebComponent {
    Q_OBJECT
    Q_PROPERTY(QString Directory READ Directory WRITE SetDirectory)
    Q_PROPERTY(QString WildCard READ WildCard WRITE SetWildCard)
    Q_PROPERTY(bool SubFolders READ SubFolders WRITE SetSubFolders)
    Q_PROPERTY(QStringList FileList READ FileList)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxRemoteFiles(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxRemoteFiles() override;

    /// The directory to list: an FTP path as SetUrl reads it, or a local path.
    QString Directory() const { return FDirectory; }
    /// Sets Directory().
    void SetDirectory(const QString& Value) { CheckChange("Directory"); FDirectory = Value; }
    /// A Windows-style mask; "*.*" lists every name.
    QString WildCard() const { return FWildCard; }
    /// Sets WildCard().
    void SetWildCard(const QString& Value) { CheckChange("WildCard"); FWildCard = Value; }
    /// Whether every subdirectory is listed too (false by default).
    bool SubFolders() const { return FSubFolders; }
    /// Sets SubFolders().
    void SetSubFolders(bool Value) { CheckChange("SubFolders"); FSubFolders = Value; }
    /// The entries of the last run, one line each.
    QStringList FileList() const { return FFileList; }

protected:
    void InternalExecute() override;
    QString UrlPath() const override;  ///< Directory
    /// Sets UrlPath().
    void SetUrlPath(const QString& Value) override;

private:
    QString FDirectory;
    QString FWildCard = QStringLiteral("*.*");
    bool FSubFolders = false;
    QStringList FFileList;
};
