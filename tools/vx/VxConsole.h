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
// Writes the text to standard error in UTF-8.
void WriteErr(const QString& Text);
// "vx: " + Message + line feed on standard error.
void PrintError(const QString& Message);

// Text as bytes: characters up to 255 are one byte each (byte text), others UTF-8.
QByteArray TextToBytes(const QString& Text);

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
