#include <vedidoredo/VxIWeath.h>

#include "VxSocketText.h"

namespace {

const char* const WeatherHost = "www.weather.com";
const QString TemperatureMarker = QStringLiteral("CLASS=obsTempTextA>");

}  // namespace

TVxWeatherInfo::TVxWeatherInfo(QObject* Owner) : TVxInetBase(Owner)
{
    SetPort(80);
    SetHost(SiteHost());
}

TVxWeatherInfo::~TVxWeatherInfo()
{
    EndRun();
}

QString TVxWeatherInfo::SiteHost()
{
    return QString::fromLatin1(WeatherHost);
}

void TVxWeatherInfo::SetZip(const QString& Value)
{
    CheckChange("Zip");
    if (Value == FZip)
        return;
    FZip = Value;
    FTrackingType = wttZip;
}

QString TVxWeatherInfo::GetQuery()
{
    const QString Location = VxEscapeBlanks(FZip);
    const QString Path = QStringLiteral("/weather/local/") + Location + QStringLiteral("?lswe=") + Location
                         + QStringLiteral("&lswa=WeatherLocalUndeclared&GO=GO&whatprefs=");
    return QStringLiteral("GET ") + Path + QStringLiteral("   HTTP/1.0\r\nHost: ") + Host()
           + QStringLiteral("\r\n\r\n");
}

int TVxWeatherInfo::ReadTemperature(const QString& Page)
{
    const qsizetype At = Page.indexOf(TemperatureMarker);
    if (At < 0)
        return 0;
    QString Digits;
    for (qsizetype i = At + TemperatureMarker.size(); i < Page.size(); ++i) {
        const QChar C = Page.at(i);
        if ((C < QLatin1Char('0') || C > QLatin1Char('9')) && C != QLatin1Char('-'))
            break;
        Digits += C;
    }
    bool Ok = false;
    const int Value = Digits.toInt(&Ok, 10);
    return Ok ? Value : 0;
}

void TVxWeatherInfo::AfterExecute(QString& Text)
{
    FTemperature = 0;
    TVxInetBase::AfterExecute(Text);
    FTemperature = ReadTemperature(Text);
}
