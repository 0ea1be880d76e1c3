// TVxInfoExtractor::ParseData on any page (pages come from outside): never crashes or
// hangs, and lists exactly what a plain scan at every position lists.
#include <vedidoredo/vxixtract.h>

#include <QFile>
#include <QStringList>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class TFuzzExtractor : public TVxInfoExtractor {
public:
    TFuzzExtractor() { SetLocalFileName(PrivateFileName(QStringLiteral("page.html"))); }
    using TVxCustomWebUpdater::LocalFileName;
};

// The reference: test the prefix at every position; a link runs to the first terminator
// and the scan goes on after it.
QStringList ReferenceScan(const char* Data, size_t Size, const char* Prefix)
{
    QStringList Links;
    const size_t Length = std::strlen(Prefix);
    size_t I = 0;
    while (I < Size) {
        if (Size - I >= Length && std::memcmp(Data + I, Prefix, Length) == 0) {
            size_t J = I;
            while (J < Size && !std::strchr(" \"#%<>[\\]^`{|}~", Data[J] ? Data[J] : 1))
                ++J;
            Links << QString::fromLatin1(Data + I, qsizetype(J - I));
            I = J + 1;
        } else {
            ++I;
        }
    }
    return Links;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    // The first byte picks the kind, the rest is the page.
    if (Size == 0)
        return 0;
    static TFuzzExtractor Extractor;
    const auto Kind = TVxIExtract(Data[0] % VxExtractKindCount);
    const char* Page = reinterpret_cast<const char*>(Data + 1);
    QFile File(Extractor.LocalFileName());
    if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate) || File.write(Page, qint64(Size - 1)) != qint64(Size - 1))
        std::abort();
    File.close();
    Extractor.SetExtract(Kind);
    Extractor.ParseData();
    if (Extractor.ExtractedInfo() != ReferenceScan(Page, Size - 1, VxExtractPrefix(Kind)))
        std::abort();
    return 0;
}
