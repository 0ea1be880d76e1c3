// The link extractor: a byte scan of the downloaded file for the links of one kind.
#include <vedidoredo/vxixtract.h>

#include <vedidoredo/platform/VxException.h>

#include <QFile>
#include <QFileInfo>
#include <array>
#include <cstring>

namespace {

constexpr const char* Prefixes[VxExtractKindCount] = {
    "mailto:", "http://", "https://", "ftp://", "file://", "telnet:", "news:", "gopher://", "wais:",
};

constexpr std::array<bool, 256> MakeTerminators()
{
    std::array<bool, 256> Table{};
    for (const unsigned char C : std::string_view(" \"#%<>[\\]^`{|}~"))
        Table[C] = true;
    return Table;
}
constexpr std::array<bool, 256> Terminators = MakeTerminators();

}  // namespace

const char* VxExtractPrefix(TVxIExtract Kind)
{
    return Kind >= 0 && Kind < VxExtractKindCount ? Prefixes[Kind] : "";
}

bool VxIsLinkTerminator(unsigned char Byte)
{
    return Terminators[Byte];
}

QStringList VxExtractLinks(QByteArrayView Data, TVxIExtract Kind)
{
    QStringList Links;
    if (Kind < 0 || Kind >= VxExtractKindCount)
        return Links;
    // Every prefix holds exactly one colon, and no other byte of it is a colon: memchr for
    // the colon finds the candidates, left to right, as a test at every position would.
    const char* Prefix = Prefixes[Kind];
    const qsizetype Length = qsizetype(std::strlen(Prefix));
    const qsizetype Colon = std::strchr(Prefix, ':') - Prefix;
    const char* const End = Data.data() + Data.size();
    const char* Pos = Data.data();  // where the next link may start
    while (End - Pos >= Length) {
        // The colon of a prefix that starts at Pos .. End - Length.
        const void* Found = std::memchr(Pos + Colon, ':', size_t(End - Length - Pos + 1));
        if (!Found)
            break;
        const char* Start = static_cast<const char*>(Found) - Colon;
        if (*Start != *Prefix || std::memcmp(Start, Prefix, size_t(Length)) != 0) {
            Pos = Start + 1;
            continue;
        }
        // No prefix holds a terminator, so the link runs at least to the prefix's end.
        const char* Stop = Start + Length;
        while (Stop < End && !Terminators[static_cast<unsigned char>(*Stop)])
            ++Stop;
        Links.append(QString::fromLatin1(Start, Stop - Start));
        if (Stop == End)
            break;
        Pos = Stop + 1;
    }
    return Links;
}

TVxInfoExtractor::TVxInfoExtractor(QObject* Owner) : TVxCustomWebUpdater(Owner) {}

// The private directory, and the download in it, go with the updater.
TVxInfoExtractor::~TVxInfoExtractor()
{
    EndRun();
}

void TVxInfoExtractor::SetRemoteFileName(const QString& Value)
{
    CheckChange("RemoteFileName");
    TVxCustomWebUpdater::SetRemoteFileName(Value);
    UseTemporaryLocalFile(Value);
}

bool TVxInfoExtractor::Execute()
{
    const bool Result = ExecuteIntoTemporaryFile();
    if (Result && QFileInfo::exists(LocalFileName()))
        ParseData();
    return Result;
}

void TVxInfoExtractor::ParseData()
{
    FExtractedInfo.clear();
    if (LocalFileName().isEmpty())
        throw EVxFileError(QStringLiteral("Cannot open the downloaded file: nothing has been downloaded yet"));
    QFile File(LocalFileName());
    if (!File.open(QIODevice::ReadOnly))
        throw EVxFileError(QStringLiteral("Cannot open file \"%1\". %2").arg(LocalFileName(), File.errorString()));
    const qint64 Size = File.size();
    if (Size <= 0)
        return;
    // Mapped rather than read: a page is scanned once, in place.
    if (uchar* Map = File.map(0, Size)) {
        FExtractedInfo = VxExtractLinks(QByteArrayView(Map, Size), FExtract);
        File.unmap(Map);
        return;
    }
    const QByteArray Bytes = File.readAll();
    if (File.error() != QFileDevice::NoError)
        throw EVxFileError(QStringLiteral("Cannot read file \"%1\". %2").arg(LocalFileName(), File.errorString()));
    FExtractedInfo = VxExtractLinks(Bytes, FExtract);
}
