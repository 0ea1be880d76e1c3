// Property values as text and JSON, for every kind of value a component publishes:
// strings, numbers, Booleans, enumerations and sets (through the type's Q_ENUM / Q_FLAG
// enumerator), string lists, date-times, and owned objects and collections.
#pragma once

#include <QHash>
#include <QJsonValue>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QMetaEnum>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

class QObject;

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

// The value in JSON. Objects and gadgets are turned into nested objects, collections
// into arrays of objects, and so are gadgets that are lists (a Count property and an
// invokable GetItem(int) returning a gadget pointer); Errors collects the messages of properties whose reading failed (their value
// is null).
QJsonValue ValueToJson(const ValueType& Type, const QVariant& Value, QStringList& Errors);

// Every property of Object declared below QObject, by name; collections give an array
// of their items. Known holds values already read (by top-level property name), which
// are used instead of reading those properties again. Properties whose read runs an
// exchange (named in the class information "ExchangeOnRead") are left out unless Known
// holds them.
QJsonValue ObjectToJson(QObject* Object, QStringList& Errors,
                        const QHash<QString, QJsonValue>& Known = {});

// Reads and writes a property through the object's own meta-call, so that an exception
// from the getter or setter reaches the caller. Write takes a value of exactly the
// property's type.
QVariant ReadProperty(QObject* Object, const QMetaProperty& Property);
void WriteProperty(QObject* Object, const QMetaProperty& Property, QVariant Value);
// Calls a method without arguments the same way; the result is invalid for void.
QVariant InvokeMethod(QObject* Object, const QMetaMethod& Method);

// The object a QObject-pointer value holds (nullptr when none).
QObject* ValueToObject(const QVariant& Value);

// A readable name of the kind for messages: "an integer", "true or false" ...
QString DescribeType(const ValueType& Type);

}  // namespace vx
