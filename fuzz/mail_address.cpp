// Mail address text and address lists: parsing and printing any input must neither crash
// nor loop, and a list never holds more entries than its text has commas plus one.
#include <vedidoredo/VxISMTP.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString Text = QString::fromUtf8(reinterpret_cast<const char*>(Data), qsizetype(Size));

    TVxIEMailAddress Address;
    Address.SetText(Text);
    const QString Printed = Address.GetText();
    TVxIEMailAddress Again;
    Again.SetText(Printed);
    (void)Again.GetText();

    TVxIEMailAddresses List;
    List.SetEMailAddresses(Text);
    if (List.Count() > Text.count(QLatin1Char(',')) + 1)
        __builtin_trap();
    QStringList Lines;
    List.FillTStrings(Lines);
    if (Lines.size() != List.Count())
        __builtin_trap();
    TVxIEMailAddresses Reparsed;
    Reparsed.SetEMailAddresses(List.GetEMailAddresses());
    (void)Reparsed.GetEMailAddresses();
    return 0;
}
