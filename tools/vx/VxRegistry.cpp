#include "VxRegistry.h"

#include <algorithm>

namespace vx {
namespace {

// Function-local statics: registrars in other files may run before anything here.
std::vector<ClassInfo>& ClassList()
{
    static std::vector<ClassInfo> List;
    return List;
}

std::vector<CommandInfo>& CommandList()
{
    static std::vector<CommandInfo> List;
    return List;
}

template <typename T>
std::vector<T> Sorted(std::vector<T> List)
{
    std::sort(List.begin(), List.end(), [](const T& A, const T& B) { return A.Name < B.Name; });
    return List;
}

}  // namespace

void RegisterClass(ClassInfo Info)
{
    ClassList().push_back(std::move(Info));
}

void RegisterCommand(CommandInfo Info)
{
    CommandList().push_back(std::move(Info));
}

std::vector<ClassInfo> Classes()
{
    return Sorted(ClassList());
}

std::vector<CommandInfo> Commands()
{
    return Sorted(CommandList());
}

const ClassInfo* FindClass(const QString& Name)
{
    for (const ClassInfo& C : ClassList())
        if (C.Name == Name)
            return &C;
    return nullptr;
}

const CommandInfo* FindCommand(const QString& Name)
{
    for (const CommandInfo& C : CommandList())
        if (C.Name == Name)
            return &C;
    return nullptr;
}

bool AlwaysWindows(const QStringList&)
{
    return true;
}

WindowsPredicate WindowsWith(const QString& Option)
{
    return [Option](const QStringList& Args) {
        for (const QString& A : Args) {
            if (A == QLatin1String("--"))
                break;
            if (A == Option || A.startsWith(Option + QLatin1Char('=')))
                return true;
        }
        return false;
    };
}

bool WantsHelp(const QStringList& Args)
{
    return !Args.isEmpty() && (Args.first() == QLatin1String("--help") || Args.first() == QLatin1String("-h"));
}

QString CommandHelp(const CommandInfo& Command)
{
    // The usage line is "synopsis  description".
    const qsizetype Gap = Command.Usage.indexOf(QLatin1String("  "));
    QString Text = QStringLiteral("usage: vx ") +
                   (Gap < 0 ? Command.Usage : Command.Usage.left(Gap)) + QLatin1Char('\n');
    if (Gap >= 0)
        Text += QLatin1Char('\n') + Command.Usage.mid(Gap).trimmed() + QLatin1Char('\n');
    if (!Command.Help.isEmpty()) {
        Text += QLatin1Char('\n') + Command.Help;
        if (!Text.endsWith(QLatin1Char('\n')))
            Text += QLatin1Char('\n');
    }
    return Text;
}

QString ClassListText()
{
    QStringList Names;
    for (const ClassInfo& C : Classes())
        Names << C.Name;
    return Names.isEmpty() ? QStringLiteral("none") : Names.join(QStringLiteral(", "));
}

}  // namespace vx
