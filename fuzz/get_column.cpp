// GetColumn on any text, index and separator: never crashes, and gives the part that
// splitting at the separator gives (a lone tab being empty).
#include <vedidoredo/vxiutil.h>

#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    if (Size < 3)
        return 0;
    // Byte 0: the index (-8..247); byte 1: the separator; the rest: the text.
    const int Index = int(Data[0]) - 8;
    const QChar Separator = QLatin1Char(char(Data[1]));
    const QString S = QString::fromUtf8(reinterpret_cast<const char*>(Data + 2), qsizetype(Size - 2));
    const QString Column = GetColumn(S, Index, Separator);
    const QString Expected = (S == QLatin1String("\t") || Index < 0) ? QString() : S.split(Separator).value(Index);
    if (Column != Expected)
        std::abort();
    return 0;
}
