// The link directory's data: cache files, the model, and the refreshing run.
#include <vedidoredo/VxWebDirectory.h>
#include <vedidoredo/platform/VxException.h>
#include "platform/VxIniFile.h"
#include "platform/VxProcess.h"
#include "platform/VxDownloadTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QVariantMap>


TVxDirectory VxReadDirectory(const TVxIniFile& Current, const TVxIniFile* Previous)
{
    TVxDirectory Result;
    for (const QString& Section : Current.Sections()) {
        TVxDirectoryCategory Category{Section, {}};
        for (const TVxIniLine& Line : Current.SectionLines(Section)) {
            const bool New = !Previous || Previous->ReadString(Section, Line.Key).isEmpty();
            Category.Links.append({Line.Value, Line.Key, New});
        }
        Result.append(std::move(Category));
    }
    return Result;
}

TVxDirectory VxReadDirectory(const QString& CurrentFile, const QString& PreviousFile)
{
    const TVxIniFile Current = TVxIniFile::FromFile(CurrentFile);
    if (!QFileInfo::exists(PreviousFile))
        return VxReadDirectory(Current, nullptr);
    const TVxIniFile Previous = TVxIniFile::FromFile(PreviousFile);
    return VxReadDirectory(Current, &Previous);
}

QVariantList VxDirectoryToVariant(const TVxDirectory& Directory)
{
    QVariantList Categories;
    for (const TVxDirectoryCategory& C : Directory) {
        QVariantList Links;
        for (const TVxDirectoryLink& L : C.Links)
            Links.append(QVariantMap{{QStringLiteral("Caption"), L.Caption},
                                     {QStringLiteral("Url"), L.Url},
                                     {QStringLiteral("New"), L.New}});
        Categories.append(QVariantMap{{QStringLiteral("Caption"), C.Caption}, {QStringLiteral("Links"), Links}});
    }
    return Categories;
}

namespace {

// Whether a file can be made in Dir: tried, since permissions alone do not tell (a
// read-only mount, a directory that is a file, root's rights).
bool CanCreateFilesIn(const QString& Dir)
{
    QTemporaryFile Probe(Dir + QStringLiteral("/.vx-probe-XXXXXX"));
    return Probe.open();
}

}  // namespace

QString VxWebDirectCacheFile(const QString& ExecutablePath)
{
    const QFileInfo Exe(ExecutablePath);
    const QString Name = Exe.completeBaseName() + QStringLiteral(".wdx");
    if (!ExecutablePath.isEmpty() && CanCreateFilesIn(Exe.absolutePath()))
        return Exe.absoluteDir().filePath(Name);
    // An installed program (under /usr/bin, say) keeps its cache in the user's cache
    // directory instead of failing every run.
    const QString Cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(Cache);
    return QDir(Cache).filePath(Name);
}

QString VxWebDirectPreviousFile(const QString& CacheFile)
{
    const QFileInfo Info(CacheFile);
    return Info.dir().filePath(Info.completeBaseName() + QStringLiteral(".~wdx"));
}

TVxCustomWebDirect::TVxCustomWebDirect(QObject* Owner)
    : TVxCustomWebUpdater(Owner), FTitle(QStringLiteral("Quillmoss WebDirect"))
{
    SetLocalFileName(VxWebDirectCacheFile(VxExecutablePath()));
}

TVxCustomWebDirect::~TVxCustomWebDirect()
{
    EndRun();
}

TVxDirectory TVxCustomWebDirect::Categories() const
{
    return VxReadDirectory(CacheFileName(), PreviousCacheFileName());
}

QVariantList TVxCustomWebDirect::Directory() const
{
    return VxDirectoryToVariant(Categories());
}

bool TVxCustomWebDirect::ShowsAfter(bool Result) const
{
    return FShowMode == omAlways || (FShowMode == omIfChanged && Result && Status() == isFinished);
}

bool TVxCustomWebDirect::Execute()
{
    const QString Current = CacheFileName();
    if (QFileInfo::exists(Current)) {
        // Through a copy beside the target and a rename, so that the previous cache is
        // either the old one or a whole copy of the current one.
        VxCopyFileReplacing(Current, PreviousCacheFileName());
    }
    const bool Result = TVxCustomWebUpdater::Execute();
    if (ShowsAfter(Result))
        RunCallback([this] { ShowDirectory(true); });
    return Result;
}

void TVxCustomWebDirect::ShowDirectory(bool) {}
