/// \file
/// User-interface hooks: the only way the non-visual library reaches windows.
/// VeDidoredo::Widgets installs Qt windows, `vx` installs terminal prompts, tests install
/// recording ones. With no hook installed a logon prompt answers Cancel, no window is
/// made and message boxes are not shown; callbacks and properties work the same.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class QObject;

/// A status window for a running transfer. The web engine creates one through the hook
/// when its status dialog is enabled and drives it through these calls.
class VX_CORE_EXPORT TVxStatusWindow {
public:
    /// Frees the object and everything it owns.
    virtual ~TVxStatusWindow();
    /// The window's title.
    virtual void SetCaption(const QString& Caption) = 0;
    /// The status line (the catalogue's texts of the activity, or the byte count).
    virtual void SetStatusText(const QString& Text) = 0;
    /// Step is the activity's index (0..5) for its picture; -1 keeps the current one.
    virtual void SetStep(int Step) = 0;
    /// The progress bar: Position of Maximum bytes (Maximum 0 when unknown).
    virtual void SetProgress(qint64 Position, qint64 Maximum) = 0;
    /// Shows the window.
    virtual void Show() = 0;
    /// Hides the window.
    virtual void Hide() = 0;
    /// Lets the window repaint: called once per activity change and once per block.
    virtual void ProcessEvents() = 0;

    /// The parts below are optional; the defaults do nothing (SetStepImage passes the
    /// picture to SetStep).
    /// Step 1..4 (connection, file search, download, disconnection) shows picture Image:
    /// 0 running, 1 warning, 2 connected, 3 compared, 4 downloaded, 5 disconnected.
    virtual void SetStepImage(int Step, int Image);
    /// The remote and local file of the transfer; Visible false hides both.
    virtual void SetFileNames(const QString& Remote, const QString& Local, bool Visible);
    /// The line of text above the progress bar.
    virtual void SetDescription(const QString& Text);
    /// Contents of an image file (PNG, JPEG, BMP, ICO ...): the window's icon, and the
    /// tall picture at its left.
    virtual void SetIcon(const QByteArray& Image);
    /// The tall picture at the window's left, as the contents of an image file.
    virtual void SetPicture(const QByteArray& Image);
    /// The Cancel button: set when the user pressed it, cleared when a run starts.
    virtual bool IsCanceled() const;
    /// Sets or clears the Cancel mark that IsCanceled reads.
    virtual void SetCanceled(bool Value);
};

/// What the library asks of a user interface; an empty field means none is there.
struct VX_CORE_EXPORT TVxUiHooks {
    /// Modal user/password question. Returns true on OK and then writes User and
    /// Password; on Cancel leaves both as they were.
    std::function<bool(const QString& Caption, QString& User, QString& Password)> AskLogon;
    /// A status window for a transfer; nullptr means "none".
    std::function<std::unique_ptr<TVxStatusWindow>(QObject* Component)> CreateStatusWindow;
    /// An information message box (title, text).
    std::function<void(const QString& Title, const QString& Text)> ShowMessage;
    /// An error message box (title, text): for failures that have no caller to raise to,
    /// such as a refresh started by a timer.
    std::function<void(const QString& Title, const QString& Text)> ShowError;
    /// Opens a link with the desktop's handler; returns false when nothing opened it.
    std::function<bool(const QString& Url)> OpenUrl;
};

/// The hooks in force. Set fields replace the current ones; empty fields clear them.
VX_CORE_EXPORT TVxUiHooks& VxUiHooks();
/// Installs Hooks: set fields replace the current ones, empty fields clear them.
VX_CORE_EXPORT void VxSetUiHooks(const TVxUiHooks& Hooks);
