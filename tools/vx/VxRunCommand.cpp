#include "VxRunCommand.h"

#include "VxConsole.h"
#include "VxOptionReader.h"
#include "VxPropertyValues.h"
#include "VxRegistry.h"

#include "platform/VxByteText.h"
#include <vedidoredo/platform/VxCollection.h>
#include <vedidoredo/platform/VxException.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QObject>
#include <QRegularExpression>
#include <memory>

namespace vx {
namespace {

// Collection items are created up to the index given; a typing slip such as [1000000000]
// should fail clearly instead of filling memory.
constexpr int MaxCollectionIndex = 99999;

struct Options {
    QString Class;
    QList<std::pair<QString, QString>> Assignments;
    QString Read;
    QString Call;
    bool Json = false;
    bool Help = false;
};

Options ParseArguments(const QStringList& Args)
{
    const OptionReader R(Args, {{"--read", "PROPERTY"}, {"--call", "OPERATION"}, {"--json"}, {"-h|--help"}});
    Options O;
    if (R.Positional().isEmpty())
        throw UsageError{QStringLiteral("missing CLASS; known classes: ") + ClassListText()};
    O.Class = R.Positional(0);
    for (const QString& A : R.Positional().mid(1)) {
        const qsizetype Eq = A.indexOf(QLatin1Char('='));
        if (Eq <= 0)
            throw UsageError{QStringLiteral("expected NAME=VALUE, got '%1'").arg(A)};
        O.Assignments.append({A.left(Eq), A.mid(Eq + 1)});
    }
    const QStringList Actions = R.Values("--read") + R.Values("--call");
    if (Actions.size() > 1)
        throw UsageError{QStringLiteral("give one --read or --call, not more")};
    if (Actions.contains(QString()))
        throw UsageError{QStringLiteral("%1 needs a name").arg(R.Has("--read") ? "--read" : "--call")};
    O.Read = R.Value("--read");
    O.Call = R.Value("--call");
    O.Json = R.Has("--json");
    O.Help = R.Has("--help");
    return O;
}

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

QString ClassName(const QObject* Object)
{
    return QString::fromLatin1(Object->metaObject()->className());
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

void Assign(QObject* Root, const QString& Path, const QString& Text)
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

struct Outcome {
    ValueType Type;
    QVariant Value;
};

Outcome Read(QObject* Root, const QString& Path)
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

Outcome Call(QObject* Root, const QString& Path)
{
    const QList<PathPart> Parts = ParsePath(Path);
    if (Parts.last().Index >= 0)
        throw UsageError{QStringLiteral("invalid operation name '%1'").arg(Path)};
    QObject* Object = Owner(Root, Parts, false);
    const QMetaMethod M = FindOperation(Object, Parts.last().Name, Path);
    return {ClassifyType(M.returnMetaType()), InvokeMethod(Object, M)};
}

QString IndentedJson(const QJsonValue& Value)
{
    if (Value.isArray())
        return QString::fromUtf8(QJsonDocument(Value.toArray()).toJson(QJsonDocument::Indented));
    if (Value.isObject())
        return QString::fromUtf8(QJsonDocument(Value.toObject()).toJson(QJsonDocument::Indented));
    return {};
}

// A value as --read, --call and the default action print it, without --json.
void PrintValue(const Outcome& Result)
{
    QStringList Errors;
    switch (Result.Type.Kind) {
    case ValueKind::Void:
        return;
    case ValueKind::Object:
    case ValueKind::Gadget: {
        const QJsonValue J = ValueToJson(Result.Type, Result.Value, Errors);
        WriteOutText(J.isNull() ? QStringLiteral("null\n") : IndentedJson(J));
        for (const QString& E : Errors)
            PrintError(QStringLiteral("reading ") + E);
        if (!Errors.isEmpty())
            throw EVxError(QStringLiteral("some properties could not be read"));
        return;
    }
    case ValueKind::StringList: {
        const QStringList Items = Result.Value.toStringList();
        QByteArray Bytes;
        for (const QString& Item : Items)
            Bytes += VxByteTextToBytes(Item) + '\n';
        WriteOut(Bytes);
        return;
    }
    default:
        WriteOut(VxByteTextToBytes(ValueToText(Result.Type, Result.Value)) + '\n');
    }
}

QString DescribeProperty(const QMetaProperty& P)
{
    const ValueType Type = ClassifyType(P.metaType());
    QString Text = DescribeType(Type);
    if (Type.Kind == ValueKind::Object) {
        const QMetaObject* Meta = P.metaType().metaObject();
        Text = QStringLiteral("object");
        if (Meta) {
            Text += QLatin1Char(' ') + QString::fromLatin1(Meta->className());
            if (Meta->inherits(&TVxCollection::staticMetaObject))
                Text += QStringLiteral(", items as NAME[i].PROPERTY");
            QStringList Names;
            for (int I = QObject::staticMetaObject.propertyCount(); I < Meta->propertyCount(); ++I)
                Names << QString::fromLatin1(Meta->property(I).name());
            if (!Names.isEmpty())
                Text += QStringLiteral(": ") + Names.join(QStringLiteral(", "));
        }
    }
    if (!P.isWritable() && Type.Kind != ValueKind::Object)
        Text += QStringLiteral(" (read-only)");
    return Text;
}

void PrintClassHelp(QObject* Component)
{
    const QMetaObject* Meta = Component->metaObject();
    QString Text = QStringLiteral("usage: vx run %1 [NAME=VALUE ...] [--read PROPERTY | --call OPERATION] [--json]\n\nProperties:\n")
                       .arg(ClassName(Component));
    int Width = 0;
    for (int I = QObject::staticMetaObject.propertyCount(); I < Meta->propertyCount(); ++I)
        Width = std::max(Width, int(qstrlen(Meta->property(I).name())));
    for (int I = QObject::staticMetaObject.propertyCount(); I < Meta->propertyCount(); ++I) {
        const QMetaProperty P = Meta->property(I);
        Text += QStringLiteral("  %1  %2\n").arg(QString::fromLatin1(P.name()), -Width).arg(DescribeProperty(P));
    }
    QStringList Names;
    for (const QMetaMethod& M : Operations(Component))
        if (M.parameterCount() == 0 && !Names.contains(QString::fromLatin1(M.name())))
            Names << QString::fromLatin1(M.name());
    Text += QStringLiteral("\nOperations: %1\n")
                .arg(Names.isEmpty() ? QStringLiteral("none") : Names.join(QStringLiteral(", ")));
    WriteOutText(Text);
}

int Run(const QStringList& Args)
{
    const Options O = ParseArguments(Args);
    const ClassInfo* Info = FindClass(O.Class);
    if (!Info)
        throw UsageError{QStringLiteral("unknown class '%1'; known classes: %2").arg(O.Class, ClassListText())};
    std::unique_ptr<QObject> Component(Info->Create());
    if (O.Help) {
        PrintClassHelp(Component.get());
        return ExitOk;
    }

    for (const auto& [Name, Value] : O.Assignments)
        Assign(Component.get(), Name, Value);

    Outcome Result;
    int Status = ExitOk;
    if (!O.Read.isEmpty()) {
        Result = Read(Component.get(), O.Read);
    } else if (!O.Call.isEmpty()) {
        Result = Call(Component.get(), O.Call);
    } else {
        const QMetaMethod Execute = [&] {
            try {
                return FindOperation(Component.get(), QStringLiteral("Execute"), QStringLiteral("Execute"));
            } catch (const UsageError&) {
                throw UsageError{QStringLiteral("%1 has no Execute operation; use --read or --call")
                                     .arg(O.Class)};
            }
        }();
        Result = {ClassifyType(Execute.returnMetaType()), InvokeMethod(Component.get(), Execute)};
        // A web component reports failure by returning false.
        if (Result.Type.Kind == ValueKind::Boolean && !Result.Value.toBool())
            Status = ExitFalse;
    }

    if (!O.Json) {
        // Execute's text is the answer itself: written as it is, nothing added.
        if (O.Read.isEmpty() && O.Call.isEmpty() &&
            (Result.Type.Kind == ValueKind::String || Result.Type.Kind == ValueKind::Boolean)) {
            if (Result.Type.Kind == ValueKind::String)
                WriteOut(VxByteTextToBytes(Result.Value.toString()));
        } else {
            PrintValue(Result);
        }
        return Status;
    }

    QStringList Errors;
    const QJsonValue ResultJson = ValueToJson(Result.Type, Result.Value, Errors);
    QHash<QString, QJsonValue> Known;
    // A property read as the result is not read a second time: reading may run the
    // exchange again (DateTime does).
    if (!O.Read.isEmpty() && !O.Read.contains(QLatin1Char('.')) && !O.Read.contains(QLatin1Char('[')))
        Known.insert(O.Read, ResultJson);
    QJsonObject Root = ObjectToJson(Component.get(), Errors, Known).toObject();
    Root.insert(QStringLiteral("Result"), ResultJson);
    WriteOut(QJsonDocument(Root).toJson(QJsonDocument::Indented));
    for (const QString& E : Errors)
        PrintError(QStringLiteral("reading ") + E);
    if (!Errors.isEmpty() && Status == ExitOk)
        Status = ExitError;
    return Status;
}

const char* const RunHelp =
    "Creates a component of CLASS, assigns each NAME=VALUE from left to right, then runs\n"
    "Execute (or reads PROPERTY, or calls OPERATION) and prints the outcome.\n"
    "\n"
    "Values:\n"
    "  text          as given, with the escapes \\r \\n \\t \\\\ and \\xHH (the character HH)\n"
    "  numbers       decimal; Booleans true or false\n"
    "  enumerations  the value's name (haGet); sets: names separated by commas, in\n"
    "                optional brackets ([irA,irMX], [] for none)\n"
    "  string lists  the whole list, lines separated by \\n\n"
    "  date-times    yyyy-MM-dd hh:mm:ss, or a number of days since 1899-12-30\n"
    "  owned objects Proxy.Server=HOST; collection items Attachments[0].FileName=F\n"
    "                (items are created up to the index)\n"
    "\n"
    "Actions:\n"
    "  (default)       Execute: a socket component's answer goes to standard output as\n"
    "                  bytes (characters up to 255 as one byte each, others as UTF-8),\n"
    "                  nothing added; a web component writes nothing\n"
    "  --read PROPERTY print the value and a line feed (date-times yyyy-MM-dd hh:mm:ss.zzz,\n"
    "                  string lists one item per line, objects as JSON)\n"
    "  --call OPERATION call a public operation without arguments\n"
    "  --json          print one JSON object instead: \"Result\" and every property after\n"
    "                  the action (text as Unicode strings: byte text keeps one character\n"
    "                  per byte, U+0000 to U+00FF); a property whose read asks the server\n"
    "                  (DateTime) only when --read names it, so no exchange runs beyond\n"
    "                  the action. A property that cannot be read is null, its error on\n"
    "                  standard error (exit status 2)\n"
    "  CLASS --help    list the properties and operations of CLASS\n"
    "\n"
    "Exit status: 0 done; 1 a web component's Execute returned false; 2 an error (its\n"
    "message on standard error); 64 a usage error.\n";

// A window class needs a QApplication even to be created.
bool RunNeedsWindows(const QStringList& Args)
{
    for (const QString& A : Args)
        if (!A.startsWith(QLatin1Char('-'))) {
            const ClassInfo* Info = FindClass(A);
            return Info && Info->NeedsWindows;
        }
    return false;
}

VX_REGISTER_WINDOW_COMMAND("run",
                           "run CLASS [NAME=VALUE ...] [--read PROPERTY | --call OPERATION] [--json]"
                           "  run any component by its properties",
                           RunHelp, Run, RunNeedsWindows)

}  // namespace

QString ClassListText()
{
    QStringList Names;
    for (const ClassInfo& C : Classes())
        Names << C.Name;
    return Names.isEmpty() ? QStringLiteral("none") : Names.join(QStringLiteral(", "));
}

}  // namespace vx
