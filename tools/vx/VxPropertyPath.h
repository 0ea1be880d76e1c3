// Property paths of `vx run`: "Host", "Proxy.Server", "Attachments[0].FileName" walked
// from a component to the property, operation or collection item they name. A path that
// names nothing raises a vx::UsageError that says what is there instead.
#pragma once

#include "VxValueText.h"

#include <QList>
#include <QMetaMethod>
#include <QString>
#include <QVariant>

class QObject;

namespace vx {

// The class name of Object, for messages.
QString ClassName(const QObject* Object);

// A value read or returned, with the kind of its type.
struct Outcome {
    ValueType Type;
    QVariant Value;
};

// Assigns the command-line text of a value to the property Path names; collection items
// are created up to the index given.
void AssignPath(QObject* Root, const QString& Path, const QString& Text);
// Reads the property (or collection item) Path names.
Outcome ReadPath(QObject* Root, const QString& Path);
// Calls the operation without arguments that Path names.
Outcome CallPath(QObject* Root, const QString& Path);

// The public operations of Object that can be called by name: Q_INVOKABLE methods and
// public slots, QObject's own left out.
QList<QMetaMethod> Operations(const QObject* Object);
// The operation Name of Object that takes no arguments; Path names it in messages.
QMetaMethod FindOperation(const QObject* Object, const QString& Name, const QString& Path);

}  // namespace vx
