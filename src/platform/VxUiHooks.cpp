#include <vedidoredo/platform/VxUiHooks.h>

TVxStatusWindow::~TVxStatusWindow() = default;

void TVxStatusWindow::SetStepImage(int, int Image)
{
    SetStep(Image);
}

void TVxStatusWindow::SetFileNames(const QString&, const QString&, bool) {}
void TVxStatusWindow::SetDescription(const QString&) {}
void TVxStatusWindow::SetIcon(const QByteArray&) {}
void TVxStatusWindow::SetPicture(const QByteArray&) {}
bool TVxStatusWindow::IsCanceled() const
{
    return false;
}
void TVxStatusWindow::SetCanceled(bool) {}

TVxUiHooks& VxUiHooks()
{
    static TVxUiHooks Hooks;
    return Hooks;
}

void VxSetUiHooks(const TVxUiHooks& Hooks)
{
    VxUiHooks() = Hooks;
}
