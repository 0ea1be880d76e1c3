// VxMatchesMask on any name and mask (both come from outside: file names from servers,
// masks from users): never crashes or hangs, and keeps its basic promises.
#include <vedidoredo/vxiutil.h>

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    // The mask, a line feed, the name (UTF-8).
    const QString Input = QString::fromUtf8(reinterpret_cast<const char*>(Data), qsizetype(Size));
    const qsizetype Split = Input.indexOf(QLatin1Char('\n'));
    if (Split < 0)
        return 0;
    const QString Mask = Input.left(Split);
    const QString Name = Input.mid(Split + 1);
    const bool Match = VxMatchesMask(Name, Mask);
    if (!VxMatchesMask(Name, QStringLiteral("*")) || !VxMatchesMask(Name, QStringLiteral("*.*")))
        std::abort();
    // A mask without wildcards matches its own text.
    if (!Mask.contains(QLatin1Char('*')) && !Mask.contains(QLatin1Char('?')) && !VxMatchesMask(Mask, Mask))
        std::abort();
    // A star in front can only add matches.
    if (Match && !VxMatchesMask(Name, QLatin1Char('*') + Mask))
        std::abort();
    return 0;
}
