// Property values as command-line text: what kind of value a type holds, text to value
// and back.
#include "VxValueText.h"

#include <vedidoredo/platform/VxDateTime.h>

#include <QLocale>
#include <QRegularExpression>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>

namespace vx {
namespace {

// The enumerator of an enumeration or set type, found through the meta object of the
// class or namespace that declared it with Q_ENUM / Q_FLAG (or their _NS forms).
QMetaEnum FindEnumerator(QMetaType Type, bool& IsFlags)
{
    IsFlags = false;
    const QMetaObject* Owner = Type.metaObject();
    if (!Owner || (Type.flags() & (QMetaType::PointerToQObject | QMetaType::IsGadget |
                                   QMetaType::PointerToGadget)))
        return {};
    QByteArray Name = Type.name();
    if (Name.startsWith("QFlags<") && Name.endsWith('>')) {
        IsFlags = true;
        Name = Name.mid(7, Name.size() - 8);
    }
    const qsizetype Colons = Name.lastIndexOf("::");
    if (Colons >= 0)
        Name = Name.mid(Colons + 2);
    QMetaEnum Found;
    for (int I = 0; I < Owner->enumeratorCount(); ++I) {
        const QMetaEnum E = Owner->enumerator(I);
        if (Name != E.name() && Name != E.enumName())
            continue;
        // A set type prefers its Q_FLAG enumerator over the Q_ENUM of its values.
        if (E.isFlag() == IsFlags)
            return E;
        if (!Found.isValid())
            Found = E;
    }
    if (Found.isFlag())
        IsFlags = true;
    return Found;
}

QVariant MakeInteger(QMetaType Type, quint64 Bits)
{
    switch (Type.sizeOf()) {
    case 1: { quint8 V = quint8(Bits); return QVariant(Type, &V); }
    case 2: { quint16 V = quint16(Bits); return QVariant(Type, &V); }
    case 4: { quint32 V = quint32(Bits); return QVariant(Type, &V); }
    case 8: { quint64 V = Bits; return QVariant(Type, &V); }
    }
    return {};
}

bool IsDecimal(const QString& Text)
{
    static const QRegularExpression Pattern(QStringLiteral("^[+-]?[0-9]+$"));
    return Pattern.match(Text).hasMatch();
}

QStringList EnumKeys(const QMetaEnum& Enum)
{
    QStringList Keys;
    for (int I = 0; I < Enum.keyCount(); ++I)
        Keys << QString::fromLatin1(Enum.key(I));
    return Keys;
}

QString FloatText(double Value)
{
    return QString::number(Value, 'g', QLocale::FloatingPointShortest);
}

}  // namespace

// Integers of any width, read from and written into the variant's own storage.
qint64 ReadSigned(const QVariant& Value)
{
    const void* P = Value.constData();
    switch (Value.metaType().sizeOf()) {
    case 1: { qint8 V; std::memcpy(&V, P, 1); return V; }
    case 2: { qint16 V; std::memcpy(&V, P, 2); return V; }
    case 4: { qint32 V; std::memcpy(&V, P, 4); return V; }
    case 8: { qint64 V; std::memcpy(&V, P, 8); return V; }
    }
    return Value.toLongLong();
}

quint64 ReadUnsigned(const QVariant& Value)
{
    const void* P = Value.constData();
    switch (Value.metaType().sizeOf()) {
    case 1: { quint8 V; std::memcpy(&V, P, 1); return V; }
    case 2: { quint16 V; std::memcpy(&V, P, 2); return V; }
    case 4: { quint32 V; std::memcpy(&V, P, 4); return V; }
    case 8: { quint64 V; std::memcpy(&V, P, 8); return V; }
    }
    return Value.toULongLong();
}

QStringList SetNames(const QMetaEnum& Enum, quint64 Value)
{
    QStringList Names;
    quint64 Left = Value;
    for (int I = 0; I < Enum.keyCount() && Left; ++I) {
        const quint64 Key = quint32(Enum.value(I));
        if (Key != 0 && (Left & Key) == Key) {
            Names << QString::fromLatin1(Enum.key(I));
            Left &= ~Key;
        }
    }
    if (Left)  // bits without a name
        Names << QString::number(Left);
    return Names;
}

QString EnumName(const QMetaEnum& Enum, qint64 Value)
{
    const char* Key = Enum.valueToKey(int(Value));
    return Key ? QString::fromLatin1(Key) : QString::number(Value);
}

ValueType ClassifyType(QMetaType Type)
{
    ValueType Result;
    Result.Type = Type;
    if (!Type.isValid() || Type.id() == QMetaType::Void) {
        Result.Kind = ValueKind::Void;
        return Result;
    }
    if (Type.flags() & QMetaType::PointerToQObject) {
        Result.Kind = ValueKind::Object;
        return Result;
    }
    if (Type.flags() & QMetaType::PointerToGadget) {
        Result.Kind = ValueKind::Gadget;
        return Result;
    }
    switch (Type.id()) {
    case QMetaType::QString:
        Result.Kind = ValueKind::String;
        return Result;
    case QMetaType::QByteArray:
        Result.Kind = ValueKind::Bytes;
        return Result;
    case QMetaType::Bool:
        Result.Kind = ValueKind::Boolean;
        return Result;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::SChar:
    case QMetaType::Char:
        Result.Kind = ValueKind::Integer;
        return Result;
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UChar:
        Result.Kind = ValueKind::Unsigned;
        return Result;
    case QMetaType::Double:
    case QMetaType::Float:
        Result.Kind = ValueKind::Float;
        return Result;
    case QMetaType::QStringList:
        Result.Kind = ValueKind::StringList;
        return Result;
    }
    if (qstrcmp(Type.name(), "TDateTime") == 0 && Type.sizeOf() == sizeof(TDateTime)) {
        Result.Kind = ValueKind::DateTime;
        return Result;
    }
    bool IsFlags = false;
    Result.Enum = FindEnumerator(Type, IsFlags);
    if (Result.Enum.isValid() && Type.sizeOf() <= 8) {
        Result.Kind = IsFlags ? ValueKind::Set : ValueKind::Enumeration;
        return Result;
    }
    Result.Kind = ValueKind::Other;
    return Result;
}

bool UnescapeText(const QString& Text, QString& Result, QString& Error)
{
    Result.clear();
    Result.reserve(Text.size());
    for (qsizetype I = 0; I < Text.size(); ++I) {
        const QChar C = Text.at(I);
        if (C != QLatin1Char('\\')) {
            Result += C;
            continue;
        }
        if (I + 1 >= Text.size()) {
            Error = QStringLiteral("a backslash ends the text (write \\\\ for a backslash)");
            return false;
        }
        const QChar E = Text.at(++I);
        switch (E.unicode()) {
        case 'r': Result += QLatin1Char('\r'); break;
        case 'n': Result += QLatin1Char('\n'); break;
        case 't': Result += QLatin1Char('\t'); break;
        case '\\': Result += QLatin1Char('\\'); break;
        case 'x': {
            bool Ok = false;
            const int Code = I + 2 < Text.size() ? Text.mid(I + 1, 2).toInt(&Ok, 16) : -1;
            // toInt accepts a sign or a space; the escape wants exactly two hex digits.
            if (!Ok || !isxdigit(Text.at(I + 1).toLatin1()) || !isxdigit(Text.at(I + 2).toLatin1())) {
                Error = QStringLiteral("\\x needs two hexadecimal digits");
                return false;
            }
            Result += QChar(char16_t(Code));
            I += 2;
            break;
        }
        default:
            Error = QStringLiteral("unknown escape \\%1 (known: \\r \\n \\t \\\\ \\xHH)").arg(E);
            return false;
        }
    }
    return true;
}

bool TextToValue(const ValueType& Type, const QString& Text, QVariant& Value, QString& Error)
{
    const QMetaType T = Type.Type;
    switch (Type.Kind) {
    case ValueKind::Void:
    case ValueKind::Object:
    case ValueKind::Gadget:
        Error = QStringLiteral("expected ") + DescribeType(Type);
        return false;
    case ValueKind::String: {
        QString S;
        if (!UnescapeText(Text, S, Error))
            return false;
        Value = S;
        return true;
    }
    case ValueKind::Bytes: {
        QString S;
        if (!UnescapeText(Text, S, Error))
            return false;
        Value = S.toLatin1();
        for (QChar C : S)
            if (C.unicode() > 0xFF) {  // not byte text: take the characters' UTF-8
                Value = S.toUtf8();
                break;
            }
        return true;
    }
    case ValueKind::Integer: {
        bool Ok = IsDecimal(Text);
        const qint64 V = Ok ? Text.toLongLong(&Ok, 10) : 0;
        const int Bits = T.sizeOf() * 8;
        const qint64 Min = Bits >= 64 ? std::numeric_limits<qint64>::min() : -(qint64(1) << (Bits - 1));
        const qint64 Max = Bits >= 64 ? std::numeric_limits<qint64>::max() : (qint64(1) << (Bits - 1)) - 1;
        if (!Ok || V < Min || V > Max) {
            Error = QStringLiteral("expected a whole number from %1 to %2").arg(Min).arg(Max);
            return false;
        }
        Value = MakeInteger(T, quint64(V));
        return true;
    }
    case ValueKind::Unsigned: {
        bool Ok = IsDecimal(Text) && !Text.startsWith(QLatin1Char('-'));
        const quint64 V = Ok ? Text.toULongLong(&Ok, 10) : 0;
        const int Bits = T.sizeOf() * 8;
        const quint64 Max = Bits >= 64 ? std::numeric_limits<quint64>::max() : (quint64(1) << Bits) - 1;
        if (!Ok || V > Max) {
            Error = QStringLiteral("expected a whole number from 0 to %1").arg(Max);
            return false;
        }
        Value = MakeInteger(T, V);
        return true;
    }
    case ValueKind::Float: {
        bool Ok = false;
        const double D = Text.toDouble(&Ok);
        if (!Ok || !std::isfinite(D)) {
            Error = QStringLiteral("expected a number");
            return false;
        }
        if (T.id() == QMetaType::Float)
            Value = QVariant(float(D));
        else
            Value = QVariant(D);
        return true;
    }
    case ValueKind::Boolean:
        if (Text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            Value = true;
        else if (Text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            Value = false;
        else {
            Error = QStringLiteral("expected true or false");
            return false;
        }
        return true;
    case ValueKind::Enumeration: {
        bool Ok = false;
        const QByteArray Key = Text.trimmed().toLatin1();
        const int V = Key.isEmpty() ? 0 : Type.Enum.keyToValue(Key.constData(), &Ok);
        if (!Ok) {
            Error = QStringLiteral("expected one of ") + EnumKeys(Type.Enum).join(QStringLiteral(", "));
            return false;
        }
        Value = MakeInteger(T, quint64(qint64(V)));
        return true;
    }
    case ValueKind::Set: {
        QString Body = Text.trimmed();
        if (Body.startsWith(QLatin1Char('[')) != Body.endsWith(QLatin1Char(']')) || Body == QLatin1String("[")) {
            Error = QStringLiteral("unbalanced brackets; expected names separated by commas, as [a,b] or []");
            return false;
        }
        if (Body.startsWith(QLatin1Char('[')))
            Body = Body.mid(1, Body.size() - 2);
        quint64 Bits = 0;
        for (const QString& Part : Body.split(QLatin1Char(','))) {
            const QByteArray Key = Part.trimmed().toLatin1();
            if (Key.isEmpty()) {
                if (Body.trimmed().isEmpty())
                    break;  // the empty set
                Error = QStringLiteral("empty name in the set");
                return false;
            }
            bool Ok = false;
            const int V = Type.Enum.keyToValue(Key.constData(), &Ok);
            if (!Ok) {
                Error = QStringLiteral("unknown name '%1'; expected names of %2")
                            .arg(Part.trimmed(), EnumKeys(Type.Enum).join(QStringLiteral(", ")));
                return false;
            }
            Bits |= quint32(V);
        }
        Value = MakeInteger(T, Bits);
        return true;
    }
    case ValueKind::StringList: {
        QString S;
        if (!UnescapeText(Text, S, Error))
            return false;
        // Lines end with LF or CR LF; a final line break adds no empty item.
        QStringList Lines;
        if (!S.isEmpty()) {
            Lines = S.split(QLatin1Char('\n'));
            if (S.endsWith(QLatin1Char('\n')))
                Lines.removeLast();
            for (QString& L : Lines)
                if (L.endsWith(QLatin1Char('\r')))
                    L.chop(1);
        }
        Value = Lines;
        return true;
    }
    case ValueKind::DateTime: {
        TDateTime D;
        if (!TextToDateTime(Text, D)) {
            Error = QStringLiteral("expected a date-time as yyyy-MM-dd hh:mm:ss or a number of days");
            return false;
        }
        Value = QVariant(T, &D);
        return true;
    }
    case ValueKind::Other:
        break;
    }
    QString S;
    if (!UnescapeText(Text, S, Error))
        return false;
    QVariant V(S);
    if (!V.convert(T)) {
        Error = QStringLiteral("values of type %1 cannot be given on the command line")
                    .arg(QString::fromLatin1(T.name()));
        return false;
    }
    Value = V;
    return true;
}

QString ValueToText(const ValueType& Type, const QVariant& Value)
{
    if (!Value.isValid())
        return {};
    switch (Type.Kind) {
    case ValueKind::Void:
        return {};
    case ValueKind::String:
        return Value.toString();
    case ValueKind::Bytes:
        return QString::fromLatin1(Value.toByteArray());
    case ValueKind::Integer:
        return QString::number(ReadSigned(Value));
    case ValueKind::Unsigned:
        return QString::number(ReadUnsigned(Value));
    case ValueKind::Float:
        return FloatText(Value.toDouble());
    case ValueKind::Boolean:
        return Value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case ValueKind::Enumeration:
        return EnumName(Type.Enum, ReadSigned(Value));
    case ValueKind::Set:
        return QLatin1Char('[') + SetNames(Type.Enum, ReadUnsigned(Value)).join(QLatin1Char(',')) +
               QLatin1Char(']');
    case ValueKind::StringList:
        return Value.toStringList().join(QLatin1Char('\n'));
    case ValueKind::DateTime:
        return DateTimeToText(*static_cast<const TDateTime*>(Value.constData()));
    case ValueKind::Object:
    case ValueKind::Gadget:
    case ValueKind::Other:
        break;
    }
    return Value.canConvert<QString>() ? Value.toString() : QString::fromLatin1(Value.typeName());
}

QString DescribeType(const ValueType& Type)
{
    switch (Type.Kind) {
    case ValueKind::Void: return QStringLiteral("nothing");
    case ValueKind::String: return QStringLiteral("text");
    case ValueKind::Bytes: return QStringLiteral("byte text");
    case ValueKind::Integer:
    case ValueKind::Unsigned: return QStringLiteral("a whole number");
    case ValueKind::Float: return QStringLiteral("a number");
    case ValueKind::Boolean: return QStringLiteral("true or false");
    case ValueKind::Enumeration:
        return QStringLiteral("one of ") + EnumKeys(Type.Enum).join(QStringLiteral(", "));
    case ValueKind::Set:
        return QStringLiteral("a set of ") + EnumKeys(Type.Enum).join(QStringLiteral(", "));
    case ValueKind::StringList: return QStringLiteral("lines separated by \\n");
    case ValueKind::DateTime: return QStringLiteral("a date-time (yyyy-MM-dd hh:mm:ss or days)");
    case ValueKind::Object:
        return QStringLiteral("an object (set its properties as NAME.PROPERTY=VALUE)");
    case ValueKind::Gadget:
        return QStringLiteral("a result (read it with --read or --json)");
    case ValueKind::Other: break;
    }
    return QStringLiteral("a %1").arg(QString::fromLatin1(Type.Type.name()));
}

}  // namespace vx
