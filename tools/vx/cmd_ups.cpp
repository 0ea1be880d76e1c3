// `vx ups TRACKINGNUMBER`: tracks a UPS parcel and prints the shipment and its activities.
#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxValueJson.h"
#include "VxRegistry.h"
#include "cmd_web_common.h"

#include <vedidoredo/VxIUPS.h>
#include <vedidoredo/VxInetXML.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

QString Day(TDateTime T)
{
    return T == 0.0 ? QString() : DateTimeToText(T).left(10);
}

// The service's own explanation when the answer holds no shipment.
QString ServiceError(const QString& Answer)
{
    TVxXMLEngine Engine;
    Engine.ParseXMLFromString(Answer, Answer.size());
    TVxXMLItem* E = Engine.GetItemByTag(nullptr, QStringLiteral("ErrorDescription"));
    return E ? E->GetTagValue().trimmed() : QString();
}

// Columns padded to their widest cell; the last one is not padded.
void WriteTable(QList<QStringList> Rows)
{
    for (QStringList& R : Rows)
        for (QString& Cell : R)
            Cell = vx::Printable(Cell);
    QList<qsizetype> Widths;
    for (const QStringList& R : Rows)
        for (qsizetype I = 0; I < R.size(); ++I) {
            if (Widths.size() <= I)
                Widths.append(0);
            Widths[I] = std::max(Widths[I], R[I].size());
        }
    for (const QStringList& R : Rows) {
        QString Line;
        for (qsizetype I = 0; I < R.size(); ++I)
            Line += I + 1 < R.size() ? R[I].leftJustified(Widths[I] + 2) : R[I];
        vx::WriteOutLine(Line.trimmed().isEmpty() ? QString() : Line);
    }
}

void WriteSummary(const TVxUPSTracker& T)
{
    auto Joined = [](const QString& A, const QString& B) {
        return A.isEmpty() ? B : B.isEmpty() ? A : A + QLatin1Char(' ') + B;
    };
    QList<QStringList> Summary = {
        {QStringLiteral("Tracking number"), T.TrackingNumber()},
        {QStringLiteral("Shipment"), T.IdentificationNumber()},
        {QStringLiteral("Service"), Joined(T.ServiceCode(), T.ServiceDescription())},
        {QStringLiteral("Shipper"), Joined(T.ShipperNumber(), T.ShipperAddress()->Text())},
        {QStringLiteral("Ship to"), T.ShipToAddress()->Text()},
        {QStringLiteral("Weight"), Joined(T.ShipmentWeight(), T.ShipmentWeightUnits())},
        {QStringLiteral("Pickup date"), Day(T.PickupDate())},
    };
    Summary.erase(std::remove_if(Summary.begin(), Summary.end(), [](const QStringList& R) { return R[1].isEmpty(); }),
                  Summary.end());
    WriteTable(Summary);
    if (T.Activities()->Count() == 0)
        return;
    vx::WriteOutLine(QString());
    QList<QStringList> Rows = {{QStringLiteral("DATE"), QStringLiteral("LOCATION"), QStringLiteral("STATUS")}};
    for (int I = 0; I < T.Activities()->Count(); ++I) {
        const TVxInetActivity* A = T.Activities()->Items(I);
        QString Status = A->StatusTypeDescription();
        if (!A->LocationDescription().isEmpty())
            Status += QStringLiteral(" (%1)").arg(A->LocationDescription());
        if (!A->LocationSignedForByName().isEmpty())
            Status += QStringLiteral(", signed by ") + A->LocationSignedForByName();
        Rows.append({A->DateTime() == 0.0 ? QString() : DateTimeToText(A->DateTime()).left(16),
                     A->Location()->Text(), Status});
    }
    WriteTable(Rows);
}

int RunUps(const QStringList& Args)
{
    std::vector<vx::Option> Declared = vxweb::ConnectionOptions();
    Declared.insert(Declared.end(), {{"--host", "HOST[:PORT]"}, {"--license", "KEY"}, {"--json"}});
    const vx::OptionReader R(Args, std::move(Declared));
    R.ExpectPositional(1, 1, QStringLiteral("TRACKINGNUMBER"));
    TVxUPSTracker T;
    QString Error;
    if (!vxweb::ConfigureConnection(&T, vxweb::ReadConnectionOptions(R), Error))
        throw vx::UsageError{Error};
    if (R.Has("--host")) {
        const vx::HostPort Host = vx::ParseHostPort(R.Value("--host"), 443, QStringLiteral("--host"));
        T.SetHost(Host.Host);
        T.SetPort(Host.Port);
    }
    if (R.Has("--license"))
        T.SetAccessLicenseNumber(R.Value("--license"));
    T.SetTrackingNumber(R.Positional(0));
    vxweb::ShowProgress(&T, QStringLiteral("ups"));

    const bool Ok = T.Execute();
    if (R.Has("--json")) {
        QStringList Errors;
        QJsonObject Root = vx::ObjectToJson(&T, Errors).toObject();
        Root.insert(QStringLiteral("Result"), Ok);
        vx::WriteOut(QJsonDocument(Root).toJson(QJsonDocument::Indented));
        if (!Ok)
            vx::PrintError(QStringLiteral("tracking failed%1").arg(vxweb::Reason(&T)));
        return Ok ? vx::ExitOk : vx::ExitFalse;
    }
    if (!Ok) {
        vx::PrintError(QStringLiteral("tracking failed%1").arg(vxweb::Reason(&T)));
        return vx::ExitFalse;
    }
    if (T.IdentificationNumber().isEmpty() && T.Activities()->Count() == 0) {
        const QString Why = ServiceError(T.LastXMLResponse());
        vx::PrintError(QStringLiteral("no shipment in the answer%1").arg(Why.isEmpty() ? QString() : ": " + Why));
        return vx::ExitFalse;
    }
    WriteSummary(T);
    return vx::ExitOk;
}

}  // namespace

VX_REGISTER_COMMAND_HELP(
    "ups", "ups TRACKINGNUMBER [OPTIONS]  track a UPS parcel",
    "Posts a tracking request to the carrier's XML tracking service over HTTPS and prints\n"
    "the shipment and its activities, oldest last as the service lists them.\n"
    "\n"
    "Options:\n"
    "  --host HOST[:PORT]    the tracking server (default: the carrier's; port 443)\n"
    "  --license KEY         the service's access licence number\n"
    "  --json                everything the tracker read, as `vx run TVxUPSTracker --json`\n"
    "  --proxy HOST[:PORT]   an HTTP proxy (default: the https_proxy environment)\n"
    "  --proxy-user U, --proxy-password P  the proxy's login\n"
    "  --cacert FILE         trust the CA certificates in this PEM file as well\n"
    + vx::TimeoutHelp(vxweb::DefaultTimeoutSeconds) + "\n"
    "Exit status: 0 tracked, 1 the request failed or the answer holds no shipment,\n"
    "64 a usage error.\n",
    RunUps)
