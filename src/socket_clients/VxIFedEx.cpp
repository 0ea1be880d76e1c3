#include <vedidoredo/VxIFedEx.h>
#include <vedidoredo/vxiutil.h>

#include "VxSocketText.h"

namespace {

const char* const FedExHost = "www.fedex.com";
const QString ShipmentMarker = QStringLiteral("<!-- shipment info -->");
const QString ActivityBegin = QStringLiteral("<!-- BEGIN Scan Activity -->");
const QString ActivityEnd = QStringLiteral("<!-- END Scan Activity -->");

}  // namespace

TVxFedExTracker::TVxFedExTracker(QObject* Owner) : TVxInetBase(Owner)
{
    SetPort(80);
    SetHost(CarrierHost());
}

TVxFedExTracker::~TVxFedExTracker()
{
    EndRun();
}

QString TVxFedExTracker::CarrierHost()
{
    return QString::fromLatin1(FedExHost);
}

QString TVxFedExTracker::GetQuery()
{
    QString Path = QStringLiteral(
                       "/cgi-bin/tracking?template_type=plugin&action=track&language=english"
                       "&cntry_code=us&tracknumbers=")
                   + VxEscapeBlanks(FTrackingNumber);
    if (Proxy()->UseProxy())
        Path = QStringLiteral("http://") + CarrierHost() + Path;
    return QStringLiteral("GET ") + Path + QStringLiteral("   HTTP/1.0\r\nHost: ") + CarrierHost()
           + QStringLiteral("\r\n");
}

void TVxFedExTracker::ReadSections(const QString& Page, QStringList& ShipmentInfo, QStringList& Activity)
{
    // Positions counted from 1, 0 when the marker is absent.
    const qsizetype P1 = Page.indexOf(ShipmentMarker) + 1;
    const qsizetype P2 = Page.indexOf(ActivityBegin) + 1;
    const qsizetype P3 = Page.indexOf(ActivityEnd) + 1;
    const QString Shipment = VxCopy(Page, P1 + ShipmentMarker.size(), P2 - P1 - ShipmentMarker.size());
    const QString Scans = VxCopy(Page, P2 + ActivityBegin.size(), P3 - P2 - ActivityBegin.size());
    ShipmentInfo = VxSplitCRLF(VxFlattenHTMLTable(Shipment));
    Activity = VxSplitCRLF(VxFlattenHTMLTable(Scans));
}

void TVxFedExTracker::AfterExecute(QString& Text)
{
    ReadSections(Text, FShipmentInfo, FActivity);
}
