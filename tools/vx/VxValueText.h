// Property values as command-line text, for every kind of value a component publishes:
// strings, numbers, Booleans, enumerations and sets (through the type's Q_ENUM / Q_FLAG
// enumerator), string lists, date-times, and owned objects and collections.
#pragma once

#include <QMetaEnum>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace vx {

enum class ValueKind {
    Void,         // no value (an operation that returns nothing)
    String,
    Bytes,        // QByteArray
    Integer,      // signed integers of any width
    Unsigned,     // unsigned integers of any width
    Float,
    Boolean,
    Enumeration,
    Set,
    StringList,
    DateTime,     // TDateTime
    Object,       // a QObject pointer: an owned object or a collection
    Gadget,       // a pointer to a Q_GADGET: a result structure or a list of them
    Other,        // anything else, handled through QVariant's conversions
};

struct ValueType {
    ValueKind Kind = ValueKind::Other;
    QMetaType Type;
    QMetaEnum Enum;  // the enumerator of an Enumeration or Set
};

// What kind of value a meta type holds.
ValueType ClassifyType(QMetaType Type);

// Turns the command-line text of a value into a QVariant of exactly Type.Type. Strings,
// byte arrays and string lists take the escapes \r \n \t \\ and \xHH. On a bad value
// returns false with Error saying what was expected.
bool TextToValue(const ValueType& Type, const QString& Text, QVariant& Value, QString& Error);

// Resolves the escapes \r \n \t \\ and \xHH; false with Error for any other escape.
bool UnescapeText(const QString& Text, QString& Result, QString& Error);

// The value as `--read` prints it, without the final line feed: date-times as
// "yyyy-MM-dd hh:mm:ss.zzz", enumerations by name, sets as "[a,b]", string lists one
// item per line, Booleans true/false. Strings come back as they are.
QString ValueToText(const ValueType& Type, const QVariant& Value);

// A readable name of the kind for messages: "an integer", "true or false" ...
QString DescribeType(const ValueType& Type);

// The pieces of a value that the JSON output shares: integers of any width read from the
// variant's own storage, and the names of an enumeration value and of a set's members.
qint64 ReadSigned(const QVariant& Value);
quint64 ReadUnsigned(const QVariant& Value);
QString EnumName(const QMetaEnum& Enum, qint64 Value);
QStringList SetNames(const QMetaEnum& Enum, quint64 Value);

}  // namespace vx
