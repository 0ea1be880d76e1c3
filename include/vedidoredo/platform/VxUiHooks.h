// User-interface hooks: the only way the non-visual library reaches windows.
// VeDidoredo::Widgets installs Qt windows, `vx` installs terminal prompts, tests install
// recording ones. With no hook installed a logon prompt answers Cancel, no window is
// made and message boxes are not shown; callbacks and properties work the same.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class QObject;

// A status window for a running transfer. The web engine creates one through the hook
// when its status dialog is enabled and drives it through these calls.
class VX_CORE_EXPORT TVxStatusWindow {
public:
    virtual ~TVxStatusWindow();
    virtual void SetCaption(const QString& Caption) = 0;
    virtual void SetStatusText(const QString& Text) = 0;
    // Step is the activity's index (0..5) for its picture; -1 keeps the current one.
    virtual void SetStep(int Step) = 0;
    virtual void SetProgress(qint64 Position, qint64 Maximum) = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // Lets the window repaint: called once per activity change and once per block.
    virtual void ProcessEvents() = 0;

    // The parts below are optional; the defaults do nothing (SetStepImage passes the
    // picture to SetStep).
    // Step 1..4 (connection, file search, download, disconnection) shows picture Image:
    // 0 running, 1 warning, 2 connected, 3 compared, 4 downloaded, 5 disconnected.
    virtual void SetStepImage(int Step, int Image);
    // The remote and local file of the transfer; Visible false hides both.
    virtual void SetFileNames(const QString& Remote, const QString& Local, bool Visible);
    virtual void SetDescription(const QString& Text);
    // Contents of an image file (PNG, JPEG, BMP, ICO ...): the window's icon, and the
    // tall picture at its left.
    virtual void SetIcon(const QByteArray& Image);
    virtual void SetPicture(const QByteArray& Image);
    // The Cancel button: set when the user pressed it, cleared when a run starts.
    virtual bool IsCanceled() const;
    virtual void SetCanceled(bool Value);
};

struct VX_CORE_EXPORT TVxUiHooks {
    // Modal user/password question. Returns true on OK and then writes User and
    // Password; on Cancel leaves both as they were.
    std::function<bool(const QString& Caption, QString& User, QString& Password)> AskLogon;
    // A status window for a transfer; nullptr means "none".
    std::function<std::unique_ptr<TVxStatusWindow>(QObject* Component)> CreateStatusWindow;
    // An information message box (title, text).
    std::function<void(const QString& Title, const QString& Text)> ShowMessage;
    // An error message box (title, text): for failures that have no caller to raise to,
    // such as a refresh started by a timer.
    std::function<void(const QString& Title, const QString& Text)> ShowError;
    // Opens a link with the desktop's handler; returns false when nothing opened it.
    std::function<bool(const QString& Url)> OpenUrl;
};

// The hooks in force. Set fields replace the current ones; empty fields clear them.
VX_CORE_EXPORT TVxUiHooks& VxUiHooks();
VX_CORE_EXPORT void VxSetUiHooks(const TVxUiHooks& Hooks);
