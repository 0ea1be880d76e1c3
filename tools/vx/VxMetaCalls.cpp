// Properties read and written, and operations called, through the object's own
// meta-call, so that an exception from a getter, setter or operation reaches the caller.
#include "VxMetaCalls.h"

#include <QObject>

namespace vx {

QVariant ReadProperty(QObject* Object, const QMetaProperty& Property)
{
    QVariant Value(Property.metaType());
    int Status = -1;
    int Flags = 0;
    void* Argv[] = {Value.data(), nullptr, &Status, &Flags};
    Object->qt_metacall(QMetaObject::ReadProperty, Property.propertyIndex(), Argv);
    return Value;
}

void WriteProperty(QObject* Object, const QMetaProperty& Property, QVariant Value)
{
    int Status = -1;
    int Flags = 0;
    void* Argv[] = {Value.data(), &Value, &Status, &Flags};
    Object->qt_metacall(QMetaObject::WriteProperty, Property.propertyIndex(), Argv);
}

QVariant InvokeMethod(QObject* Object, const QMetaMethod& Method)
{
    QVariant Result;
    const QMetaType Type = Method.returnMetaType();
    if (Type.isValid() && Type.id() != QMetaType::Void)
        Result = QVariant(Type);
    void* Argv[] = {Result.isValid() ? Result.data() : nullptr};
    Object->qt_metacall(QMetaObject::InvokeMetaMethod, Method.methodIndex(), Argv);
    return Result;
}

QObject* ValueToObject(const QVariant& Value)
{
    if (!Value.isValid() || !(Value.metaType().flags() & QMetaType::PointerToQObject))
        return nullptr;
    return *static_cast<QObject* const*>(Value.constData());
}

}  // namespace vx
