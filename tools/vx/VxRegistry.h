// What `vx` knows: the component classes of `vx run` and the friendly subcommands.
// Each module adds its own without touching a central list: a file in tools/vx/ that
// says, at namespace scope,
//
//     VX_REGISTER_CLASS(TVxWhoIs)
//     VX_REGISTER_COMMAND("whois", "whois DOMAIN [--server HOST]  look up a domain", RunWhois)
//
// where RunWhois is `int RunWhois(const QStringList& Args)` (the arguments after the
// subcommand's name) returning the exit status.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace vx {

using ClassFactory = std::function<QObject*()>;

struct ClassInfo {
    QString Name;
    ClassFactory Create;
};

struct CommandInfo {
    QString Name;
    QString Usage;  // one line for `vx --help`
    std::function<int(const QStringList& Args)> Run;
};

void RegisterClass(ClassInfo Info);
void RegisterCommand(CommandInfo Info);
// Sorted by name.
std::vector<ClassInfo> Classes();
std::vector<CommandInfo> Commands();
const ClassInfo* FindClass(const QString& Name);
const CommandInfo* FindCommand(const QString& Name);

struct ClassRegistrar {
    ClassRegistrar(const char* Name, ClassFactory Create)
    {
        RegisterClass({QString::fromLatin1(Name), std::move(Create)});
    }
};

struct CommandRegistrar {
    CommandRegistrar(const char* Name, const char* Usage, std::function<int(const QStringList&)> Run)
    {
        RegisterCommand({QString::fromLatin1(Name), QString::fromUtf8(Usage), std::move(Run)});
    }
};

}  // namespace vx

#define VX_REGISTER_CLASS(T) \
    static const vx::ClassRegistrar vxClassRegistrar_##T(#T, []() -> QObject* { return new T(nullptr); });
#define VX_REGISTER_COMMAND(Name, Usage, Function) \
    static const vx::CommandRegistrar vxCommandRegistrar_##Function(Name, Usage, Function);
