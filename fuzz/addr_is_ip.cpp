// AddrIsIP on arbitrary text, checked against a plain reading of the rule.
#include <vedidoredo/VxInBase.h>

#include <QStringList>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString S = QString::fromLatin1(reinterpret_cast<const char*>(Data), qsizetype(Size));
    const bool Result = TVxInetBase::AddrIsIP(S);
    const QStringList Parts = S.split(QLatin1Char('.'));
    bool Expected = Parts.size() == 4;
    for (const QString& P : Parts) {
        bool Digits = !P.isEmpty() && P.size() <= 9;
        for (QChar C : P)
            Digits = Digits && C >= QLatin1Char('0') && C <= QLatin1Char('9');
        Expected = Expected && Digits && P.toInt() <= 255;
    }
    if (Result != Expected && Parts.size() == 4) {
        // Long digit runs are the only allowed difference (they overflow to "no number").
        bool Long = false;
        for (const QString& P : Parts)
            Long = Long || P.size() > 9;
        if (!Long)
            std::abort();
    }
    return 0;
}
