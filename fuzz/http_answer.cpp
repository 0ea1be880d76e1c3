// The HTTP client's answer split on arbitrary answers.
#include "socket_clients/VxHttpText.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString Answer = QString::fromLatin1(reinterpret_cast<const char*>(Data), qsizetype(Size));
    QString Text = Answer;
    QStringList Headers;
    VxHttpText::SplitAnswer(Text, Headers, true);
    // Headers never hold an empty line, and the body never outgrows the answer by more
    // than its added line ends.
    for (const QString& Line : Headers)
        if (Line.isEmpty())
            __builtin_trap();
    if (Text.size() > 2 * Answer.size())
        __builtin_trap();
    Text = Answer;
    VxHttpText::SplitAnswer(Text, Headers, false);
    if (Text != Answer)
        __builtin_trap();
    return 0;
}
