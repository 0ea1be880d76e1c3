#include <vedidoredo/VxWidgets.h>

#include <vedidoredo/VxInStat.h>
#include <vedidoredo/platform/VxUiHooks.h>
#include <vedidoredo/ui/VxILogOnForm.h>
#include "VxWindowThread.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMessageBox>
#include <QUrl>

namespace {

bool AskLogon(const QString& Caption, QString& User, QString& Password)
{
    if (!VxCanShowWindows())
        return false;
    TfrmVxILogon Form(QApplication::activeWindow());
    if (!Caption.isEmpty())
        Form.setWindowTitle(Caption);
    Form.edLogin->setText(User);
    Form.edPassword->setText(Password);
    if (Form.exec() != QDialog::Accepted)
        return false;
    User = Form.edLogin->text();
    Password = Form.edPassword->text();
    return true;
}

void ShowMessage(const QString& Title, const QString& Text)
{
    if (VxCanShowWindows())
        QMessageBox::information(QApplication::activeWindow(), Title, Text);
}

void ShowError(const QString& Title, const QString& Text)
{
    if (VxCanShowWindows())
        QMessageBox::critical(QApplication::activeWindow(), Title, Text);
}

bool OpenUrl(const QString& Url)
{
    // A path or a bare host name is turned into a URL as a browser's address bar would.
    return VxCanShowWindows() && QDesktopServices::openUrl(QUrl::fromUserInput(Url));
}

void Install(bool OnlyEmpty)
{
    TVxUiHooks& Hooks = VxUiHooks();
    if (!OnlyEmpty || !Hooks.AskLogon)
        Hooks.AskLogon = AskLogon;
    if (!OnlyEmpty || !Hooks.ShowMessage)
        Hooks.ShowMessage = ShowMessage;
    if (!OnlyEmpty || !Hooks.ShowError)
        Hooks.ShowError = ShowError;
    if (!OnlyEmpty || !Hooks.OpenUrl)
        Hooks.OpenUrl = OpenUrl;
    if (!OnlyEmpty || !Hooks.CreateStatusWindow)
        Hooks.CreateStatusWindow = VxCreateInetStatusWindow;
}

// Installs the hooks when the library is loaded, without replacing any that a program
// installed before.
[[maybe_unused]] const bool InstalledAtLoad = (Install(true), true);

}  // namespace

void VxInstallWidgetsHooks()
{
    Install(false);
}
