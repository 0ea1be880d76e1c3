// Property paths of `vx run`: "Host", "Proxy.Server", "Attachments[0].FileName" walked
// from a component to the property, operation or collection item they name.
#include "VxPropertyPath.h"

#include "VxMetaCalls.h"
#include "VxOptionReader.h"

#include <vedidoredo/platform/VxCollection.h>
#include <vedidoredo/platform/VxException.h>

#include <QObject>
#include <QRegularExpression>

namespace vx {

QString ClassName(const QObject* Object)
{
    return QString::fromLatin1(Object->metaObject()->className());
}

namespace {

// Collection items are created up to the index given; a typing slip such as [1000000000]
// should fail clearly instead of filling memory.
constexpr int MaxCollectionIndex = 99999;

// One step of a property path: a name, with an index when it picks a collection item.
struct PathPart {
    QString Name;
    int Index = -1;
};

QList<PathPart> ParsePath(const QString& Path)
{
    static const QRegularExpression Part(QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)(?:\\[([0-9]+)\\])?$"));
    QList<PathPart> Parts;
    for (const QString& Text : Path.split(QLatin1Char('.'))) {
        const QRegularExpressionMatch M = Part.match(Text);
        if (!M.hasMatch())
            throw UsageError{QStringLiteral("invalid property name '%1'").arg(Path)};
        PathPart P{M.captured(1), -1};
        if (M.hasCaptured(2)) {
            bool Ok = false;
            P.Index = M.captured(2).toInt(&Ok);
            if (!Ok || P.Index > MaxCollectionIndex)
                throw UsageError{QStringLiteral("index too large in '%1' (at most %2)")
                                     .arg(Path)
                                     .arg(MaxCollectionIndex)};
        }
        Parts.append(P);
    }
    return Parts;
}

// The property Name of Object; QObject's own (objectName) is not a component property.
QMetaProperty FindProperty(QObject* Object, const QString& Name, const QString& Path)
{
    const QMetaObject* Meta = Object->metaObject();
    const int Index = Meta->indexOfProperty(Name.toLatin1().constData());
    if (Index < QObject::staticMetaObject.propertyCount())
        throw UsageError{QStringLiteral("%1 has no property '%2'").arg(ClassName(Object), Path)};
    return Meta->property(Index);
}

// The object that the property Part of Object holds, or its item at Part.Index. With
// Create, missing collection items up to the index are added.
QObject* StepInto(QObject* Object, const PathPart& Part, const QString& Path, bool Create)
{
    const QMetaProperty P = FindProperty(Object, Part.Name, Path);
    if (ClassifyType(P.metaType()).Kind != ValueKind::Object)
        throw UsageError{QStringLiteral("'%1' is not an object").arg(Path)};
    QObject* Child = ValueToObject(ReadProperty(Object, P));
    if (!Child)
        throw UsageError{QStringLiteral("'%1' holds no object").arg(Path)};
    if (Part.Index < 0)
        return Child;
    auto* Collection = qobject_cast<TVxCollection*>(Child);
    if (!Collection)
        throw UsageError{QStringLiteral("'%1' is not a collection; it takes no index").arg(Part.Name)};
    if (Create) {
        while (Collection->Count() <= Part.Index)
            if (!Collection->AddItem())
                throw EVxError(QStringLiteral("%1 could not add an item").arg(Part.Name));
    } else if (Part.Index >= Collection->Count()) {
        throw UsageError{QStringLiteral("'%1' has %2 items; there is no item %3")
                             .arg(Part.Name)
                             .arg(Collection->Count())
                             .arg(Part.Index)};
    }
    return Collection->Item(Part.Index);
}

// Walks all but the last part of a path; returns the object that holds the last part.
QObject* Owner(QObject* Root, const QList<PathPart>& Parts, bool Create)
{
    QObject* Object = Root;
    QString Walked;
    for (qsizetype I = 0; I + 1 < Parts.size(); ++I) {
        Walked += (I ? QStringLiteral(".") : QString()) + Parts.at(I).Name;
        Object = StepInto(Object, Parts.at(I), Walked, Create);
        if (Parts.at(I).Index >= 0)
            Walked += QStringLiteral("[%1]").arg(Parts.at(I).Index);
    }
    return Object;
}

}  // namespace

void AssignPath(QObject* Root, const QString& Path, const QString& Text)
{
    const QList<PathPart> Parts = ParsePath(Path);
    QObject* Object = Owner(Root, Parts, true);
    const PathPart& Last = Parts.last();
    const QMetaProperty P = FindProperty(Object, Last.Name, Path);
    const ValueType Type = ClassifyType(P.metaType());
    if (Type.Kind == ValueKind::Object || Last.Index >= 0)
        throw UsageError{QStringLiteral("'%1' is an object; set its properties as %1.NAME=VALUE")
                             .arg(Path)};
    if (!P.isWritable())
        throw UsageError{QStringLiteral("property '%1' is read-only").arg(Path)};
    QVariant Value;
    QString Error;
    if (!TextToValue(Type, Text, Value, Error))
        throw UsageError{QStringLiteral("invalid value '%1' for %2: %3").arg(Text, Path, Error)};
    WriteProperty(Object, P, Value);
}

Outcome ReadPath(QObject* Root, const QString& Path)
{
    const QList<PathPart> Parts = ParsePath(Path);
    QObject* Object = Owner(Root, Parts, false);
    const PathPart& Last = Parts.last();
    if (Last.Index >= 0) {
        QObject* Item = StepInto(Object, Last, Path, false);
        return {ClassifyType(QMetaType::fromType<QObject*>()), QVariant::fromValue(Item)};
    }
    const QMetaProperty P = FindProperty(Object, Last.Name, Path);
    if (!P.isReadable())
        throw UsageError{QStringLiteral("property '%1' cannot be read").arg(Path)};
    return {ClassifyType(P.metaType()), ReadProperty(Object, P)};
}

// The public operations of Object that can be called by name: Q_INVOKABLE methods and
// public slots, QObject's own left out.
QList<QMetaMethod> Operations(const QObject* Object)
{
    QList<QMetaMethod> List;
    const QMetaObject* Meta = Object->metaObject();
    for (int I = QObject::staticMetaObject.methodCount(); I < Meta->methodCount(); ++I) {
        const QMetaMethod M = Meta->method(I);
        if (M.access() == QMetaMethod::Public &&
            (M.methodType() == QMetaMethod::Method || M.methodType() == QMetaMethod::Slot))
            List.append(M);
    }
    return List;
}

QMetaMethod FindOperation(const QObject* Object, const QString& Name, const QString& Path)
{
    bool NeedsArguments = false;
    QStringList Names;
    for (const QMetaMethod& M : Operations(Object)) {
        const QString MethodName = QString::fromLatin1(M.name());
        if (M.parameterCount() == 0 && !Names.contains(MethodName))
            Names << MethodName;
        if (MethodName != Name)
            continue;
        if (M.parameterCount() == 0)
            return M;
        NeedsArguments = true;
    }
    if (NeedsArguments)
        throw UsageError{QStringLiteral("operation '%1' takes arguments; only operations without "
                                        "arguments can be called")
                             .arg(Path)};
    throw UsageError{QStringLiteral("%1 has no operation '%2' (operations: %3)")
                         .arg(ClassName(Object), Path,
                              Names.isEmpty() ? QStringLiteral("none") : Names.join(QStringLiteral(", ")))};
}

Outcome CallPath(QObject* Root, const QString& Path)
{
    const QList<PathPart> Parts = ParsePath(Path);
    if (Parts.last().Index >= 0)
        throw UsageError{QStringLiteral("invalid operation name '%1'").arg(Path)};
    QObject* Object = Owner(Root, Parts, false);
    const QMetaMethod M = FindOperation(Object, Parts.last().Name, Path);
    return {ClassifyType(M.returnMetaType()), InvokeMethod(Object, M)};
}

}  // namespace vx
