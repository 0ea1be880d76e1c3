// The daytime decoder on arbitrary answers: a value or a conversion error, nothing else.
#include <vedidoredo/VxITime.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString Answer = QString::fromLatin1(reinterpret_cast<const char*>(Data), qsizetype(Size));
    try {
        TVxInetDateTime::DecodeDaytime(Answer);
    } catch (const EVxConvertError&) {
    }
    return 0;
}
