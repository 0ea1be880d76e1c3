// Tracks a UPS parcel and prints the shipment and its tracking activities.
//
//     example_ups TRACKINGNUMBER [LICENSE [HOST]]
//
// LICENSE is the access key of the carrier's XML tracking service; HOST another server
// that speaks its interface (an extra CA for it can be named in VEDIDOREDO_CA_FILE).
#include <vedidoredo/VxIUPS.h>

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    const QStringList Args = App.arguments();
    if (Args.size() < 2 || Args.size() > 4) {
        std::fprintf(stderr, "usage: example_ups TRACKINGNUMBER [LICENSE [HOST]]\n");
        return 64;
    }

    TVxUPSTracker Tracker;
    Tracker.SetTrackingNumber(Args.at(1));
    if (Args.size() > 2)
        Tracker.SetAccessLicenseNumber(Args.at(2));
    if (Args.size() > 3)
        Tracker.SetHost(Args.at(3));
    Tracker.SetTimeout(30000);  // give up on a server that says nothing for 30 s

    if (!Tracker.Execute()) {
        std::fprintf(stderr, "tracking failed: %s\n", qPrintable(Tracker.LastError()));
        return 1;
    }
    std::printf("Shipment %s, %s\n", qPrintable(Tracker.IdentificationNumber()),
                qPrintable(Tracker.ServiceDescription()));
    std::printf("From     %s\n", qPrintable(Tracker.ShipperAddress()->Text()));
    std::printf("To       %s\n", qPrintable(Tracker.ShipToAddress()->Text()));
    std::printf("Weight   %s %s\n", qPrintable(Tracker.ShipmentWeight()), qPrintable(Tracker.ShipmentWeightUnits()));
    for (int I = 0; I < Tracker.Activities()->Count(); ++I) {
        const TVxInetActivity* A = Tracker.Activities()->Items(I);
        std::printf("%s  %-30s %s\n", qPrintable(DateTimeToText(A->DateTime()).left(16)),
                    qPrintable(A->Location()->Text()), qPrintable(A->StatusTypeDescription()));
    }
    return 0;
}
