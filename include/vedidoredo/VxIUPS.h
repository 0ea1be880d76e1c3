/// \file
/// The UPS parcel tracker: posts one XML tracking request over HTTPS to the carrier's
/// tracking service, keeps the raw answer and fills the shipment's properties and its
/// list of tracking activities from it.
#pragma once

#include <vedidoredo/VxGlobal.h>
#include <vedidoredo/platform/VxCollection.h>
#include <vedidoredo/platform/VxDateTime.h>
#include <vedidoredo/vxiupdate.h>

#include <QObject>
#include <QString>

class TVxXMLEngine;
class TVxXMLItem;

/// A postal address of a shipment or an activity. Text joins the members that are not
/// empty with single spaces.
class VX_CORE_EXPORT TVxInetActivityAddress : public TVxPersistent {
    Q_OBJECT
    Q_PROPERTY(QString AddressLine1 READ AddressLine1 WRITE SetAddressLine1)
    Q_PROPERTY(QString AddressLine2 READ AddressLine2 WRITE SetAddressLine2)
    Q_PROPERTY(QString AddressLine3 READ AddressLine3 WRITE SetAddressLine3)
    Q_PROPERTY(QString City READ City WRITE SetCity)
    Q_PROPERTY(QString PostalCode READ PostalCode WRITE SetPostalCode)
    Q_PROPERTY(QString Country READ Country WRITE SetCountry)
    Q_PROPERTY(QString Text READ Text)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxInetActivityAddress(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxInetActivityAddress() override;

    /// The first address line.
    QString AddressLine1() const { return FAddressLine1; }
    /// Sets AddressLine1().
    void SetAddressLine1(const QString& Value) { FAddressLine1 = Value; }
    /// The second address line.
    QString AddressLine2() const { return FAddressLine2; }
    /// Sets AddressLine2().
    void SetAddressLine2(const QString& Value) { FAddressLine2 = Value; }
    /// The third address line.
    QString AddressLine3() const { return FAddressLine3; }
    /// Sets AddressLine3().
    void SetAddressLine3(const QString& Value) { FAddressLine3 = Value; }
    /// The city.
    QString City() const { return FCity; }
    /// Sets City().
    void SetCity(const QString& Value) { FCity = Value; }
    /// The postal code.
    QString PostalCode() const { return FPostalCode; }
    /// Sets PostalCode().
    void SetPostalCode(const QString& Value) { FPostalCode = Value; }
    /// The country code.
    QString Country() const { return FCountry; }
    /// Sets Country().
    void SetCountry(const QString& Value) { FCountry = Value; }
    /// The address as one text, the non-empty parts joined.
    QString Text() const;

    void Assign(TVxPersistent* Source) override;

private:
    QString FAddressLine1, FAddressLine2, FAddressLine3, FCity, FPostalCode, FCountry;
};

/// One tracking event: where it happened, its status and when.
class VX_CORE_EXPORT TVxInetActivity : public TVxCollectionItem {
    Q_OBJECT
    Q_PROPERTY(QString LocationCode READ LocationCode WRITE SetLocationCode)
    Q_PROPERTY(TVxInetActivityAddress* Location READ Location WRITE SetLocation)
    Q_PROPERTY(QString LocationDescription READ LocationDescription WRITE SetLocationDescription)
    Q_PROPERTY(QString LocationSignedForByName READ LocationSignedForByName WRITE SetLocationSignedForByName)
    Q_PROPERTY(QString StatusTypeCode READ StatusTypeCode WRITE SetStatusTypeCode)
    Q_PROPERTY(QString StatusTypeDescription READ StatusTypeDescription WRITE SetStatusTypeDescription)
    Q_PROPERTY(QString StatusCode READ StatusCode WRITE SetStatusCode)
    Q_PROPERTY(TDateTime DateTime READ DateTime WRITE SetDateTime)
public:
    /// Creates an item and adds it to Collection (none when nullptr), which owns it.
    explicit TVxInetActivity(TVxCollection* Collection = nullptr);
    /// Frees the object and everything it owns.
    ~TVxInetActivity() override;

    /// The carrier's code of the place of the scan.
    QString LocationCode() const { return FLocationCode; }
    /// Sets LocationCode().
    void SetLocationCode(const QString& Value) { FLocationCode = Value; }
    /// The address of the place of the scan.
    TVxInetActivityAddress* Location() const { return FLocation; }
    /// Sets Location().
    void SetLocation(TVxInetActivityAddress* Value) { FLocation->Assign(Value); }  // copies
    /// Where at the place the parcel was (front door, dock ...).
    QString LocationDescription() const { return FLocationDescription; }
    /// Sets LocationDescription().
    void SetLocationDescription(const QString& Value) { FLocationDescription = Value; }
    /// Who signed for the parcel.
    QString LocationSignedForByName() const { return FLocationSignedForByName; }
    /// Sets LocationSignedForByName().
    void SetLocationSignedForByName(const QString& Value) { FLocationSignedForByName = Value; }
    /// The kind of scan (I in transit, D delivered, X exception, P pickup, M manifest).
    QString StatusTypeCode() const { return FStatusTypeCode; }
    /// Sets StatusTypeCode().
    void SetStatusTypeCode(const QString& Value) { FStatusTypeCode = Value; }
    /// What the scan says, in words.
    QString StatusTypeDescription() const { return FStatusTypeDescription; }
    /// Sets StatusTypeDescription().
    void SetStatusTypeDescription(const QString& Value) { FStatusTypeDescription = Value; }
    /// The carrier's status code of the scan.
    QString StatusCode() const { return FStatusCode; }
    /// Sets StatusCode().
    void SetStatusCode(const QString& Value) { FStatusCode = Value; }
    /// When the scan happened, local time of the place.
    TDateTime DateTime() const { return FDateTime; }
    /// Sets DateTime().
    void SetDateTime(TDateTime Value) { FDateTime = Value; }

    void Assign(TVxPersistent* Source) override;

private:
    QString FLocationCode;
    TVxInetActivityAddress* FLocation;
    QString FLocationDescription, FLocationSignedForByName;
    QString FStatusTypeCode, FStatusTypeDescription, FStatusCode;
    TDateTime FDateTime;
};

/// The activities of a shipment, in the order of the answer.
class VX_CORE_EXPORT TVxInetActivities : public TVxCollection {
    Q_OBJECT
public:
    /// VxInetCntrl is the component the list belongs to; it is not freed by the list.
    explicit TVxInetActivities(QObject* VxInetCntrl = nullptr);
    /// Frees the object and everything it owns.
    ~TVxInetActivities() override;

    /// The tracker the list belongs to.
    QObject* VxInetControl() const { return GetOwner(); }
    /// Adds an empty activity at the end and returns it.
    TVxInetActivity* Add();
    /// The activity at Index.
    TVxInetActivity* Items(int Index) const { return GetItem(Index); }
    /// The activity at Index.
    TVxInetActivity* operator[](int Index) const { return GetItem(Index); }

protected:
    /// The activity at Index.
    TVxInetActivity* GetItem(int Index) const;
    void SetItem(int Index, TVxInetActivity* Value);  ///< copies Value into the slot
};

/// Tracks one parcel. Execute posts the tracking request for TrackingNumber, keeps the
/// answer in LastXMLResponse and parses it: the shipment's properties are overwritten
/// with what the answer holds and its activities are appended to Activities (a new
/// TrackingNumber or Clear empties them). Status isFailed when no connection could be
/// made, the request went unanswered, the server answered with an HTTP error status or
/// the user aborted the transfer; LastError says why.
///
/// Example: \ref ups.cpp
class VX_CORE_EXPORT TVxUPSTracker : public TVxCustomWebComponent {
    Q_OBJECT
    Q_PROPERTY(QString AccessLicenseNumber READ AccessLicenseNumber WRITE SetAccessLicenseNumber)
    Q_PROPERTY(QString TrackingNumber READ TrackingNumber WRITE SetTrackingNumber)
    Q_PROPERTY(QString LastXMLResponse READ LastXMLResponse)
    Q_PROPERTY(QString ShipperNumber READ ShipperNumber)
    Q_PROPERTY(TVxInetActivityAddress* ShipperAddress READ ShipperAddress)
    Q_PROPERTY(TVxInetActivityAddress* ShipToAddress READ ShipToAddress)
    Q_PROPERTY(QString IdentificationNumber READ IdentificationNumber)
    Q_PROPERTY(TDateTime PickupDate READ PickupDate)
    Q_PROPERTY(QString ServiceCode READ ServiceCode)
    Q_PROPERTY(QString ServiceDescription READ ServiceDescription)
    Q_PROPERTY(QString ShipmentWeight READ ShipmentWeight)
    Q_PROPERTY(QString ShipmentWeightUnits READ ShipmentWeightUnits)
    Q_PROPERTY(TVxInetActivities* Activities READ Activities)
public:
    /// The carrier's public tracking server, the default Host.
    static QString DefaultHost() { return QStringLiteral("onlinetools.ups.com"); }

    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxUPSTracker(QObject* Owner = nullptr);
    /// Frees the object and everything it owns.
    ~TVxUPSTracker() override;

    /// The access key the carrier issued for its XML interface.
    QString AccessLicenseNumber() const { return FAccessLicenseNumber; }
    /// Sets AccessLicenseNumber().
    void SetAccessLicenseNumber(const QString& Value) { CheckChange("AccessLicenseNumber"); FAccessLicenseNumber = Value; }
    /// The parcel's tracking number.
    QString TrackingNumber() const { return FTrackingNumber; }
    /// A different number (compared with case) clears Activities and LastXMLResponse.
    void SetTrackingNumber(const QString& Value);
    /// The answer of the last Execute as byte text (one character per byte).
    QString LastXMLResponse() const { return FLastXMLResponse; }
    /// The shipper's account number, from the last answer.
    QString ShipperNumber() const { return FShipperNumber; }
    /// The shipper's address, from the last answer.
    TVxInetActivityAddress* ShipperAddress() const { return FShipperAddress; }
    /// The address the parcel goes to, from the last answer.
    TVxInetActivityAddress* ShipToAddress() const { return FShipToAddress; }
    /// The shipment's identification number, from the last answer.
    QString IdentificationNumber() const { return FIdentificationNumber; }
    /// The day the parcel was picked up, from the last answer.
    TDateTime PickupDate() const { return FPickupDate; }
    /// The code of the shipping service, from the last answer.
    QString ServiceCode() const { return FServiceCode; }
    /// The name of the shipping service, from the last answer.
    QString ServiceDescription() const { return FServiceDescription; }
    /// The shipment's weight, from the last answer.
    QString ShipmentWeight() const { return FShipmentWeight; }
    /// The unit of ShipmentWeight (LBS, KGS).
    QString ShipmentWeightUnits() const { return FShipmentWeightUnits; }
    /// The scans of the parcel, newest first as the carrier lists them.
    TVxInetActivities* Activities() const { return FActivities; }

    /// Empties Activities and LastXMLResponse; the shipment's properties stay.
    /// Empties every result property and the activities.
    Q_INVOKABLE void Clear();

protected:
    void InternalExecute() override;
    /// The request body for the current settings: six lines joined by CR LF.
    QByteArray RequestBody() const;
    /// Fills the result properties from LastXMLResponse.
    void ParseXMLResponse();
    /// Sets LastXMLResponse().
    void SetLastXMLResponse(const QString& Value) { CheckChange("LastXMLResponse"); FLastXMLResponse = Value; }

private:
    void FillAddress(TVxXMLEngine& Engine, TVxXMLItem* Node, TVxInetActivityAddress* Address) const;

    QString FAccessLicenseNumber;
    QString FTrackingNumber;
    QString FLastXMLResponse;
    QString FShipperNumber;
    TVxInetActivityAddress* FShipperAddress;
    TVxInetActivityAddress* FShipToAddress;
    QString FIdentificationNumber;
    TDateTime FPickupDate;
    QString FServiceCode, FServiceDescription;
    QString FShipmentWeight, FShipmentWeightUnits;
    TVxInetActivities* FActivities;
};
