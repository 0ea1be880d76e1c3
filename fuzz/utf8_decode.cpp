// Utf8Decode on any bytes: never crashes, never gives more units than bytes, and agrees
// with Qt on well-formed UTF-8.
#include <vedidoredo/vxiutil.h>

#include <QString>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QByteArray Bytes(reinterpret_cast<const char*>(Data), qsizetype(Size));
    const QString Decoded = Utf8Decode(QString::fromLatin1(Bytes));
    if (Decoded.size() > Bytes.size())
        std::abort();
    // Qt replaces what is not well-formed (over-long forms, surrogates, bytes out of
    // place); a text that survives the round trip unchanged is well-formed.
    const QString Qt = QString::fromUtf8(Bytes);
    if (!Qt.contains(QChar::ReplacementCharacter) && Qt.toUtf8() == Bytes && Decoded != Qt)
        std::abort();
    return 0;
}
