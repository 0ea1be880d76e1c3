// Meta-calls that let exceptions through, for `vx run`.
#pragma once

#include <QMetaMethod>
#include <QMetaProperty>
#include <QVariant>

class QObject;

namespace vx {

// Reads and writes a property through the object's own meta-call, so that an exception
// from the getter or setter reaches the caller. Write takes a value of exactly the
// property's type.
QVariant ReadProperty(QObject* Object, const QMetaProperty& Property);
void WriteProperty(QObject* Object, const QMetaProperty& Property, QVariant Value);
// Calls a method without arguments the same way; the result is invalid for void.
QVariant InvokeMethod(QObject* Object, const QMetaMethod& Method);

// The object a QObject-pointer value holds (nullptr when none).
QObject* ValueToObject(const QVariant& Value);

}  // namespace vx
