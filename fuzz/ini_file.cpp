// TVxIniFile and the directory model on any text (directory files come from servers):
// never crashes or hangs, and every section it lists can be read back.
#include <vedidoredo/VxWebDirectory.h>
#include "platform/VxIniFile.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const TVxIniFile Ini(QByteArray(reinterpret_cast<const char*>(Data), qsizetype(Size)));
    for (const QString& Section : Ini.Sections()) {
        for (const TVxIniLine& Line : Ini.SectionLines(Section)) {
            if (Line.Key.contains(QLatin1Char('=')) || Line.Key.contains(QLatin1Char('\n')))
                std::abort();
            // The first line of a key gives the single value, so the default (a text no
            // value can hold: values end at a line feed) never comes back.
            if (Ini.ReadString(Section, Line.Key, QStringLiteral("\n")) == QStringLiteral("\n"))
                std::abort();
        }
    }
    // The model against itself: nothing is new.
    for (const TVxDirectoryCategory& C : VxReadDirectory(Ini, &Ini))
        for (const TVxDirectoryLink& L : C.Links)
            if (L.New && !L.Caption.isEmpty() && Ini.ReadString(C.Caption, L.Url) == L.Caption)
                std::abort();
    return 0;
}
