#include <vedidoredo/VxITime.h>

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
    return DecodeDaytime(Execute());
}

TDateTime TVxInetDateTime::DecodeDaytime(const QString& Answer)
{
    // Fields 1..6: year, month, day, hour, minute, second. Digits before the first
    // separator (the day number of a NIST-style line) belong to no field.
    QString Fields[7];
    int Separators = 0;
    for (qsizetype I = 0; I + 1 < Answer.size() && Separators < 7; ++I) {
        const QChar C = Answer.at(I);
        if (C == QLatin1Char(' ') || C == QLatin1Char('-') || C == QLatin1Char(':'))
            ++Separators;
        else if (C >= QLatin1Char('0') && C <= QLatin1Char('9') && Separators >= 1 && Separators <= 6)
            Fields[Separators].append(C);
    }
    int Values[7] = {};
    for (int F = 1; F <= 6; ++F) {
        if (Fields[F].isEmpty())
            Fields[F] = QStringLiteral("1");
        if (F == 1) {
            while (Fields[1].size() < 3)
                Fields[1].prepend(QLatin1Char('0'));
            if (Fields[1].size() < 4)
                Fields[1].prepend(QLatin1Char('2'));
        }
        bool Ok = false;
        Values[F] = Fields[F].toInt(&Ok, 10);
        if (!Ok)
            throw EVxConvertError(QStringLiteral("'%1' is not a valid integer value").arg(Fields[F]));
    }
    return EncodeDateTime(Values[1], Values[2], Values[3], Values[4], Values[5], Values[6], 0);
}
