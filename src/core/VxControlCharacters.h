// The control characters that text from outside must not carry to a terminal or a reader:
// C0 but tab and line feed, and C1. Internal.
#pragma once

// Carriage return counts as a control unless KeepCarriageReturn (text whose line breaks
// may be CR LF).
constexpr bool VxIsControlCharacter(char32_t C, bool KeepCarriageReturn = false)
{
    if (C < 0x20)
        return C != u'\t' && C != u'\n' && !(KeepCarriageReturn && C == u'\r');
    return C >= 0x80 && C <= 0x9F;
}
