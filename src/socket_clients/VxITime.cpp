#include <vedidoredo/VxITime.h>

#include <QRegularExpression>
#include <QDateTime>

#include <array>

namespace {

// The fields of one recognised answer. Offset is the zone's distance east of UTC in
// seconds; an answer that names no zone is in UTC.
struct TFields {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, MSec = 0;
    int Weekday = 0;  // 1 Monday .. 7 Sunday when given, 0 when not
    int Offset = 0;
};

int IndexIn(const char* const* Names, int Count, const QString& Name)
{
    for (int I = 0; I < Count; ++I)
        if (Name.compare(QLatin1String(Names[I]), Qt::CaseInsensitive) == 0)
            return I + 1;
    return 0;
}

const char* const MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const DayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

// A zone as RFC 822 and ISO 8601 write it: +hhmm, +hh:mm, +hh, Z or a name. False for
// an offset out of range; a name that is not one of RFC 822's leaves the time unzoned.
bool ReadZone(const QString& Zone, TFields& F)
{
    if (Zone.isEmpty())
        return true;
    if (Zone.at(0) == QLatin1Char('+') || Zone.at(0) == QLatin1Char('-')) {
        const QString Digits = Zone.mid(1).remove(QLatin1Char(':'));
        const int Hours = Digits.left(2).toInt();
        const int Minutes = Digits.size() > 2 ? Digits.mid(2).toInt() : 0;
        if (Hours > 23 || Minutes > 59)
            return false;
        F.Offset = (Zone.at(0) == QLatin1Char('-') ? -1 : 1) * (Hours * 3600 + Minutes * 60);
        return true;
    }
    static const struct {
        const char* Name;
        int Hours;
    } Named[] = {{"Z", 0},   {"UT", 0},  {"UTC", 0}, {"GMT", 0}, {"EST", -5}, {"EDT", -4},
                 {"CST", -6}, {"CDT", -5}, {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}};
    for (const auto& N : Named)
        if (Zone.compare(QLatin1String(N.Name), Qt::CaseInsensitive) == 0)
            F.Offset = N.Hours * 3600;
    return true;
}

using TReader = bool (*)(const QRegularExpressionMatch& M, TFields& F);

struct TFormat {
    QRegularExpression Pattern;
    TReader Read;
};

// The formats, made on first use (nothing runs when the library is loaded).
const std::array<TFormat, 4>& Formats()
{
    const QString Weekday = QStringLiteral("(Mon|Tue|Wed|Thu|Fri|Sat|Sun)");
    const QString Month = QStringLiteral("(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)");
    const QString Clock = QStringLiteral("(\\d{2}):(\\d{2})");
    static const std::array<TFormat, 4> Table{{
        // NIST: "60303 23-12-25 14:30:15 00 0 0 50.0 UTC(NIST) *", in UTC. The Modified Julian
        // Day that opens the line must name the same date.
        {QRegularExpression(QStringLiteral("^(\\d{5}) (\\d{2})-(\\d{2})-(\\d{2}) ") + Clock +
                            QStringLiteral(":(\\d{2})(?: .*)?$")),
         [](const QRegularExpressionMatch& M, TFields& F) {
             F.Year = 2000 + M.captured(2).toInt();
             F.Month = M.captured(3).toInt();
             F.Day = M.captured(4).toInt();
             F.Hour = M.captured(5).toInt();
             F.Minute = M.captured(6).toInt();
             F.Second = M.captured(7).toInt();
             return QDate(1858, 11, 17).addDays(M.captured(1).toInt()) == QDate(F.Year, F.Month, F.Day);
         }},
        // ctime/asctime: "Tue Dec  8 13:39:35 2026", and date(1)'s "Tue Dec  8 13:39:35 UTC 2026".
        {QRegularExpression(QStringLiteral("^") + Weekday + QStringLiteral(" +") + Month +
                                QStringLiteral(" +(\\d{1,2}) ") + Clock +
                                QStringLiteral(":(\\d{2})(?: +([A-Za-z]{1,5}))? +(\\d{4})$"),
                            QRegularExpression::CaseInsensitiveOption),
         [](const QRegularExpressionMatch& M, TFields& F) {
             F.Weekday = IndexIn(DayNames, 7, M.captured(1));
             F.Month = IndexIn(MonthNames, 12, M.captured(2));
             F.Day = M.captured(3).toInt();
             F.Hour = M.captured(4).toInt();
             F.Minute = M.captured(5).toInt();
             F.Second = M.captured(6).toInt();
             F.Year = M.captured(8).toInt();
             return ReadZone(M.captured(7), F);
         }},
        // RFC 822/2822: "Tue, 08 Dec 2026 13:39:35 +0000", "08 Dec 2026 13:39:35 UTC"; the
        // seconds and the zone may be missing, a two-digit year is 19YY from 50 on.
        {QRegularExpression(QStringLiteral("^(?:") + Weekday + QStringLiteral(", *)?(\\d{1,2}) +") + Month +
                                QStringLiteral(" +(\\d{4}|\\d{2}) +") + Clock +
                                QStringLiteral("(?::(\\d{2}))?(?: +([+-]\\d{4}|[A-Za-z]{1,5}))?$"),
                            QRegularExpression::CaseInsensitiveOption),
         [](const QRegularExpressionMatch& M, TFields& F) {
             F.Weekday = IndexIn(DayNames, 7, M.captured(1));
             F.Day = M.captured(2).toInt();
             F.Month = IndexIn(MonthNames, 12, M.captured(3));
             F.Year = M.captured(4).toInt();
             if (M.captured(4).size() == 2)
                 F.Year += F.Year < 50 ? 2000 : 1900;
             F.Hour = M.captured(5).toInt();
             F.Minute = M.captured(6).toInt();
             F.Second = M.captured(7).toInt();
             return ReadZone(M.captured(8), F);
         }},
        // ISO 8601, extended or basic: "2026-12-08T13:39:35Z", "2026-12-08 13:39:35.250+01:00",
        // "20261208T133935Z".
        {QRegularExpression(QStringLiteral("^(\\d{4})-?(\\d{2})-?(\\d{2})[Tt ](\\d{2}):?(\\d{2})(?::?(\\d{2})(?:[.,](\\d+))?)?"
                                           "([Zz]|[+-]\\d{2}(?::?\\d{2})?)?$")),
         [](const QRegularExpressionMatch& M, TFields& F) {
             F.Year = M.captured(1).toInt();
             F.Month = M.captured(2).toInt();
             F.Day = M.captured(3).toInt();
             F.Hour = M.captured(4).toInt();
             F.Minute = M.captured(5).toInt();
             F.Second = M.captured(6).toInt();
             F.MSec = (M.captured(7) + QStringLiteral("00")).left(3).toInt();
             return ReadZone(M.captured(8).toUpper(), F);
         }},
    }};
    return Table;
}

// The answer as a message shows it: quoted, control characters escaped, cut when long.
QString Quoted(const QString& Answer)
{
    constexpr qsizetype Longest = 60;
    QString Shown;
    for (qsizetype I = 0; I < Answer.size() && I < Longest; ++I) {
        const QChar C = Answer.at(I);
        if (C == QLatin1Char('\r'))
            Shown += QStringLiteral("\\r");
        else if (C == QLatin1Char('\n'))
            Shown += QStringLiteral("\\n");
        else if (C.unicode() < 0x20 || C.unicode() == 0x7F)
            Shown += QStringLiteral("\\x%1").arg(C.unicode(), 2, 16, QLatin1Char('0'));
        else if (C == QLatin1Char('"') || C == QLatin1Char('\\'))
            Shown += QLatin1Char('\\') + C;
        else
            Shown += C;
    }
    return QLatin1Char('"') + Shown + QLatin1Char('"') + (Answer.size() > Longest ? QStringLiteral("...") : QString());
}

}  // namespace

TVxInetDateTime::TVxInetDateTime(QObject* Owner) : TVxInetBase(Owner)
{
    SetPort(13);
    SetHost(QStringLiteral("time.nist.gov"));
}

TVxInetDateTime::~TVxInetDateTime()
{
    EndRun();
}

TDateTime TVxInetDateTime::GetDateTime()
{
    const QString Answer = Execute();
    try {
        return DecodeDaytime(Answer);
    } catch (const EVxConvertError& E) {
        throw EVxConvertError(E.Message() + QStringLiteral(" (") + TargetText() + QLatin1Char(')'));
    }
}

TDateTime TVxInetDateTime::DecodeDaytime(const QString& Answer)
{
    // One line, with any white space and line ends around it.
    const QString Line = Answer.trimmed();
    if (!Line.contains(QLatin1Char('\n')) && !Line.contains(QLatin1Char('\r'))) {
        for (const TFormat& Format : Formats()) {
            const QRegularExpressionMatch M = Format.Pattern.match(Line);
            TFields F;
            if (!M.hasMatch() || !Format.Read(M, F))
                continue;
            // A leap second reads as the second before it.
            const QDate Day(F.Year, F.Month, F.Day);
            const QTime Time(F.Hour, F.Minute, F.Second == 60 ? 59 : F.Second, F.MSec);
            if (!Day.isValid() || !Time.isValid() || (F.Weekday != 0 && F.Weekday != Day.dayOfWeek()))
                break;
            return QDateTimeToDateTime(QDateTime(Day, Time, Qt::OffsetFromUTC, F.Offset).toUTC());
        }
    }
    throw EVxConvertError(QStringLiteral("unrecognised daytime answer: ") + Quoted(Answer));
}
