/// \file
/// The link extractor: downloads a page (or any remote file) into a private temporary file
/// with the web updater's run and lists every link of one kind found in it.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/vxiupdate.h>

#include <QByteArrayView>
#include <QString>
#include <QStringList>

/// The enumerations of the link extractor, also in the global namespace (`ieHTTP`).
namespace VxExtractEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
/// The kind of link to look for; each searches for its prefix (VxExtractPrefix).
enum TVxIExtract {
    ieMailTo,  ///< "mailto:" addresses (the default)
    ieHTTP,    ///< "http://" links
    itHTTPS,   ///< "https://" links
    itFTP,     ///< "ftp://" links
    itFile,    ///< "file://" links
    itTelnet,  ///< "telnet:" links
    itNews,    ///< "news:" links
    itGopher,  ///< "gopher://" links
    itWais     ///< "wais:" links
};
Q_ENUM_NS(TVxIExtract)
}  // namespace VxExtractEnums
using VxExtractEnums::TVxIExtract;
using enum VxExtractEnums::TVxIExtract;

/// The number of link kinds.
inline constexpr int VxExtractKindCount = itWais + 1;

/// The prefix each kind searches for: "mailto:", "http://", "https://", "ftp://", "file://",
/// "telnet:", "news:", "gopher://", "wais:".
VX_CORE_EXPORT const char* VxExtractPrefix(TVxIExtract Kind);

/// True for the bytes that end a link: space, '"', '#', '%', '<', '>', '[', '\\', ']', '^',
/// '`', '{', '|', '}' and '~' (the end of the text ends one too). Line breaks, tabs and the
/// apostrophe do not.
VX_CORE_EXPORT bool VxIsLinkTerminator(unsigned char Byte);

/// Every link of Kind in Data, one byte per character, in the order they appear and
/// duplicates kept: each starts with the prefix (case-sensitive) and runs up to the first
/// terminator; the scan goes on after that terminator.
VX_CORE_EXPORT QStringList VxExtractLinks(QByteArrayView Data, TVxIExtract Kind);

/// The link extractor: downloads a page and lists the links of the kind Extract names in ExtractedInfo. See \ref links.cpp.
class VX_CORE_EXPORT TVxInfoExtractor : public TVxCustomWebUpdater {
    Q_OBJECT
    Q_PROPERTY(TVxIExtract Extract READ Extract WRITE SetExtract)
    Q_PROPERTY(QStringList ExtractedInfo READ ExtractedInfo)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxInfoExtractor(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxInfoExtractor() override;

    /// The kind of link listed (ieMailTo by default).
    TVxIExtract Extract() const { return FExtract; }
    /// Sets Extract().
    void SetExtract(TVxIExtract Value) { CheckChange("Extract"); FExtract = Value; }
    /// The links of the last ParseData.
    const QStringList& ExtractedInfo() const { return FExtractedInfo; }

    /// Also deletes the file downloaded for the previous name: the next run downloads.
    void SetRemoteFileName(const QString& Value) override;

    // Downloads the page when it changed, then extracts from it (also when the download
    // was skipped because the file is unchanged). A failed run leaves ExtractedInfo alone.
    Q_INVOKABLE bool Execute() override;
    /// Extracts again from the file already downloaded; raises EVxFileError when there is
    /// none yet.
    /// Reads the downloaded file again into ExtractedInfo.
    Q_INVOKABLE void ParseData();

private:
    QStringList FExtractedInfo;
    TVxIExtract FExtract = ieMailTo;
};
