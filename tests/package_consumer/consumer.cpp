#include <vedidoredo/TVxInetDateTime>
#include <vedidoredo/VeDidoredoCore>

#include <cstdio>

int main()
{
    TVxInetDateTime Daytime;
    const TDateTime T = TVxInetDateTime::DecodeDaytime(
        QStringLiteral("\n60303 23-12-25 14:30:15 00 0 0 50.0 UTC(NIST) *\r\n"));
    std::printf("%s %d\n", qPrintable(DateTimeToText(T)), Daytime.Port());
    return DateTimeToText(T) == QStringLiteral("2023-12-25 14:30:15.000") ? 0 : 1;
}
