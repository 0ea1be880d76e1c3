/// \file
/// The link directory without windows: the directory file (INI text, one section per
/// category, one "address=caption" line per link), its two cache files, the model of
/// categories and links marked new or known, and the component that refreshes the cache
/// from a server. The window that shows it is TVxWebDirect (vxidirect.h, in
/// VeDidoredo::Widgets); `vx directory` prints the same model on the terminal.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/vxiupdate.h>

#include <QList>
#include <QString>
#include <QVariantList>

class TVxIniFile;

/// The enumerations of the link directory, also in the global namespace (`omAlways`).
namespace VxDirectEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
/// When Execute shows the directory: after every run, never, or after a run that
/// downloaded a changed file.
enum TVxIShowMode {
    omAlways,    ///< after every run (the default)
    omNever,     ///< never; Show and ShowModal show it
    omIfChanged  ///< after a run that downloaded a changed file
};
Q_ENUM_NS(TVxIShowMode)
}  // namespace VxDirectEnums
using VxDirectEnums::TVxIShowMode;
using enum VxDirectEnums::TVxIShowMode;

/// One link of the directory.
struct VX_CORE_EXPORT TVxDirectoryLink {
    /// The text shown for the link.
    QString Caption;
    QString Url;       ///< the address that is opened
    bool New = false;  ///< not in the previous directory
};

/// One category of the directory: an INI section and its links.
struct VX_CORE_EXPORT TVxDirectoryCategory {
    /// The category's name (the section's).
    QString Caption;
    /// The category's links, in file order.
    QList<TVxDirectoryLink> Links;
};

/// The categories of a directory, in file order.
using TVxDirectory = QList<TVxDirectoryCategory>;

/// The categories and links of Current in file order. Without Previous every link is new;
/// with it, a link is new when Previous has no value for its address in the section of
/// the same name, so a changed caption keeps a link known.
VX_CORE_EXPORT TVxDirectory VxReadDirectory(const TVxIniFile& Current, const TVxIniFile* Previous);
/// The same from files; a missing current file gives no categories, a missing previous
/// file marks every link new.
VX_CORE_EXPORT TVxDirectory VxReadDirectory(const QString& CurrentFile, const QString& PreviousFile);
/// [{"Caption": ..., "Links": [{"Caption": ..., "Url": ..., "New": ...}]}] as variants.
VX_CORE_EXPORT QVariantList VxDirectoryToVariant(const TVxDirectory& Directory);

/// The current cache file of a program: beside its executable with the extension ".wdx"
/// where that directory can be written, else the same name in the user's cache directory.
VX_CORE_EXPORT QString VxWebDirectCacheFile(const QString& ExecutablePath);
/// The previous cache file that belongs to a current one: the extension ".~wdx".
VX_CORE_EXPORT QString VxWebDirectPreviousFile(const QString& CacheFile);

/// Refreshes the directory's cache file from RemoteFileName with the updater's run, after
/// copying the current cache over the previous one, so that the entries a download brings
/// are the new ones. Showing is left to ShowDirectory, which TVxWebDirect implements.
///
/// Example: \ref webdirect.cpp
class VX_CORE_EXPORT TVxCustomWebDirect : public TVxCustomWebUpdater {
    Q_OBJECT
    Q_PROPERTY(TVxIShowMode ShowMode READ ShowMode WRITE SetShowMode)
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
    Q_PROPERTY(QString CacheFileName READ CacheFileName WRITE SetCacheFileName)
    Q_PROPERTY(QVariantList Directory READ Directory)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxCustomWebDirect(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxCustomWebDirect() override;

    /// When Execute shows the directory (omAlways by default).
    TVxIShowMode ShowMode() const { return FShowMode; }
    /// Sets ShowMode().
    void SetShowMode(TVxIShowMode Value) { CheckChange("ShowMode"); FShowMode = Value; }
    /// The window's title.
    QString Title() const { return FTitle; }
    /// Sets Title().
    void SetTitle(const QString& Value) { CheckChange("Title"); FTitle = Value; }
    /// The current cache file; the previous one is beside it (VxWebDirectPreviousFile).
    /// Set by the constructor from the executable's path.
    QString CacheFileName() const { return LocalFileName(); }
    /// Sets CacheFileName().
    void SetCacheFileName(const QString& Value) { CheckChange("CacheFileName"); SetLocalFileName(Value); }
    /// The cache of the run before (".~wdx"), beside the cache.
    QString PreviousCacheFileName() const { return VxWebDirectPreviousFile(LocalFileName()); }

    /// The cached directory with its new/known marks, read from the cache files now.
    TVxDirectory Categories() const;
    /// The same as variants (see VxDirectoryToVariant).
    QVariantList Directory() const;

    /// Copies the current cache over the previous one, runs the updater, then shows the
    /// directory (waiting) as ShowMode says. Returns the updater's result.
    bool Execute() override;
    /// Whether Execute shows the directory after a run that returned Result.
    bool ShowsAfter(bool Result) const;

protected:
    /// Shows the cached directory; Wait asks to return only when it is closed. Nothing
    /// here: this component has no windows.
    virtual void ShowDirectory(bool Wait);

private:
    QString FTitle;
    TVxIShowMode FShowMode = omAlways;
};
