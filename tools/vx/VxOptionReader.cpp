#include "VxOptionReader.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace vx {
namespace {

// The longest time limit a component's int milliseconds can hold, in whole seconds.
constexpr double MaxTimeoutSeconds = std::numeric_limits<int>::max() / 1000;

// "-x" and "--name" are options; "-" alone (standard input) and "" are not.
bool LooksLikeOption(const QString& A)
{
    return A.size() > 1 && A.startsWith(QLatin1Char('-'));
}

QString SecondsText(double Seconds)
{
    return QLocale::c().toString(Seconds, 'g', 12);
}

}  // namespace

Option::Option(const char* NameList, const char* ValueName, bool IsList)
    : Names(QString::fromLatin1(NameList).split(QLatin1Char('|'))),
      Value(ValueName ? QString::fromLatin1(ValueName) : QString()),
      List(IsList)
{
}

OptionReader::OptionReader(const QStringList& Args, std::vector<Option> Options)
    : FOptions(std::move(Options))
{
    const bool OwnHelp = Find(QStringLiteral("--help")) >= 0 || Find(QStringLiteral("-h")) >= 0;
    bool OptionsEnded = false;
    for (qsizetype I = 0; I < Args.size(); ++I) {
        const QString& A = Args.at(I);
        if (OptionsEnded || !LooksLikeOption(A)) {
            FPositional << A;
            continue;
        }
        if (A == QLatin1String("--")) {
            OptionsEnded = true;
            continue;
        }
        // Only long options take "=VALUE"; "-H=x" would be ambiguous.
        const qsizetype Eq = A.startsWith(QLatin1String("--")) ? A.indexOf(QLatin1Char('=')) : -1;
        const QString Name = Eq < 0 ? A : A.left(Eq);
        const int Index = Find(Name);
        if (Index < 0) {
            if (!OwnHelp && (Name == QLatin1String("--help") || Name == QLatin1String("-h")))
                throw HelpRequest{};
            throw UsageError{QStringLiteral("unknown option '%1'").arg(Name)};
        }
        const Option& O = FOptions[size_t(Index)];
        if (O.Value.isEmpty()) {
            if (Eq >= 0)
                throw UsageError{QStringLiteral("%1 takes no value").arg(Name)};
            FGiven.push_back({Index, {}});
            continue;
        }
        const qsizetype Before = qsizetype(FGiven.size());
        if (Eq >= 0)
            FGiven.push_back({Index, A.mid(Eq + 1)});
        else if (!O.List && I + 1 < Args.size())
            FGiven.push_back({Index, Args.at(++I)});
        if (O.List)
            while (I + 1 < Args.size() && !LooksLikeOption(Args.at(I + 1)))
                FGiven.push_back({Index, Args.at(++I)});
        if (qsizetype(FGiven.size()) == Before)
            throw UsageError{QStringLiteral("%1 needs %2").arg(Name, O.Value)};
    }
}

int OptionReader::Find(const QString& Name) const
{
    for (size_t I = 0; I < FOptions.size(); ++I)
        if (FOptions[I].Names.contains(Name))
            return int(I);
    return -1;
}

int OptionReader::Declared(const QString& Name) const
{
    const int Index = Find(Name);
    Q_ASSERT_X(Index >= 0, "vx::OptionReader", "option read but not declared");
    return Index;
}

bool OptionReader::Has(const QString& Name) const
{
    const int Index = Declared(Name);
    for (const Given& G : FGiven)
        if (G.Option == Index)
            return true;
    return false;
}

QString OptionReader::Value(const QString& Name, const QString& Default) const
{
    const QStringList All = Values(Name);
    return All.isEmpty() ? Default : All.last();
}

QStringList OptionReader::Values(const QString& Name) const
{
    const int Index = Declared(Name);
    QStringList All;
    for (const Given& G : FGiven)
        if (G.Option == Index)
            All << G.Value;
    return All;
}

int OptionReader::Integer(const QString& Name, int Min, int Max, int Default) const
{
    if (!Has(Name))
        return Default;
    const QString Text = Value(Name);
    static const QRegularExpression Digits(QStringLiteral("^-?[0-9]{1,10}$"));
    bool Ok = false;
    const qlonglong N = Digits.match(Text).hasMatch() ? Text.toLongLong(&Ok) : 0;
    if (!Ok || N < Min || N > Max)
        throw UsageError{QStringLiteral("%1 takes a whole number from %2 to %3, not '%4'")
                             .arg(Name).arg(Min).arg(Max).arg(Text)};
    return int(N);
}

int OptionReader::TimeoutMs(double DefaultSeconds) const
{
    const QString Name = QStringLiteral("--timeout");
    if (!Has(Name))
        return int(std::ceil(DefaultSeconds * 1000));
    return SecondsToMs(Value(Name), Name);
}

void OptionReader::ExpectPositional(qsizetype Min, qsizetype Max, const QString& What) const
{
    if (FPositional.size() < Min)
        throw UsageError{QStringLiteral("expected %1").arg(What)};
    if (FPositional.size() > Max)
        throw UsageError{QStringLiteral("expected %1, got '%2' as well").arg(What, FPositional.at(Max))};
}

int SecondsToMs(const QString& Text, const QString& Option)
{
    static const QRegularExpression Number(QStringLiteral("^[0-9]*\\.?[0-9]+$|^[0-9]+\\.$"));
    bool Ok = Number.match(Text).hasMatch();
    const double Seconds = Ok ? QLocale::c().toDouble(Text, &Ok) : 0.0;
    if (!Ok || Seconds > MaxTimeoutSeconds)
        throw UsageError{QStringLiteral("%1 takes seconds from 0 (no limit) to %2, fractions allowed, not '%3'")
                             .arg(Option, SecondsText(MaxTimeoutSeconds), Text)};
    // A limit shorter than a millisecond is still a limit, not "none".
    return int(std::ceil(Seconds * 1000));
}

QString TimeoutHelp(double DefaultSeconds)
{
    return QStringLiteral("  --timeout SECONDS     give up when connecting takes that long, or when the\n"
                          "                        server stays silent that long; a transfer that keeps\n"
                          "                        moving is never cut (fractions allowed; %1)\n")
        .arg(DefaultSeconds > 0 ? QStringLiteral("default %1; 0 waits without limit").arg(SecondsText(DefaultSeconds))
                                : QStringLiteral("default: no limit"));
}

HostPort ParseHostPort(const QString& Text, int DefaultPort, const QString& What)
{
    HostPort Result{Text, DefaultPort};
    QString PortText;
    bool HasPort = false;
    if (Text.startsWith(QLatin1Char('['))) {
        const qsizetype Close = Text.indexOf(QLatin1Char(']'));
        const QString Rest = Close < 0 ? QString() : Text.mid(Close + 1);
        if (Close < 0 || (!Rest.isEmpty() && !Rest.startsWith(QLatin1Char(':'))))
            throw UsageError{QStringLiteral("%1: expected [ADDRESS] or [ADDRESS]:PORT, got '%2'").arg(What, Text)};
        Result.Host = Text.mid(1, Close - 1);
        HasPort = !Rest.isEmpty();
        PortText = Rest.mid(1);
    } else if (Text.count(QLatin1Char(':')) == 1) {
        Result.Host = Text.section(QLatin1Char(':'), 0, 0);
        PortText = Text.section(QLatin1Char(':'), 1);
        HasPort = true;
    }  // else a name, a dotted address or a bare IPv6 address
    if (Result.Host.isEmpty())
        throw UsageError{QStringLiteral("%1: no host in '%2'").arg(What, Text)};
    if (HasPort) {
        static const QRegularExpression Digits(QStringLiteral("^[0-9]{1,5}$"));
        Result.Port = PortText.toInt();
        if (!Digits.match(PortText).hasMatch() || Result.Port < 1 || Result.Port > 65535)
            throw UsageError{QStringLiteral("%1: the port must be 1 to 65535, not '%2'").arg(What, PortText)};
    }
    return Result;
}

}  // namespace vx
