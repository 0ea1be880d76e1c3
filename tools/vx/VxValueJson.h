// Property values as JSON, for `vx run --json` and the commands' --json output.
#pragma once

#include "VxValueText.h"

#include <QHash>
#include <QJsonValue>
#include <QString>
#include <QStringList>

class QObject;

namespace vx {

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

}  // namespace vx
