#include "VxConsole.h"
#include "VxTerminal.h"

#include "platform/VxByteText.h"

#include <cstdio>

namespace vx {
namespace {

ConsoleCapture* CurrentCapture = nullptr;
QString CommandName;

void Write(std::FILE* Stream, QByteArray ConsoleCapture::*Field, const QByteArray& Bytes)
{
    if (CurrentCapture) {
        (CurrentCapture->*Field).append(Bytes);
        return;
    }
    std::fwrite(Bytes.constData(), 1, size_t(Bytes.size()), Stream);
    std::fflush(Stream);
}

}  // namespace

void WriteOut(const QByteArray& Bytes)
{
    Write(stdout, &ConsoleCapture::Out, Bytes);
}

void WriteOutText(const QString& Text)
{
    Write(stdout, &ConsoleCapture::Out, Text.toUtf8());
}

void WriteOutLine(const QString& Text)
{
    Write(stdout, &ConsoleCapture::Out, Text.toUtf8() + '\n');
}

void WriteOutBytes(const QString& ByteText)
{
    Write(stdout, &ConsoleCapture::Out, VxByteTextToBytes(ByteText));
}

bool OutIsTerminal()
{
    return !CurrentCapture && StandardOutputIsTerminal();
}

void WriteErrBytes(const QByteArray& Bytes)
{
    Write(stderr, &ConsoleCapture::Err, Bytes);
}

void WriteErr(const QString& Text)
{
    Write(stderr, &ConsoleCapture::Err, Text.toUtf8());
}

void PrintError(const QString& Message)
{
    WriteErr(QStringLiteral("vx: ") + (CommandName.isEmpty() ? QString() : CommandName + QStringLiteral(": ")) +
             Message + QLatin1Char('\n'));
}

CurrentCommand::CurrentCommand(const QString& Name) : FPrevious(CommandName)
{
    CommandName = Name;
}

CurrentCommand::~CurrentCommand()
{
    CommandName = FPrevious;
}

QString CurrentCommand::Name()
{
    return CommandName;
}

ConsoleCapture::ConsoleCapture() : FPrevious(CurrentCapture)
{
    CurrentCapture = this;
}

ConsoleCapture::~ConsoleCapture()
{
    CurrentCapture = FPrevious;
}

}  // namespace vx
