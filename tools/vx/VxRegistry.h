// What `vx` knows: the component classes of `vx run` and the friendly subcommands.
// Each module adds its own without touching a central list: a file in tools/vx/ that
// says, at namespace scope,
//
//     VX_REGISTER_CLASS(TVxWhoIs)
//     VX_REGISTER_COMMAND("whois", "whois DOMAIN [--server HOST]  look up a domain", RunWhois)
//
// where RunWhois is `int RunWhois(const QStringList& Args)` (the arguments after the
// subcommand's name) returning the exit status. The usage line is the synopsis, two
// spaces, then a short description; `vx --help` lists it.
//
// `vx NAME --help` (or -h, or `vx help NAME`) prints "usage: vx " and the synopsis, the
// description and, when given, a longer help text; the command is not run. A command with
// options to explain registers that text with
//
//     VX_REGISTER_COMMAND_HELP("whois", "whois DOMAIN [--server HOST]  look up a domain",
//                              "Options:\n  --server HOST  ask HOST instead of ...\n", RunWhois)
//
// A command or a class that opens windows says so, and vx then runs with a QApplication
// (every other command has a QCoreApplication and needs no display):
//
//     VX_REGISTER_WINDOW_CLASS(TVxRemoteImage)       // a class of VeDidoredo::Widgets
//     VX_REGISTER_WINDOW_COMMAND("image", Usage, Help, RunImage, vx::WindowsWith("--show"))
//
// The last argument is a predicate on the command's arguments (vx::AlwaysWindows, or
// vx::WindowsWith(OPTION) for a command that opens one only when OPTION is given).
// vx keeps its terminal hooks (logon prompt, progress bar, messages) either way.
//
// Commands read their arguments with VxOptionReader.h, write through VxConsole.h
// (WriteOutLine, WriteOutBytes, PrintError) so that tests can capture what they print,
// and return the exit statuses below. A vx::UsageError that escapes Run ends in its
// message and ExitUsage, an exception in its message and ExitError.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace vx {

// Exit statuses shared by every command.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFalse = 1;    // the operation ran and reported failure
inline constexpr int ExitError = 2;    // an exception; its message went to standard error
inline constexpr int ExitUsage = 64;   // bad command line, named on standard error

using ClassFactory = std::function<QObject*()>;
// True when the command, given these arguments (those after its name), opens windows.
using WindowsPredicate = std::function<bool(const QStringList& Args)>;

struct ClassInfo {
    QString Name;
    ClassFactory Create;
    bool NeedsWindows = false;  // a widget, or a component that shows one
};

struct CommandInfo {
    QString Name;
    QString Usage;  // one line for `vx --help`
    std::function<int(const QStringList& Args)> Run;
    QString Help;  // optional text printed after the usage by `vx NAME --help`
    WindowsPredicate NeedsWindows;  // empty: never
};

// Predicates for VX_REGISTER_WINDOW_COMMAND.
bool AlwaysWindows(const QStringList& Args);
WindowsPredicate WindowsWith(const QString& Option);

void RegisterClass(ClassInfo Info);
void RegisterCommand(CommandInfo Info);
// Sorted by name.
std::vector<ClassInfo> Classes();
std::vector<CommandInfo> Commands();
const ClassInfo* FindClass(const QString& Name);
// The names of the registered classes, one line, for help texts.
QString ClassListText();
const CommandInfo* FindCommand(const QString& Name);

struct ClassRegistrar {
    ClassRegistrar(const char* Name, ClassFactory Create, bool NeedsWindows = false)
    {
        RegisterClass({QString::fromLatin1(Name), std::move(Create), NeedsWindows});
    }
};

struct CommandRegistrar {
    CommandRegistrar(const char* Name, const char* Usage, std::function<int(const QStringList&)> Run)
    {
        RegisterCommand({QString::fromLatin1(Name), QString::fromUtf8(Usage), std::move(Run), {}, {}});
    }
    CommandRegistrar(const char* Name, const char* Usage, const char* Help,
                     std::function<int(const QStringList&)> Run)
        : CommandRegistrar(Name, Usage, QString::fromUtf8(Help), std::move(Run))
    {
    }
    // A help text put together at start-up (with vx::TimeoutHelp, say).
    CommandRegistrar(const char* Name, const char* Usage, const QString& Help,
                     std::function<int(const QStringList&)> Run, WindowsPredicate NeedsWindows = {})
    {
        RegisterCommand({QString::fromLatin1(Name), QString::fromUtf8(Usage), std::move(Run), Help,
                         std::move(NeedsWindows)});
    }
};

// True when Args asks for help: its first argument is --help or -h.
bool WantsHelp(const QStringList& Args);
// The help of a registered command as `vx NAME --help` prints it.
QString CommandHelp(const CommandInfo& Command);

}  // namespace vx

#define VX_REGISTER_CLASS(T) \
    static const vx::ClassRegistrar vxClassRegistrar_##T(#T, []() -> QObject* { return new T(nullptr); });
#define VX_REGISTER_WINDOW_CLASS(T) \
    static const vx::ClassRegistrar vxClassRegistrar_##T(#T, []() -> QObject* { return new T(nullptr); }, true);
#define VX_REGISTER_WINDOW_COMMAND(Name, Usage, Help, Function, Predicate) \
    static const vx::CommandRegistrar vxCommandRegistrar_##Function(Name, Usage, QString(Help), Function, Predicate);
#define VX_REGISTER_COMMAND(Name, Usage, Function) \
    static const vx::CommandRegistrar vxCommandRegistrar_##Function(Name, Usage, Function);
#define VX_REGISTER_COMMAND_HELP(Name, Usage, Help, Function) \
    static const vx::CommandRegistrar vxCommandRegistrar_##Function(Name, Usage, Help, Function);
