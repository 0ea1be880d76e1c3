// The DNS reply decoder on arbitrary messages.
#include <vedidoredo/VxIDNSReply.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QByteArray Message(reinterpret_cast<const char*>(Data), qsizetype(Size));
    const TVxDNSReply Reply = VxDecodeDNSReply(Message);
    Reply.Records();
    Reply.Report();
    return 0;
}
