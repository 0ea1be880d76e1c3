// The UPS tracker's reading of an answer, on any bytes. Checks: no crash, hang or leak;
// results accumulate (a second reading of the same answer doubles the activities and
// leaves the shipment's properties as the first left them); every date is 0 or a whole
// second of a real day.
#include <vedidoredo/VxIUPS.h>

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool Condition)
{
    if (!Condition)
        std::abort();
}

class TReader : public TVxUPSTracker {
public:
    void Read(const QString& Answer)
    {
        SetLastXMLResponse(Answer);
        ParseXMLResponse();
    }
};

void CheckDate(TDateTime T)
{
    const double Seconds = T.Value() * 86400.0;
    Check(T.Value() == 0.0 || (T.Value() > -693594.0 && T.Value() < 2958466.0 &&
                               std::fabs(Seconds - std::round(Seconds)) < 1e-3));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString Answer = QString::fromLatin1(reinterpret_cast<const char*>(Data), qsizetype(Size));
    TReader T;
    T.Read(Answer);
    const int Count = T.Activities()->Count();
    const QString Shipper = T.ShipperAddress()->Text();
    const QString Weight = T.ShipmentWeight();
    const TDateTime Pickup = T.PickupDate();
    CheckDate(Pickup);
    for (int I = 0; I < Count; ++I) {
        const TVxInetActivity* A = T.Activities()->Items(I);
        CheckDate(A->DateTime());
        (void)A->Location()->Text();
    }
    T.Read(Answer);
    Check(T.Activities()->Count() == 2 * Count);
    Check(T.ShipperAddress()->Text() == Shipper && T.ShipmentWeight() == Weight && T.PickupDate() == Pickup);
    return 0;
}
