#include "VxConsole.h"
#include "VxTerminal.h"

#include "core/VxControlCharacters.h"
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

QString Printable(const QString& Text)
{
    QString Out = Text;
    Out.removeIf([](QChar C) { return VxIsControlCharacter(C.unicode()); });
    return Out;
}

QByteArray PrintableBytes(const QByteArray& Bytes)
{
    QByteArray Out;
    Out.reserve(Bytes.size());
    const qsizetype N = Bytes.size();
    for (qsizetype I = 0; I < N; ++I) {
        const uchar B = uchar(Bytes[I]);
        if (B == 0xC2 && I + 1 < N && uchar(Bytes[I + 1]) >= 0x80 && uchar(Bytes[I + 1]) <= 0x9F) {
            ++I;  // U+0080..U+009F in UTF-8
            continue;
        }
        // A byte of 0x80..0x9F that is not part of a UTF-8 sequence is a C1 control itself.
        if (B >= 0x80 && B <= 0x9F) {
            qsizetype Lead = I;
            while (Lead > 0 && I - Lead < 3 && (uchar(Bytes[Lead]) & 0xC0) == 0x80)
                --Lead;
            const uchar L = uchar(Bytes[Lead]);
            const int Length = L >= 0xF0 ? 4 : L >= 0xE0 ? 3 : L >= 0xC0 ? 2 : 1;
            if (Lead == I || I - Lead >= Length)
                continue;
        } else if (B < 0x80 && VxIsControlCharacter(B)) {
            continue;
        }
        Out += char(B);
    }
    return Out;
}

QByteArray PrintableByteText(const QString& ByteText)
{
    return PrintableBytes(VxByteTextToBytes(ByteText));
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
    // Messages may quote a server or a file.
    WriteErr(QStringLiteral("vx: ") + (CommandName.isEmpty() ? QString() : CommandName + QStringLiteral(": ")) +
             Printable(Message) + QLatin1Char('\n'));
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
