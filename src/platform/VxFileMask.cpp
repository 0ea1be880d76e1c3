#include <vedidoredo/platform/VxFileMask.h>

namespace {
// '*' and '?' matching with one backtrack point: linear in practice, never exponential.
bool MatchWild(const QString& Name, const QString& Mask)
{
    qsizetype N = 0, M = 0, StarM = -1, StarN = 0;
    while (N < Name.size()) {
        if (M < Mask.size() && Mask[M] == QLatin1Char('*')) {
            StarM = M++;  // a star is a wildcard even where the name has a '*'
            StarN = N;
        } else if (M < Mask.size() && (Mask[M] == QLatin1Char('?') || Mask[M] == Name[N])) {
            ++N;
            ++M;
        } else if (StarM >= 0) {
            M = StarM + 1;
            N = ++StarN;
        } else {
            return false;
        }
    }
    while (M < Mask.size() && Mask[M] == QLatin1Char('*'))
        ++M;
    return M == Mask.size();
}
}  // namespace

bool VxMatchesMask(const QString& Name, const QString& Mask)
{
    if (Mask.isEmpty() || Mask == QLatin1String("*") || Mask == QLatin1String("*.*"))
        return true;
    if (MatchWild(Name, Mask))
        return true;
    if (Mask.endsWith(QLatin1String(".*")) && !Name.contains(QLatin1Char('.')))
        return MatchWild(Name, Mask.chopped(2));
    return false;
}
