// `vx run CLASS [NAME=VALUE ...] [--read PROPERTY | --call OPERATION] [--json]`: creates
// a registered component, assigns its properties by name, runs Execute (or reads a
// property, or calls an operation) and prints the outcome.
#include "VxConsole.h"
#include "VxMetaCalls.h"
#include "VxOptionReader.h"
#include "VxPropertyPath.h"
#include "VxRegistry.h"
#include "VxValueJson.h"

#include "platform/VxByteText.h"
#include <vedidoredo/platform/VxCollection.h>
#include <vedidoredo/platform/VxException.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QObject>
#include <memory>

namespace vx {
namespace {

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
        AssignPath(Component.get(), Name, Value);

    Outcome Result;
    int Status = ExitOk;
    if (!O.Read.isEmpty()) {
        Result = ReadPath(Component.get(), O.Read);
    } else if (!O.Call.isEmpty()) {
        Result = CallPath(Component.get(), O.Call);
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
}  // namespace vx
