// How a vx command reads its command line. A command declares its options, reads them,
// and throws UsageError for anything else that does not fit:
//
//     int RunPing(const QStringList& Args)
//     {
//         const vx::OptionReader O(Args, {{"--count", "N"},            // an option with a value
//                                         {"-v|--verbose"},            // a flag, two names
//                                         {"-H", "LINE"},              // repeatable: Values("-H")
//                                         {"--timeout", "SECONDS"}});
//         O.ExpectPositional(1, 1, "HOST[:PORT]");                    // else a usage error
//         const vx::HostPort Target = vx::ParseHostPort(O.Positional(0), 7);
//         TVxPing P;
//         P.SetHost(Target.Host);
//         P.SetPort(Target.Port);
//         P.SetTimeout(O.TimeoutMs(10));                                // seconds; default 10
//         if (O.Has("--count"))
//             P.SetCount(O.Integer("--count", 1, 1000));
//         vx::WriteOutLine(P.Execute());                                // VxConsole.h
//         return vx::ExitOk;
//     }
//     VX_REGISTER_COMMAND_HELP("ping", "ping HOST[:PORT] [options]  ...",
//                              "Options:\n  --count N  ...\n" + vx::TimeoutHelp(10), RunPing)
//
// Every option is given as `--name VALUE` or `--name=VALUE` (short ones `-H VALUE`);
// an option given twice keeps every value (Value() is the last, Values() all of them);
// `-h`/`--help` anywhere prints the command's help unless the command declares it
// itself; `--` ends the options. Anything undeclared, a missing value, a value given to
// a flag, or a bad number is a UsageError: vx prints "vx: COMMAND: PROBLEM (see vx
// COMMAND --help)" and exits 64. Errors at run time go through vx::PrintError (the same
// "vx: COMMAND: " form); an EVxError that escapes the command is printed so and exits 2.
//
// `--timeout SECONDS` is the one unit of every network command: seconds, fractions
// allowed, 0 waiting without limit. TimeoutHelp(Default) is its line for the help.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace vx {

// A usage error: vx prints the message with the command's name and exits 64.
struct UsageError {
    QString Message;
};

// One declared option. Names: one or more names separated by "|" ("-r|--recursive").
// Value: the placeholder of its value for the messages ("SECONDS"); empty for a flag.
// List: the option takes every argument after it up to the next option (--to A B C).
struct Option {
    Option(const char* Names, const char* Value = nullptr, bool List = false);
    QStringList Names;
    QString Value;
    bool List = false;
};

inline constexpr bool ListOption = true;

// Thrown when -h or --help stands among the arguments of a command that does not declare
// it: vx prints the command's help and exits 0.
struct HelpRequest {};

class OptionReader {
public:
    // Reads Args (the arguments after the command's name); throws UsageError.
    OptionReader(const QStringList& Args, std::vector<Option> Options);

    // True when the option (by any of its names) was given.
    bool Has(const QString& Name) const;
    // The value given last, or Default.
    QString Value(const QString& Name, const QString& Default = {}) const;
    // Every value given, in order.
    QStringList Values(const QString& Name) const;
    // A whole number in [Min, Max], or Default when the option is absent.
    int Integer(const QString& Name, int Min, int Max, int Default = 0) const;
    // --timeout SECONDS in milliseconds for a component's Timeout; DefaultSeconds when absent.
    int TimeoutMs(double DefaultSeconds) const;

    // The arguments that are not options, in order.
    const QStringList& Positional() const { return FPositional; }
    QString Positional(qsizetype Index) const { return FPositional.value(Index); }
    // Throws UsageError unless Min..Max positional arguments were given; What names
    // them in the message ("URL LOCALFILE").
    void ExpectPositional(qsizetype Min, qsizetype Max, const QString& What) const;

private:
    struct Given {
        int Option;
        QString Value;
    };
    int Find(const QString& Name) const;  // the declared option, or -1
    int Declared(const QString& Name) const;  // as Find, but a missing declaration is a fault

    std::vector<Option> FOptions;
    std::vector<Given> FGiven;
    QStringList FPositional;
};

// Seconds (fractions allowed, 0 for no limit) as milliseconds; throws UsageError naming
// Option when the text is not a number of seconds.
int SecondsToMs(const QString& Text, const QString& Option = QStringLiteral("--timeout"));

// The help line of --timeout, with the command's default (0: no limit).
QString TimeoutHelp(double DefaultSeconds);

struct HostPort {
    QString Host;
    int Port = 0;
};

// HOST, HOST:PORT, [IPv6] or [IPv6]:PORT; a bare IPv6 address has no port. The port is
// DefaultPort unless given. Throws UsageError naming What ("--server") for bad text.
HostPort ParseHostPort(const QString& Text, int DefaultPort, const QString& What = QStringLiteral("HOST[:PORT]"));

}  // namespace vx
