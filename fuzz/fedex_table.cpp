// The FedEx tracker's section cutting and table flattening on arbitrary pages.
#include <vedidoredo/VxIFedEx.h>

#include "socket_clients/VxSocketText.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString Page = QString::fromLatin1(reinterpret_cast<const char*>(Data), qsizetype(Size));
    QStringList Info, Activity;
    TVxFedExTracker::ReadSections(Page, Info, Activity);
    const QString Flat = VxFlattenHTMLTable(Page);
    if (Flat.contains(QLatin1String("==")))
        __builtin_trap();
    return 0;
}
