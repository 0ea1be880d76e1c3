// The status "window" of vx: one line on standard error, redrawn in place, with the
// caption, the status text and a progress bar with the bytes transferred.
#pragma once

#include <vedidoredo/platform/VxUiHooks.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <memory>

namespace vx {

class TerminalStatusWindow : public TVxStatusWindow {
public:
    using Writer = std::function<void(const QByteArray&)>;

    // Write receives the terminal output; Width is the terminal's width in columns;
    // the bar is redrawn at most every RedrawMs milliseconds unless the text changes.
    TerminalStatusWindow(Writer Write, int Width, int RedrawMs = 100);
    ~TerminalStatusWindow() override;

    // A window drawing on standard error, or nullptr when standard error is not a
    // terminal (a log file or a pipe gets no progress bar).
    static std::unique_ptr<TVxStatusWindow> CreateForStandardError();

    void SetCaption(const QString& Caption) override;
    void SetStatusText(const QString& Text) override;
    void SetStep(int Step) override;
    void SetProgress(qint64 Position, qint64 Maximum) override;
    void Show() override;
    void Hide() override;
    void ProcessEvents() override;

    // The line as it would be drawn now, without the terminal controls.
    QString Line() const;

private:
    void Draw(bool Force);

    Writer FWrite;
    int FWidth;
    int FRedrawMs;
    QString FCaption, FStatus;
    int FStep = -1;
    qint64 FPosition = 0, FMaximum = 0;
    bool FHasProgress = false;
    bool FVisible = false;
    bool FDirty = false;
    QString FDrawn;
    QElapsedTimer FSinceDraw;
};

// "512 bytes", "1.5 KiB", "12.0 MiB" ...
QString FormatByteCount(qint64 Bytes);

}  // namespace vx
