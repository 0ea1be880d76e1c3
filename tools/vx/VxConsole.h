// Where vx's commands write: standard output and standard error by default. The unit
// tests capture both to run commands inside the test program.
#pragma once

#include <QByteArray>
#include <QString>

namespace vx {

// Writes the bytes to standard output as they are.
void WriteOut(const QByteArray& Bytes);
// Writes the text to standard output in UTF-8.
void WriteOutText(const QString& Text);
// Writes the text and a line feed to standard output in UTF-8.
void WriteOutLine(const QString& Text);
// Writes byte text (a socket component's answer) as VxByteTextToBytes makes it.
void WriteOutBytes(const QString& ByteText);
// Text from outside (a feed, a page, a server's answer) made safe for a terminal: the C0
// and C1 control characters except tab and line feed (ESC, BEL, CR, CSI ...) removed, so
// that no text can move the cursor, clear the screen or retitle the window.
QString Printable(const QString& Text);
// The same for UTF-8 bytes (or bytes in another 8-bit encoding): control bytes removed,
// and the two-byte UTF-8 forms of the C1 controls; bytes of other UTF-8 characters stay.
QByteArray PrintableBytes(const QByteArray& Bytes);
// Byte text (one character per byte) as bytes, made safe the same way.
QByteArray PrintableByteText(const QString& ByteText);
// Whether standard output is a terminal (false while captured), for bold and colours.
bool OutIsTerminal();
// Writes the text to standard error in UTF-8.
void WriteErr(const QString& Text);
// Writes the bytes to standard error as they are (the progress bar's drawing).
void WriteErrBytes(const QByteArray& Bytes);
// The one form of vx's error messages on standard error:
// "vx: COMMAND: " + Message + line feed, "vx: " + Message outside a command.
void PrintError(const QString& Message);

// While it lives, PrintError names this command.
class CurrentCommand {
public:
    explicit CurrentCommand(const QString& Name);
    ~CurrentCommand();
    CurrentCommand(const CurrentCommand&) = delete;
    CurrentCommand& operator=(const CurrentCommand&) = delete;
    static QString Name();

private:
    QString FPrevious;
};

// While it lives, everything written goes into Out and Err instead.
class ConsoleCapture {
public:
    ConsoleCapture();
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    QByteArray Out;
    QByteArray Err;

private:
    ConsoleCapture* FPrevious;
};

}  // namespace vx
