/// \file
/// The weather client: reads the current temperature for a postal code from the weather
/// site's local-weather page.
#pragma once

#include <vedidoredo/VxInBase.h>

/// The enumerations of the weather client, also in the global namespace (`wttZip`).
namespace VxWeatherEnums {
Q_NAMESPACE_EXPORT(VX_CORE_EXPORT)
/// What Zip holds.
enum TVxWeatherTrackingType {
    wttZip  ///< a US postal (ZIP) code
};
Q_ENUM_NS(TVxWeatherTrackingType)
}  // namespace VxWeatherEnums
using VxWeatherEnums::TVxWeatherTrackingType;
using enum VxWeatherEnums::TVxWeatherTrackingType;

/// The weather client: Execute reads the current temperature for Zip into Temperature. See \ref weather.cpp.
class VX_CORE_EXPORT TVxWeatherInfo : public TVxInetBase {
    Q_OBJECT
    Q_PROPERTY(QString Zip READ Zip WRITE SetZip)
    Q_PROPERTY(TVxWeatherTrackingType TrackingType READ TrackingType WRITE SetTrackingType)
    Q_PROPERTY(int Temperature READ Temperature)
public:
    /// Creates the object, owned by Owner (none when nullptr), which frees it.
    explicit TVxWeatherInfo(QObject* Owner = nullptr);
    ~TVxWeatherInfo() override;

    /// The postal code asked about.
    QString Zip() const { return FZip; }
    /// A new value also selects the look-up by postal code.
    void SetZip(const QString& Value);
    /// What Zip holds (wttZip).
    TVxWeatherTrackingType TrackingType() const { return FTrackingType; }
    /// Sets TrackingType().
    void SetTrackingType(TVxWeatherTrackingType Value) { CheckChange("TrackingType"); FTrackingType = Value; }
    /// The temperature read from the last answer; 0 when it could not be read.
    int Temperature() const { return FTemperature; }

    /// The weather site's web host, the default Host.
    static QString SiteHost();

    QString GetQuery() override;

    /// The number after the observed-temperature marker; 0 when there is none.
    static int ReadTemperature(const QString& Page);

protected:
    void AfterExecute(QString& Text) override;

private:
    QString FZip;
    TVxWeatherTrackingType FTrackingType = wttZip;
    int FTemperature = 0;
};
