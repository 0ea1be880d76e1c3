#include "VxTerminalStatusWindow.h"

#include "VxConsole.h"
#include "VxTerminal.h"

#include <algorithm>

namespace vx {
namespace {

constexpr qsizetype MinBarWidth = 10;
constexpr qsizetype MaxBarWidth = 24;
constexpr qsizetype HeadWidthBeforeBar = 40;

}  // namespace

QString FormatByteCount(qint64 Bytes)
{
    if (Bytes < 1024)
        return QStringLiteral("%1 bytes").arg(Bytes);
    const char* const Units[] = {"KiB", "MiB", "GiB", "TiB"};
    double Value = double(Bytes) / 1024;
    int Unit = 0;
    while (Value >= 1024 && Unit < 3) {
        Value /= 1024;
        ++Unit;
    }
    return QStringLiteral("%1 %2").arg(Value, 0, 'f', 1).arg(QLatin1String(Units[Unit]));
}

TerminalStatusWindow::TerminalStatusWindow(Writer Write, int Width, int RedrawMs)
    : FWrite(std::move(Write)), FWidth(std::max(Width, 20)), FRedrawMs(RedrawMs)
{
}

TerminalStatusWindow::~TerminalStatusWindow()
{
    Hide();
}

std::unique_ptr<TVxStatusWindow> TerminalStatusWindow::CreateForStandardError()
{
    const int Width = StandardErrorColumns();
    if (Width == 0)
        return nullptr;  // no terminal: no progress bar
    return std::make_unique<TerminalStatusWindow>(WriteErrBytes, Width);
}

void TerminalStatusWindow::SetCaption(const QString& Caption)
{
    FCaption = Caption;
    Draw(true);
}

void TerminalStatusWindow::SetStatusText(const QString& Text)
{
    FStatus = Text;
    Draw(true);
}

void TerminalStatusWindow::SetStep(int Step)
{
    // The line shows the status text of the step; the step's picture has no place in it.
    if (Step >= 0)
        FStep = Step;
}

void TerminalStatusWindow::SetProgress(qint64 Position, qint64 Maximum)
{
    FPosition = std::max<qint64>(Position, 0);
    FMaximum = std::max<qint64>(Maximum, 0);
    FHasProgress = true;
    Draw(FMaximum > 0 && FPosition >= FMaximum);
}

void TerminalStatusWindow::Show()
{
    if (FVisible)
        return;
    FVisible = true;
    FDrawn.clear();
    Draw(true);
}

void TerminalStatusWindow::Hide()
{
    if (!FVisible)
        return;
    Draw(true);
    FWrite("\n");  // the last state stays on screen; later output starts on a new line
    FVisible = false;
}

void TerminalStatusWindow::ProcessEvents()
{
    if (FDirty)
        Draw(false);
}

QString TerminalStatusWindow::Line() const
{
    QString Head = FCaption;
    if (!FStatus.isEmpty())
        Head += (Head.isEmpty() ? QString() : QStringLiteral(": ")) + FStatus;
    // The line must not wrap, or redrawing it in place would scroll the terminal.
    const qsizetype Room = FWidth - 1;
    QString Tail;
    if (FHasProgress && FMaximum > 0) {
        const qint64 Done = std::min(FPosition, FMaximum);
        const QString Numbers = QStringLiteral(" %1% %2 of %3")
                                    .arg(int(Done * 100 / FMaximum), 3)
                                    .arg(FormatByteCount(FPosition), FormatByteCount(FMaximum));
        // The text comes first (up to a point), then the bar in what room is left; a bar
        // narrower than the minimum is left out.
        const qsizetype HeadWanted = std::min(Head.size(), HeadWidthBeforeBar);
        qsizetype Bar = std::min(Room - HeadWanted - Numbers.size() - 3, MaxBarWidth);
        if (Bar < MinBarWidth)
            Bar = 0;
        if (Bar > 0) {
            const qsizetype Filled = qsizetype(Done * Bar / FMaximum);
            Tail = QStringLiteral(" [%1%2]").arg(QString(Filled, QLatin1Char('#')),
                                                 QString(Bar - Filled, QLatin1Char('.')));
        }
        Tail += Numbers;
    } else if (FHasProgress) {
        // No size known: the bytes so far, without a bar or a percentage.
        Tail = QLatin1Char(' ') + FormatByteCount(FPosition);
    }
    if (Head.size() > Room - Tail.size())
        Head = Room - Tail.size() > 3 ? Head.left(Room - Tail.size() - 3) + QStringLiteral("...") : QString();
    return (Head + Tail).right(Room).trimmed();
}

void TerminalStatusWindow::Draw(bool Force)
{
    FDirty = true;
    if (!FVisible)
        return;
    if (!Force && FSinceDraw.isValid() && FSinceDraw.elapsed() < FRedrawMs)
        return;
    const QString Text = Line();
    FDirty = false;
    FSinceDraw.start();
    if (Text == FDrawn)
        return;
    FDrawn = Text;
    // Carriage return, the line, then erase whatever the previous line left to the right.
    FWrite("\r" + Text.toUtf8() + "\x1b[K");
}

}  // namespace vx
