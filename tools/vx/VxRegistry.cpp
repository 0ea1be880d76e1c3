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

}  // namespace vx
