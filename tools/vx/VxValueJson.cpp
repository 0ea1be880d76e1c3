// Property values as JSON: objects, collections and result gadgets as nested objects
// and arrays, for `vx run --json` and the commands' --json output.
#include "VxValueJson.h"

#include "VxMetaCalls.h"

#include <vedidoredo/platform/VxCollection.h>
#include <vedidoredo/platform/VxDateTime.h>
#include <vedidoredo/platform/VxException.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QMetaProperty>
#include <QObject>
#include <QSet>
#include <cmath>
#include <limits>

namespace vx {
namespace {

struct JsonWalk {
    QStringList& Errors;
    QSet<const void*> Open;  // objects and gadgets being written, against reference cycles
};

constexpr int MaxJsonDepth = 16;

QJsonValue ValueToJsonIn(const ValueType& Type, const QVariant& Value, JsonWalk& Walk);


// The properties of the class whose read runs an exchange (its "ExchangeOnRead" class
// information, names separated by commas).
QStringList ExchangeOnRead(const QMetaObject* Meta)
{
    QStringList Names;
    for (int I = 0; I < Meta->classInfoCount(); ++I) {
        const QMetaClassInfo Info = Meta->classInfo(I);
        if (qstrcmp(Info.name(), "ExchangeOnRead") == 0)
            for (const QString& Name : QString::fromLatin1(Info.value()).split(QLatin1Char(',')))
                Names << Name.trimmed();
    }
    return Names;
}

// A gadget's properties as an object; a list gadget's items as an array.
QJsonValue GadgetToJsonIn(const QMetaObject* Meta, const void* Gadget, JsonWalk& Walk)
{
    if (!Meta || !Gadget || Walk.Open.contains(Gadget) || Walk.Open.size() >= MaxJsonDepth)
        return QJsonValue::Null;
    Walk.Open.insert(Gadget);
    QJsonValue Result;
    const int CountIndex = Meta->indexOfProperty("Count");
    const int GetIndex = Meta->indexOfMethod("GetItem(int)");
    const QMetaMethod Get = GetIndex >= 0 ? Meta->method(GetIndex) : QMetaMethod();
    const ValueType ItemType = ClassifyType(Get.returnMetaType());
    if (CountIndex >= 0 && ItemType.Kind == ValueKind::Gadget) {
        QJsonArray Items;
        const int Count = Meta->property(CountIndex).readOnGadget(Gadget).toInt();
        for (int I = 0; I < Count; ++I) {
            void* Item = nullptr;
            Get.invokeOnGadget(const_cast<void*>(Gadget), QGenericReturnArgument(Get.typeName(), &Item),
                               Q_ARG(int, I));
            Items.append(GadgetToJsonIn(ItemType.Type.metaObject(), Item, Walk));
        }
        Result = Items;
    } else {
        QJsonObject Properties;
        for (int I = 0; I < Meta->propertyCount(); ++I) {
            const QMetaProperty P = Meta->property(I);
            Properties.insert(QString::fromLatin1(P.name()),
                              ValueToJsonIn(ClassifyType(P.metaType()), P.readOnGadget(Gadget), Walk));
        }
        Result = Properties;
    }
    Walk.Open.remove(Gadget);
    return Result;
}

QJsonValue ObjectToJsonIn(QObject* Object, JsonWalk& Walk, const QHash<QString, QJsonValue>& Known = {})
{
    if (!Object || Walk.Open.contains(Object) || Walk.Open.size() >= MaxJsonDepth)
        return QJsonValue::Null;
    Walk.Open.insert(Object);
    QJsonValue Result;
    if (auto* Collection = qobject_cast<TVxCollection*>(Object)) {
        QJsonArray Items;
        for (int I = 0; I < Collection->Count(); ++I)
            Items.append(ObjectToJsonIn(Collection->Item(I), Walk));
        Result = Items;
    } else {
        QJsonObject Properties;
        const QMetaObject* Meta = Object->metaObject();
        const QStringList Exchanging = ExchangeOnRead(Meta);
        for (int I = QObject::staticMetaObject.propertyCount(); I < Meta->propertyCount(); ++I) {
            const QMetaProperty P = Meta->property(I);
            if (!P.isReadable())
                continue;
            const QString Name = QString::fromLatin1(P.name());
            if (Known.contains(Name)) {
                Properties.insert(Name, Known.value(Name));
                continue;
            }
            if (Exchanging.contains(Name))
                continue;  // listing a property must not talk to the server
            try {
                Properties.insert(Name, ValueToJsonIn(ClassifyType(P.metaType()), ReadProperty(Object, P), Walk));
            } catch (const EVxError& E) {
                Walk.Errors << Name + QStringLiteral(": ") + E.Message();
                Properties.insert(Name, QJsonValue::Null);
            } catch (const std::exception& E) {
                Walk.Errors << Name + QStringLiteral(": ") + QString::fromLocal8Bit(E.what());
                Properties.insert(Name, QJsonValue::Null);
            }
        }
        Result = Properties;
    }
    Walk.Open.remove(Object);
    return Result;
}

QJsonValue ValueToJsonIn(const ValueType& Type, const QVariant& Value, JsonWalk& Walk)
{
    if (!Value.isValid())
        return QJsonValue::Null;
    switch (Type.Kind) {
    case ValueKind::Void:
        return QJsonValue::Null;
    case ValueKind::String:
        return Value.toString();
    case ValueKind::Bytes:
        return QString::fromLatin1(Value.toByteArray());
    case ValueKind::Integer:
        return QJsonValue(ReadSigned(Value));
    case ValueKind::Unsigned: {
        const quint64 V = ReadUnsigned(Value);
        return V <= quint64(std::numeric_limits<qint64>::max()) ? QJsonValue(qint64(V))
                                                                  : QJsonValue(double(V));
    }
    case ValueKind::Float: {
        const double D = Value.toDouble();
        return std::isfinite(D) ? QJsonValue(D) : QJsonValue(QJsonValue::Null);
    }
    case ValueKind::Boolean:
        return Value.toBool();
    case ValueKind::Enumeration:
        return EnumName(Type.Enum, ReadSigned(Value));
    case ValueKind::Set:
        return QJsonArray::fromStringList(SetNames(Type.Enum, ReadUnsigned(Value)));
    case ValueKind::StringList:
        return QJsonArray::fromStringList(Value.toStringList());
    case ValueKind::DateTime:
        return DateTimeToText(*static_cast<const TDateTime*>(Value.constData()));
    case ValueKind::Object:
        return ObjectToJsonIn(ValueToObject(Value), Walk);
    case ValueKind::Gadget:
        return GadgetToJsonIn(Type.Type.metaObject(), *static_cast<const void* const*>(Value.constData()), Walk);
    case ValueKind::Other:
        break;
    }
    const QJsonValue J = QJsonValue::fromVariant(Value);
    if (!J.isNull() && !J.isUndefined())
        return J;
    return Value.canConvert<QString>() ? QJsonValue(Value.toString()) : QJsonValue(QJsonValue::Null);
}

}  // namespace

QJsonValue ValueToJson(const ValueType& Type, const QVariant& Value, QStringList& Errors)
{
    JsonWalk Walk{Errors, {}};
    return ValueToJsonIn(Type, Value, Walk);
}

QJsonValue ObjectToJson(QObject* Object, QStringList& Errors, const QHash<QString, QJsonValue>& Known)
{
    JsonWalk Walk{Errors, {}};
    return ObjectToJsonIn(Object, Walk, Known);
}

}  // namespace vx
