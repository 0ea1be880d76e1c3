// TVxUPSTracker and its result classes.
#include <vedidoredo/VxIUPS.h>
#include <vedidoredo/VxInetXML.h>

#include <algorithm>

namespace {

// The answer is read in blocks of this size, one progress report per block.
constexpr qint64 AnswerBlock = 2050;
// The progress maximum when the server does not say how long its answer is.
constexpr quint32 AssumedAnswerSize = 10240;

const QString TrackPath = QStringLiteral("/ups.app/xml/Track");
const QByteArray FormContentType = "Content-Type: application/x-www-form-urlencoded";

// Each piece a non-empty run of ASCII digits.
bool ReadNumber(const QString& S, qsizetype From, qsizetype Length, int& Value)
{
    const QString Piece = S.mid(From, Length);
    if (Piece.isEmpty())
        return false;
    Value = 0;
    for (const QChar C : Piece) {
        if (C < QLatin1Char('0') || C > QLatin1Char('9'))
            return false;
        Value = Value * 10 + (C.unicode() - '0');
    }
    return true;
}

// "YYYYMMDD".
bool ReadDate(const QString& S, TDateTime& Result)
{
    int Y = 0, M = 0, D = 0;
    return ReadNumber(S, 0, 4, Y) && ReadNumber(S, 4, 2, M) && ReadNumber(S, 6, 2, D) &&
           TryEncodeDate(Y, M, D, Result);
}

// "HHMMSS".
bool ReadTime(const QString& S, TDateTime& Result)
{
    int H = 0, M = 0, Sec = 0;
    return ReadNumber(S, 0, 2, H) && ReadNumber(S, 2, 2, M) && ReadNumber(S, 4, 2, Sec) &&
           TryEncodeTime(H, M, Sec, 0, Result);
}

}  // namespace

// ---- TVxInetActivityAddress --------------------------------------------------------

TVxInetActivityAddress::TVxInetActivityAddress(QObject* Owner) : TVxPersistent(Owner) {}

TVxInetActivityAddress::~TVxInetActivityAddress() = default;

QString TVxInetActivityAddress::Text() const
{
    QStringList Parts;
    for (const QString* S : {&FAddressLine1, &FAddressLine2, &FAddressLine3, &FCity, &FPostalCode, &FCountry})
        if (!S->isEmpty())
            Parts.append(*S);
    return Parts.join(QLatin1Char(' '));
}

void TVxInetActivityAddress::Assign(TVxPersistent* Source)
{
    if (auto* A = qobject_cast<TVxInetActivityAddress*>(Source)) {
        FAddressLine1 = A->FAddressLine1;
        FAddressLine2 = A->FAddressLine2;
        FAddressLine3 = A->FAddressLine3;
        FCity = A->FCity;
        FPostalCode = A->FPostalCode;
        FCountry = A->FCountry;
        return;
    }
    TVxPersistent::Assign(Source);
}

// ---- TVxInetActivity ---------------------------------------------------------------

TVxInetActivity::TVxInetActivity(TVxCollection* Collection)
    : TVxCollectionItem(Collection), FLocation(new TVxInetActivityAddress(this))
{
}

TVxInetActivity::~TVxInetActivity() = default;

void TVxInetActivity::Assign(TVxPersistent* Source)
{
    if (auto* A = qobject_cast<TVxInetActivity*>(Source)) {
        TVxCollection* C = Collection();
        if (C)
            C->BeginUpdate();
        FLocationCode = A->FLocationCode;
        FLocation->Assign(A->FLocation);
        FLocationDescription = A->FLocationDescription;
        FLocationSignedForByName = A->FLocationSignedForByName;
        FStatusTypeCode = A->FStatusTypeCode;
        FStatusTypeDescription = A->FStatusTypeDescription;
        FStatusCode = A->FStatusCode;
        FDateTime = A->FDateTime;
        if (C)
            C->EndUpdate();
        return;
    }
    TVxCollectionItem::Assign(Source);
}

// ---- TVxInetActivities -------------------------------------------------------------

TVxInetActivities::TVxInetActivities(QObject* VxInetCntrl)
    : TVxCollection([](TVxCollection* C) { return new TVxInetActivity(C); }, VxInetCntrl)
{
}

TVxInetActivities::~TVxInetActivities() = default;

TVxInetActivity* TVxInetActivities::Add()
{
    return static_cast<TVxInetActivity*>(AddItem());
}

TVxInetActivity* TVxInetActivities::GetItem(int Index) const
{
    return static_cast<TVxInetActivity*>(Item(Index));
}

void TVxInetActivities::SetItem(int Index, TVxInetActivity* Value)
{
    GetItem(Index)->Assign(Value);
}

// ---- TVxUPSTracker -----------------------------------------------------------------

TVxUPSTracker::TVxUPSTracker(QObject* Owner)
    : TVxCustomWebComponent(Owner),
      FAccessLicenseNumber(QStringLiteral("7C1D09E4A3F25B68")),
      FShipperAddress(new TVxInetActivityAddress(this)),
      FShipToAddress(new TVxInetActivityAddress(this)),
      FActivities(new TVxInetActivities(this))
{
    FActivities->setParent(this);
    SetAgent(QStringLiteral("Quillmoss Tracker"));
    SetService(isHTTPS);
    SetPort(443);
    SetHost(DefaultHost());
}

TVxUPSTracker::~TVxUPSTracker()
{
    EndRun();
}

void TVxUPSTracker::SetTrackingNumber(const QString& Value)
{
    CheckChange("TrackingNumber");
    if (Value == FTrackingNumber)
        return;
    FTrackingNumber = Value;
    Clear();
}

void TVxUPSTracker::Clear()
{
    FActivities->Clear();
    FLastXMLResponse.clear();
}

QByteArray TVxUPSTracker::RequestBody() const
{
    // The login lines are fixed; the service identifies the caller by the licence.
    const QString Body =
        QStringLiteral("<?xml version=\"1.0\"?><AccessRequest xml:lang=\"en-US\"><AccessLicenseNumber>%1"
                       "</AccessLicenseNumber>\r\n"
                       "<UserId>qzx</UserId><Password>qzx</Password></AccessRequest>\r\n"
                       "<?xml version=\"1.0\"?><TrackRequest xml:lang=\"en-US\"><Request><TransactionReference>\r\n"
                       "<CustomerContext>%2</CustomerContext><XpciVersion>1.0</XpciVersion></TransactionReference>\r\n"
                       "<RequestAction>Track</RequestAction><RequestOption>activity</RequestOption></Request>\r\n"
                       "<TrackingNumber>#%3</TrackingNumber></TrackRequest>")
            .arg(FAccessLicenseNumber, Agent(), FTrackingNumber);
    // One byte per character, as the service reads it.
    return Body.toLatin1();
}

void TVxUPSTracker::InternalExecute()
{
    FLastXMLResponse.clear();
    ConnectToInet(false);
    if (!hInet || !hURL) {
        SetStatus(isFailed);
    } else if (auto Request = hURL->OpenRequest(QStringLiteral("POST"), TrackPath, QString(),
                                                VxInetFlagSecure | VxInetFlagKeepConnection)) {
        if (!Proxy()->User().isEmpty() || !Proxy()->Password().isEmpty()) {
            Request->SetOption(TVxInetOption::ProxyUserName, Proxy()->User());
            Request->SetOption(TVxInetOption::ProxyPassword, Proxy()->Password());
        }
        if (!Request->Send(FormContentType, RequestBody())) {
            SetLastError(Request->LastError());
            SetStatus(isFailed);
        } else {
            int Code = 0;
            Request->QueryStatusCode(Code);
            // The progress maximum: the announced length, else an assumed one; never
            // below what arrived, so a progress bar does not run past its end.
            quint32 Expected = AssumedAnswerSize;
            QString LengthText;
            bool LengthOk = false;
            if (Request->QueryContentLength(LengthText)) {
                const qint64 N = LengthText.trimmed().toLongLong(&LengthOk);
                if (LengthOk && N >= 0)
                    Expected = static_cast<quint32>(std::min<qint64>(N, 0x7FFFFFFF));
            }
            QByteArray Block(AnswerBlock, Qt::Uninitialized);
            qint64 Total = 0;
            bool Abort = false;
            for (;;) {
                const qint64 N = Request->Read(Block.data(), AnswerBlock);
                if (N <= 0)
                    break;
                Total += N;
                FLastXMLResponse += QString::fromLatin1(Block.constData(), N);
                const quint32 Cur = static_cast<quint32>(std::min<qint64>(Total, 0x7FFFFFFF));
                UpdateProgress(Cur, std::max(Expected, Cur), Abort);
                if (Abort)
                    break;
            }
            if (Abort) {
                SetLastError(QStringLiteral("Transfer aborted"));
                SetStatus(isFailed);
            } else if (!Request->Completed()) {
                SetLastError(Request->LastError());
                SetStatus(isFailed);
            } else if (Code < 200 || Code > 299) {
                // The answer is kept and parsed all the same; an error page is no result.
                SetLastError(QStringLiteral("HTTP status %1").arg(Code));
                SetStatus(isFailed);
                SetAction(iaDownloaded);
            } else {
                SetAction(iaDownloaded);
            }
        }
    } else {
        SetLastError(hURL->LastError());
        SetStatus(isFailed);
    }
    DisconnectFromInet();
    ParseXMLResponse();
}

void TVxUPSTracker::FillAddress(TVxXMLEngine& Engine, TVxXMLItem* Node, TVxInetActivityAddress* Address) const
{
    if (!Node)
        return;
    auto Look = [&](const QString& Name) {
        TVxXMLItem* Found = Engine.GetItemByTag(Node, Name);
        return Found ? Found->GetTagValue() : QString();
    };
    Address->SetAddressLine1(Look(QStringLiteral("AddressLine1")));
    Address->SetAddressLine2(Look(QStringLiteral("AddressLine2")));
    Address->SetAddressLine3(Look(QStringLiteral("AddressLine3")));
    Address->SetCity(Look(QStringLiteral("City")));
    Address->SetPostalCode(Look(QStringLiteral("PostalCode")));
    Address->SetCountry(Look(QStringLiteral("CountryCode")));
}

void TVxUPSTracker::ParseXMLResponse()
{
    if (FLastXMLResponse.isEmpty())
        return;
    TVxXMLEngine Engine;
    Engine.ParseXMLFromString(FLastXMLResponse, FLastXMLResponse.size());

    // The first node of that name in Root's subtree (Root included), names without case.
    auto Find = [&Engine](TVxXMLItem* Root, const char* Name) {
        return Root ? Engine.GetItemByTag(Root, QLatin1String(Name)) : nullptr;
    };
    auto Look = [&Find](TVxXMLItem* Root, const char* Name) {
        TVxXMLItem* Found = Find(Root, Name);
        return Found ? Found->GetTagValue() : QString();
    };

    TVxXMLItem* Root = Engine.RootItem();
    if (TVxXMLItem* S = Find(Root, "Shipment")) {
        if (TVxXMLItem* Shipper = Find(S, "Shipper")) {
            FShipperNumber = Look(Shipper, "ShipperNumber");
            FillAddress(Engine, Find(Shipper, "Address"), FShipperAddress);
        }
        if (TVxXMLItem* ShipTo = Find(S, "ShipTo"))
            FillAddress(Engine, Find(ShipTo, "Address"), FShipToAddress);
        FIdentificationNumber = Look(S, "ShipmentIdentificationNumber");
        TDateTime Pickup;
        if (ReadDate(Look(S, "PickupDate"), Pickup))
            FPickupDate = Pickup;
        if (TVxXMLItem* Service = Find(S, "Service")) {
            FServiceCode = Look(Service, "Code");
            FServiceDescription = Look(Service, "Description");
        }
        if (TVxXMLItem* Weight = Find(S, "ShipmentWeight")) {
            FShipmentWeight = Look(Weight, "Weight");
            if (TVxXMLItem* Unit = Find(Weight, "UnitOfMeasurement"))
                FShipmentWeightUnits = Look(Unit, "Code");
        }
    }

    TVxXMLItem* P = Find(Root, "Package");
    if (!P)
        return;
    for (TVxXMLItem* C : *P->Items()) {
        if (C->TagName() != QLatin1String("Activity"))  // with case, unlike the look-ups
            continue;
        TVxInetActivity* A = FActivities->Add();
        if (TVxXMLItem* L = Find(C, "ActivityLocation")) {
            A->SetLocationCode(Look(L, "Code"));
            A->SetLocationDescription(Look(L, "Description"));
            A->SetLocationSignedForByName(Look(L, "SignedForByName"));
            FillAddress(Engine, Find(C, "Address"), A->Location());
        }
        if (Find(C, "Status")) {
            if (TVxXMLItem* Type = Find(C, "StatusType")) {
                A->SetStatusTypeCode(Look(Type, "Code"));
                A->SetStatusTypeDescription(Look(Type, "Description"));
            }
            if (TVxXMLItem* Code = Find(C, "StatusCode"))
                A->SetStatusCode(Look(Code, "Code"));
        }
        TDateTime Day, Time;
        if (ReadDate(Look(C, "Date"), Day) && ReadTime(Look(C, "Time"), Time))
            A->SetDateTime(TDateTime(Day.Value() + Time.Value()));
    }
}
