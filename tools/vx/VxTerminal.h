// The terminal, for vx's prompts and progress bar: every POSIX call of the tool is here.
#pragma once

#include <QByteArray>
#include <QString>

namespace vx {

// The controlling terminal (/dev/tty) for reading and writing, even while standard input
// and output are redirected; -1 when the program has none.
int OpenControllingTerminal();
void CloseTerminal(int Fd);

// Writes all of Bytes to Fd (as far as Fd takes them).
void WriteAllTo(int Fd, const QByteArray& Bytes);
// One line from Fd in UTF-8, without its line end (LF or CR LF), cut at 4096 bytes;
// false at the end of input before any character.
bool ReadLineFrom(int Fd, QString& Line);

// Switches echo off on the terminal Fd while it lives (line feeds still echo), and puts
// it back should SIGINT, SIGTERM or SIGHUP end the program meanwhile. Not a terminal:
// nothing happens, and Active() is false.
class EchoOff {
public:
    explicit EchoOff(int Fd);
    ~EchoOff();
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    bool Active() const { return FActive; }

private:
    bool FActive = false;
};

bool StandardInputIsTerminal();
bool StandardOutputIsTerminal();
// The width of the terminal on standard error; 0 when standard error is no terminal.
int StandardErrorColumns();

}  // namespace vx
