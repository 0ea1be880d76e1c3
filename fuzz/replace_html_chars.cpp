// ReplaceHTMLChars on any text: never crashes, never hangs, and gives what restarting at
// the first "&" after every replacement gives.
#include <vedidoredo/vxiutil.h>

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

QString ReplaceLiterally(QString S)
{
    static const std::pair<const char16_t*, const char16_t*> Table[] = {
        {u"&brvbar", u"|"}, {u"&deg", u"\u00B0"}, {u"&plusmn", u"+"}, {u"&para", u"\u00B6"},
        {u"&amp", u"&"},    {u"&lt", u"<"},       {u"&gt", u">"},     {u"&copy", u"c"},
        {u"&quot", u"\""},  {u"&apos", u"'"},     {u"&trade", u"T"},  {u"&nbsp", u""}};
    for (;;) {
        const qsizetype p = S.indexOf(u'&');
        if (p < 0)
            return S;
        const qsizetype q = S.indexOf(u';', p + 1);
        const QString Entity = S.mid(p, (q < 0 ? S.size() : q) - p);
        const auto* It = std::find_if(std::begin(Table), std::end(Table),
                                      [&](const auto& E) { return Entity == QString::fromUtf16(E.first); });
        if (It == std::end(Table))
            return S;
        S.replace(p, (q < 0 ? S.size() : q + 1) - p, QString::fromUtf16(It->second));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const QString Input = QString::fromUtf8(reinterpret_cast<const char*>(Data), qsizetype(Size));
    QString S = Input;
    ReplaceHTMLChars(S);
    if (S != ReplaceLiterally(Input))
        std::abort();
    return 0;
}
