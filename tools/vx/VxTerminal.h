// The terminal, for vx's prompts and progress bar: every POSIX call of the tool is here.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

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

// From now on SIGINT, SIGTERM and SIGHUP end the program through Cleanup: the handler
// only writes the signal's number into a pipe; a thread of its own reads it, runs
// Cleanup there (where anything may be done) and ends the program with 128 + the
// signal's number: 130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP.
void EndOnSignals(std::function<void(int Signal)> Cleanup);

bool StandardInputIsTerminal();
bool StandardOutputIsTerminal();
// The width of the terminal on standard error; 0 when standard error is no terminal.
int StandardErrorColumns();

}  // namespace vx
