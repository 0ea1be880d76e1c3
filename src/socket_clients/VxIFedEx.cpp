#include <vedidoredo/VxIFedEx.h>
#include <vedidoredo/vxiutil.h>

#include "VxSocketText.h"

namespace {

const char* const FedExHost = "www.fedex.com";
const QString ShipmentMarker = QStringLiteral("<!-- shipment info -->");
const QString ActivityBegin = QStringLiteral("<!-- BEGIN Scan Activity -->");
const QString ActivityEnd = QStringLiteral("<!-- END Scan Activity -->");

bool EndsWithAny(const QString& S, const char* Chars)
{
    if (S.isEmpty())
        return false;
    const QChar Last = S.back();
    for (const char* C = Chars; *C; ++C)
        if (Last == QLatin1Char(*C))
            return true;
    return false;
}

}  // namespace

TVxFedExTracker::TVxFedExTracker(QObject* Owner) : TVxInetBase(Owner)
{
    SetPort(80);
    SetHost(CarrierHost());
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

QString TVxFedExTracker::FlattenHTMLTable(const QString& Section)
{
    QString Result;
    bool InTag = false;
    const qsizetype N = Section.size();
    for (qsizetype i = 0; i < N; ++i) {
        const QChar C = Section.at(i);
        if (C == QLatin1Char('\r') || C == QLatin1Char('\n'))
            continue;
        if (C == QLatin1Char('<')) {
            InTag = true;
            if (!Result.isEmpty() && Section.mid(i + 1, 3) == QLatin1String("/td")
                && !EndsWithAny(Result, "\r\n="))
                Result += QLatin1Char('=');
            continue;
        }
        if (C == QLatin1Char('>')) {
            InTag = false;
            if (!Result.isEmpty() && i >= 2 && Section.mid(i - 2, 2) == QLatin1String("tr")
                && !EndsWithAny(Result, "\r\n")) {
                if (Result.endsWith(QLatin1Char('=')))
                    Result.chop(1);
                Result += QStringLiteral("\r\n");
            }
            continue;
        }
        if (InTag)
            continue;
        if ((C == QLatin1Char('\t') || C == QLatin1Char(' ')) && i + 1 < N) {
            const QChar Next = Section.at(i + 1);
            if (Next == QLatin1Char('\t') || Next == QLatin1Char('\r') || Next == QLatin1Char('\n')
                || Next == QLatin1Char(' ') || Next == QLatin1Char('<'))
                continue;
        }
        Result += C;
    }
    ReplaceHTMLChars(Result);
    for (qsizetype At = Result.indexOf(QLatin1String("==")); At >= 0;
         At = Result.indexOf(QLatin1String("=="), At))
        Result.remove(At, 1);
    return Result;
}

void TVxFedExTracker::ReadSections(const QString& Page, QStringList& ShipmentInfo, QStringList& Activity)
{
    // Positions counted from 1, 0 when the marker is absent.
    const qsizetype P1 = Page.indexOf(ShipmentMarker) + 1;
    const qsizetype P2 = Page.indexOf(ActivityBegin) + 1;
    const qsizetype P3 = Page.indexOf(ActivityEnd) + 1;
    const QString Shipment = VxCopy(Page, P1 + ShipmentMarker.size(), P2 - P1 - ShipmentMarker.size());
    const QString Scans = VxCopy(Page, P2 + ActivityBegin.size(), P3 - P2 - ActivityBegin.size());
    ShipmentInfo = VxSplitCRLF(FlattenHTMLTable(Shipment));
    Activity = VxSplitCRLF(FlattenHTMLTable(Scans));
}

void TVxFedExTracker::AfterExecute(QString& Text)
{
    ReadSections(Text, FShipmentInfo, FActivity);
}
