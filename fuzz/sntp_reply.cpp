// The SNTP reply checks and conversion on arbitrary datagrams: a time, 0 or a reason.
#include <vedidoredo/VxISNTP.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString Reply = QString::fromLatin1(reinterpret_cast<const char*>(Data), qsizetype(Size));
    TVxInetSNTP::ReplyProblem(Reply);
    TVxInetSNTP::DecodeReply(Reply);
    return 0;
}
