#include <vedidoredo/platform/VxDateTime.h>
#include <vedidoredo/platform/VxException.h>

#include <QDate>
#include <QTime>
#include <cmath>

namespace {

constexpr qint64 JulianDayOfZero = 2415019;  // 1899-12-30

}  // namespace

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result)
{
    if (Year < 1 || Year > 9999 || !QDate::isValid(Year, Month, Day))
        return false;
    Result = double(QDate(Year, Month, Day).toJulianDay() - JulianDayOfZero);
    return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result)
{
    if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 ||
        MSec > 999)
        return false;
    Result = (((Hour * 60.0 + Min) * 60.0 + Sec) * 1000.0 + MSec) / VxMSecsPerDay;
    return true;
}

TDateTime EncodeDate(int Year, int Month, int Day)
{
    TDateTime Result;
    if (!TryEncodeDate(Year, Month, Day, Result))
        throw EVxConvertError(QStringLiteral("Invalid argument to date encode"));
    return Result;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec)
{
    TDateTime Result;
    if (!TryEncodeTime(Hour, Min, Sec, MSec, Result))
        throw EVxConvertError(QStringLiteral("Invalid argument to time encode"));
    return Result;
}

TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec, int MSec)
{
    const double D = EncodeDate(Year, Month, Day);
    const double T = EncodeTime(Hour, Min, Sec, MSec);
    // Days before 1899-12-30 are negative and count the time of day away from zero.
    return D < 0 ? D - T : D + T;
}

namespace {

// Splits a value into whole days and milliseconds of the day, rounding to the
// nearest millisecond (and carrying into the next day when it rounds up to 24:00).
void SplitValue(TDateTime Value, qint64& Days, qint64& MSecs)
{
    const double V = Value;
    double Whole = std::trunc(V);
    MSecs = std::llround(std::fabs(V - Whole) * VxMSecsPerDay);
    if (MSecs >= qint64(VxMSecsPerDay)) {
        MSecs -= qint64(VxMSecsPerDay);
        Whole += V < 0 ? -1 : 1;
    }
    Days = qint64(Whole);
}

}  // namespace

void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day)
{
    qint64 Days, MSecs;
    SplitValue(Value, Days, MSecs);
    QDate::fromJulianDay(Days + JulianDayOfZero).getDate(&Year, &Month, &Day);
}

void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec)
{
    qint64 Days, MSecs;
    SplitValue(Value, Days, MSecs);
    Hour = int(MSecs / 3600000);
    Min = int(MSecs / 60000 % 60);
    Sec = int(MSecs / 1000 % 60);
    MSec = int(MSecs % 1000);
}

void DecodeDateTime(TDateTime Value, int& Year, int& Month, int& Day, int& Hour, int& Min,
                    int& Sec, int& MSec)
{
    DecodeDate(Value, Year, Month, Day);
    DecodeTime(Value, Hour, Min, Sec, MSec);
}

QDateTime DateTimeToQDateTime(TDateTime Value, Qt::TimeSpec Spec)
{
    qint64 Days, MSecs;
    SplitValue(Value, Days, MSecs);
    return QDateTime(QDate::fromJulianDay(Days + JulianDayOfZero),
                     QTime::fromMSecsSinceStartOfDay(int(MSecs)), Spec);
}

TDateTime QDateTimeToDateTime(const QDateTime& Value)
{
    const QDate D = Value.date();
    const QTime T = Value.time();
    const double Days = double(D.toJulianDay() - JulianDayOfZero);
    const double Fraction = T.msecsSinceStartOfDay() / VxMSecsPerDay;
    return Days < 0 ? Days - Fraction : Days + Fraction;
}

TDateTime Now()
{
    return QDateTimeToDateTime(QDateTime::currentDateTime());
}

TDateTime Date()
{
    return double(QDate::currentDate().toJulianDay() - JulianDayOfZero);
}

QString DateTimeToText(TDateTime Value)
{
    // UTC has no gaps or folds, so the fields come out exactly as stored.
    return DateTimeToQDateTime(Value, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

bool TextToDateTime(const QString& Text, TDateTime& Result)
{
    const QString T = Text.trimmed();
    const QString DatePart = T.section(QLatin1Char(' '), 0, 0);
    const QString TimePart = T.section(QLatin1Char(' '), 1).trimmed();
    const QDate D = QDate::fromString(DatePart, QStringLiteral("yyyy-MM-dd"));
    if (D.isValid()) {
        QTime Tm(0, 0);
        if (!TimePart.isEmpty()) {
            Tm = QTime::fromString(TimePart, QStringLiteral("hh:mm:ss.zzz"));
            if (!Tm.isValid())
                Tm = QTime::fromString(TimePart, QStringLiteral("hh:mm:ss"));
            if (!Tm.isValid())
                return false;
        }
        Result = QDateTimeToDateTime(QDateTime(D, Tm, Qt::UTC));
        return true;
    }
    bool Ok = false;
    const double Days = T.toDouble(&Ok);
    if (Ok && std::isfinite(Days)) {
        Result = Days;
        return true;
    }
    return false;
}
