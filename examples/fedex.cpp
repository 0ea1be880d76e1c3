// Reads a parcel's shipment summary and scan history from the carrier's tracking page:
// example_fedex TRACKING-NUMBER [HOST PORT]
#include <vedidoredo/VxIFedEx.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s TRACKING-NUMBER [HOST PORT]\n", argv[0]);
        return 64;
    }
    TVxFedExTracker Tracker;
    Tracker.SetTrackingNumber(QString::fromLocal8Bit(argv[1]));
    if (argc > 3) {  // another server that serves the same page, e.g. for a test
        Tracker.SetHost(QString::fromLocal8Bit(argv[2]));
        Tracker.SetPort(QString::fromLocal8Bit(argv[3]).toInt());
    }
    try {
        Tracker.Execute();
    } catch (const EVxError& E) {
        std::fprintf(stderr, "%s\n", qPrintable(E.Message()));
        return 2;
    }
    std::printf("Shipment:\n");
    for (const QString& Line : Tracker.ShipmentInfo())
        std::printf("  %s\n", qPrintable(Line));
    std::printf("Activity:\n");
    for (const QString& Line : Tracker.Activity())
        std::printf("  %s\n", qPrintable(Line));
    return 0;
}
