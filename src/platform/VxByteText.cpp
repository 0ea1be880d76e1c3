#include "platform/VxByteText.h"

QByteArray VxByteTextToBytes(const QString& ByteText)
{
    QByteArray Bytes;
    Bytes.reserve(ByteText.size());
    for (qsizetype I = 0; I < ByteText.size(); ++I) {
        const char16_t C = ByteText.at(I).unicode();
        if (C <= 0xFF) {
            Bytes.append(char(C));
            continue;
        }
        qsizetype Len = 1;
        if (QChar::isHighSurrogate(C) && I + 1 < ByteText.size() &&
            QChar::isLowSurrogate(ByteText.at(I + 1).unicode()))
            Len = 2;
        Bytes.append(QStringView(ByteText).mid(I, Len).toUtf8());
        I += Len - 1;
    }
    return Bytes;
}
