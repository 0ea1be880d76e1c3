// The link extractor: downloads a page (or any remote file) into a private temporary file
// with the web updater's run and lists every link of one kind found in it.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/vxiupdate.h>

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace VxExtractEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
// The kind of link to look for; each searches for its prefix (VxExtractPrefix).
enum TVxIExtract { ieMailTo, ieHTTP, itHTTPS, itFTP, itFile, itTelnet, itNews, itGopher, itWais };
Q_ENUM_NS(TVxIExtract)
}  // namespace VxExtractEnums
using VxExtractEnums::TVxIExtract;
using enum VxExtractEnums::TVxIExtract;

inline constexpr int VxExtractKindCount = itWais + 1;

// The prefix each kind searches for: "mailto:", "http://", "https://", "ftp://", "file://",
// "telnet:", "news:", "gopher://", "wais:".
VX_CORE_EXPORT const char* VxExtractPrefix(TVxIExtract Kind);

// True for the bytes that end a link: space, '"', '#', '%', '<', '>', '[', '\\', ']', '^',
// '`', '{', '|', '}' and '~' (the end of the text ends one too). Line breaks, tabs and the
// apostrophe do not.
VX_CORE_EXPORT bool VxIsLinkTerminator(unsigned char Byte);

// Every link of Kind in Data, one byte per character, in the order they appear and
// duplicates kept: each starts with the prefix (case-sensitive) and runs up to the first
// terminator; the scan goes on after that terminator.
VX_CORE_EXPORT QStringList VxExtractLinks(QByteArrayView Data, TVxIExtract Kind);

class VX_CORE_EXPORT TVxInfoExtractor : public TVxCustomWebUpdater {
    Q_OBJECT
    Q_PROPERTY(TVxIExtract Extract READ Extract WRITE SetExtract)
    Q_PROPERTY(QStringList ExtractedInfo READ ExtractedInfo)
public:
    explicit TVxInfoExtractor(QObject* Owner = nullptr);
    ~TVxInfoExtractor() override;

    TVxIExtract Extract() const { return FExtract; }
    void SetExtract(TVxIExtract Value) { CheckChange("Extract"); FExtract = Value; }
    // The links of the last ParseData.
    const QStringList& ExtractedInfo() const { return FExtractedInfo; }

    // Also deletes the file downloaded for the previous name: the next run downloads.
    void SetRemoteFileName(const QString& Value) override;

    // Downloads the page when it changed, then extracts from it (also when the download
    // was skipped because the file is unchanged). A failed run leaves ExtractedInfo alone.
    Q_INVOKABLE bool Execute() override;
    // Extracts again from the file already downloaded; raises EVxFileError when there is
    // none yet.
    Q_INVOKABLE void ParseData();

private:
    QStringList FExtractedInfo;
    TVxIExtract FExtract = ieMailTo;
};
