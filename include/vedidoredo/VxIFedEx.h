/// \file
/// The FedEx tracker: asks the carrier's public tracking page for a tracking number and
/// flattens the page's shipment summary and scan history tables into Name=Value lines.
#pragma once

#include <vedidoredo/VxInBase.h>

#include <QStringList>

/// The FedEx tracker: Execute reads the tracking page of TrackingNumber into ShipmentInfo and Activity. See \ref fedex.cpp.
class VX_CORE_EXPORT TVxFedExTracker : public TVxInetBase {
    Q_OBJECT
    Q_PROPERTY(QString TrackingNumber READ TrackingNumber WRITE SetTrackingNumber)
    Q_PROPERTY(QStringList ShipmentInfo READ ShipmentInfo)
    Q_PROPERTY(QStringList Activity READ Activity)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxFedExTracker(QObject* Owner = nullptr);
    ~TVxFedExTracker() override;

    /// The parcel's tracking number.
    QString TrackingNumber() const { return FTrackingNumber; }
    /// Sets TrackingNumber().
    void SetTrackingNumber(const QString& Value)
    {
        if (Value != FTrackingNumber)
            FTrackingNumber = Value;
    }
    /// Lines cell=cell=... of the shipment summary and of the scan history of the last
    /// answer; a failed exchange leaves them as they were.
    QStringList ShipmentInfo() const { return FShipmentInfo; }
    /// The scan history, one Name=Value line per cell, row by row.
    QStringList Activity() const { return FActivity; }

    /// The carrier's web host: the default Host, the Host line and the proxy form's host.
    static QString CarrierHost();

    /// The GET request for the tracking page.
    QString GetQuery() override;
    /// Cuts the two marked sections out of a page and flattens them.
    static void ReadSections(const QString& Page, QStringList& ShipmentInfo, QStringList& Activity);

protected:
    /// Fills the lists; the text is not changed and OnAfterExecute is not raised.
    void AfterExecute(QString& Text) override;

private:
    QString FTrackingNumber;
    QStringList FShipmentInfo;
    QStringList FActivity;
};
