// The weather client's temperature read on arbitrary pages.
#include <vedidoredo/VxIWeath.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString Page = QString::fromLatin1(reinterpret_cast<const char*>(Data), qsizetype(Size));
    TVxWeatherInfo::ReadTemperature(Page);
    return 0;
}
