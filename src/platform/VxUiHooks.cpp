#include <vedidoredo/platform/VxUiHooks.h>

TVxStatusWindow::~TVxStatusWindow() = default;

TVxUiHooks& VxUiHooks()
{
    static TVxUiHooks Hooks;
    return Hooks;
}

void VxSetUiHooks(const TVxUiHooks& Hooks)
{
    VxUiHooks() = Hooks;
}
