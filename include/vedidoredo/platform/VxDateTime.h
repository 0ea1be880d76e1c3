/// \file
/// TDateTime: days since 1899-12-30 as a double, the fraction being the time of day.
/// It is a distinct type (not a plain typedef of double) so that tools working by
/// property name, such as `vx run`, can tell a date-time from a number; it converts
/// to and from double implicitly and behaves like one in arithmetic.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QDateTime>
#include <QMetaType>

/// A date and time as days since 1899-12-30, the fraction being the time of day.
class TDateTime {
public:
    /// Makes the date-time of Value days.
    constexpr TDateTime(double Value = 0.0) : FValue(Value) {}
    /// The number of days.
    constexpr operator double() const { return FValue; }
    /// The number of days.
    constexpr double Value() const { return FValue; }
    /// Adds D days.
    TDateTime& operator+=(double D) { FValue += D; return *this; }
    /// Subtracts D days.
    TDateTime& operator-=(double D) { FValue -= D; return *this; }

private:
    double FValue;
};

/// The time of day parts as fractions of a day.
inline constexpr double VxHoursPerDay = 24.0;
/// Milliseconds in one day.
inline constexpr double VxMSecsPerDay = 24.0 * 60 * 60 * 1000;

/// Date and time from their parts. Parts out of range (month 13, hour 25, day 31 of
/// April) raise EVxConvertError, as do years outside 1..9999.
VX_CORE_EXPORT TDateTime EncodeDate(int Year, int Month, int Day);
/// The time of day from its parts; raises EVxConvertError for a part out of range.
VX_CORE_EXPORT TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
/// Date and time from their parts; raises EVxConvertError for a part out of range.
VX_CORE_EXPORT TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Min, int Sec,
                                        int MSec);
/// The non-raising forms: false when a part is out of range.
VX_CORE_EXPORT bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result);
/// The non-raising EncodeTime: false when a part is out of range.
VX_CORE_EXPORT bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result);

/// The year, month and day of a date-time.
VX_CORE_EXPORT void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day);
/// The hour, minute, second and millisecond of a date-time.
VX_CORE_EXPORT void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec);
/// Every part of a date-time.
VX_CORE_EXPORT void DecodeDateTime(TDateTime Value, int& Year, int& Month, int& Day, int& Hour,
                                   int& Min, int& Sec, int& MSec);

/// The local clock as a date-time (local wall time, like the platform's Now).
VX_CORE_EXPORT TDateTime Now();
VX_CORE_EXPORT TDateTime Date();  ///< today, time 0

/// Conversions keep the wall-clock fields: the date-time's fields become the QDateTime's
/// fields in Spec (local time by default), and back. Milliseconds are rounded.
VX_CORE_EXPORT QDateTime DateTimeToQDateTime(TDateTime Value, Qt::TimeSpec Spec = Qt::LocalTime);
/// The date-time of a QDateTime's wall-clock fields.
VX_CORE_EXPORT TDateTime QDateTimeToDateTime(const QDateTime& Value);

/// "yyyy-MM-dd hh:mm:ss.zzz" of the value as it is, without zone conversion.
VX_CORE_EXPORT QString DateTimeToText(TDateTime Value);
/// Reads "yyyy-MM-dd hh:mm:ss[.zzz]", "yyyy-MM-dd" or a number of days; false otherwise.
VX_CORE_EXPORT bool TextToDateTime(const QString& Text, TDateTime& Result);

Q_DECLARE_METATYPE(TDateTime)
