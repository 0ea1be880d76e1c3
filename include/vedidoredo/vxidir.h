// The remote file lister: the entries of an FTP directory, or of a local or network
// directory, into a string list, optionally with every subdirectory.
#pragma once

#include <vedidoredo/vxiupdate.h>

#include <QStringList>

// Lines: for FTP the bare name when Directory ("/" when empty) is the server's current
// directory, else the directory joined with the name; subdirectories follow after the
// whole level. For a directory path, Directory + "/" + name, each subdirectory's lines
// right after its own line. Directories, "." and ".." are listed like files. Outcomes:
// isFinished (lines found), isNotFound (nothing listed; always for HTTP and HTTPS),
// isFailed (no connection).
class VX_CORE_EXPORT TVxRemoteFiles : public TVxCustomWebComponent {
    Q_OBJECT
    Q_PROPERTY(QString Directory READ Directory WRITE SetDirectory)
    Q_PROPERTY(QString WildCard READ WildCard WRITE SetWildCard)
    Q_PROPERTY(bool SubFolders READ SubFolders WRITE SetSubFolders)
    Q_PROPERTY(QStringList FileList READ FileList)
public:
    explicit TVxRemoteFiles(QObject* Owner = nullptr);
    ~TVxRemoteFiles() override;

    QString Directory() const { return FDirectory; }
    void SetDirectory(const QString& Value) { CheckChange("Directory"); FDirectory = Value; }
    // A Windows-style mask; "*.*" lists every name.
    QString WildCard() const { return FWildCard; }
    void SetWildCard(const QString& Value) { CheckChange("WildCard"); FWildCard = Value; }
    bool SubFolders() const { return FSubFolders; }
    void SetSubFolders(bool Value) { CheckChange("SubFolders"); FSubFolders = Value; }
    QStringList FileList() const { return FFileList; }

protected:
    void InternalExecute() override;

private:
    QString FDirectory;
    QString FWildCard = QStringLiteral("*.*");
    bool FSubFolders = false;
    QStringList FFileList;
};
