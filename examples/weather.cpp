// Reads the current temperature for a postal code: example_weather ZIP [HOST PORT]
#include <vedidoredo/VxIWeath.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s ZIP [HOST PORT]\n", argv[0]);
        return 64;
    }
    TVxWeatherInfo Weather;
    Weather.SetZip(QString::fromLocal8Bit(argv[1]));
    if (argc > 3) {
        Weather.SetHost(QString::fromLocal8Bit(argv[2]));
        Weather.SetPort(QString::fromLocal8Bit(argv[3]).toInt());
    }
    try {
        Weather.Execute();
    } catch (const EVxError& E) {
        std::fprintf(stderr, "%s\n", qPrintable(E.Message()));
        return 2;
    }
    // 0 also stands for "could not be read".
    std::printf("%d\n", Weather.Temperature());
    return 0;
}
