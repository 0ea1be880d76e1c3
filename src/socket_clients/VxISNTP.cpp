#include <vedidoredo/VxISNTP.h>
#include "platform/VxDatagram.h"

#include "VxDatagramStep.h"

#include <cmath>
#include <ctime>

namespace {

constexpr double TwoTo32 = 4294967296.0;
constexpr double SecsPerDay = 86400.0;
constexpr double NtpEpoch = 2.0;  // 1900-01-01 00:00 on the date-time scale
constexpr int MessageSize = 48;

void PutBigEndian(QByteArray& Buffer, int Offset, quint32 Value)
{
    Buffer[Offset] = char((Value >> 24) & 0xFF);
    Buffer[Offset + 1] = char((Value >> 16) & 0xFF);
    Buffer[Offset + 2] = char((Value >> 8) & 0xFF);
    Buffer[Offset + 3] = char(Value & 0xFF);
}

// Four bytes of byte text as they lie in memory (network order), as a host integer.
qint32 RawWord(const QString& Text, int Offset)
{
    quint32 V = 0;
    for (int i = 0; i < 4; ++i)
        reinterpret_cast<unsigned char*>(&V)[i] = uchar(Text.at(Offset + i).unicode() & 0xFF);
    return qint32(V);
}

}  // namespace

TVxInetSNTP::TVxInetSNTP(QObject* Owner) : TVxInetBase(Owner)
{
    SetPort(123);
    SetHost(QStringLiteral("pool.ntp.org"));
    SetTimeout(5000);
}

TVxInetSNTP::~TVxInetSNTP()
{
    EndRun();
}

double TVxInetSNTP::TimeZoneBias()
{
    tzset();
    const std::time_t T = std::time(nullptr);
    std::tm Local{};
    if (!localtime_r(&T, &Local))
        return 0.0;
    // tm_gmtoff is local minus UTC in seconds; the bias is the other way round.
    const double Minutes = -double(Local.tm_gmtoff) / 60.0;
    return Minutes / 1440.0;
}

qint32 TVxInetSNTP::SwapBytes(qint32 Value)
{
    const quint32 V = quint32(Value);
    return qint32(((V & 0xFF) << 24) | ((V & 0xFF00) << 8) | ((V >> 8) & 0xFF00) | (V >> 24));
}

TDateTime TVxInetSNTP::NTPTimestamp2DateTime(qint32 Seconds, qint32 Fraction)
{
    double S = Seconds;
    double F = Fraction;
    if (S < 0)
        S += TwoTo32;
    if (F < 0)
        F += TwoTo32;
    const double Millis = std::floor(F / TwoTo32 * 1000.0);
    return (S + Millis / 1000.0) / SecsPerDay - TimeZoneBias() + NtpEpoch;
}

QString TVxInetSNTP::GetQuery()
{
    QByteArray Message(MessageSize, '\0');
    Message[0] = char(0x1B);
    double Seconds = (double(Now()) + TimeZoneBias() - NtpEpoch) * SecsPerDay;
    if (Seconds > TwoTo32)
        Seconds -= TwoTo32;
    const double Whole = std::floor(Seconds);
    PutBigEndian(Message, 40, quint32(Whole));
    PutBigEndian(Message, 44, quint32(std::floor((Seconds - Whole) * TwoTo32)));
    return QString::fromLatin1(Message);
}

QString TVxInetSNTP::ReplyProblem(const QString& Reply)
{
    if (Reply.size() < MessageSize)
        return QStringLiteral("%1 bytes, too short for an SNTP message of %2").arg(Reply.size()).arg(MessageSize);
    const int First = Reply.at(0).unicode() & 0xFF;
    const int Stratum = Reply.at(1).unicode() & 0xFF;
    if ((First >> 6) == 3)
        return QStringLiteral("the server's clock is not synchronised (leap indicator 3)");
    if (RawWord(Reply, 40) == 0 && RawWord(Reply, 44) == 0)
        return QStringLiteral("no transmit time");
    if (Stratum == 0 || Stratum > 15)
        return QStringLiteral("stratum %1 (a server gives 1 to 15)").arg(Stratum);
    return {};
}

TDateTime TVxInetSNTP::DecodeReply(const QString& Reply)
{
    if (!ReplyProblem(Reply).isEmpty())
        return 0;
    return NTPTimestamp2DateTime(SwapBytes(RawWord(Reply, 40)), SwapBytes(RawWord(Reply, 44)));
}

TDateTime TVxInetSNTP::GetDateTime()
{
    const QString Reply = Execute();
    const QString Problem = ReplyProblem(Reply);
    if (!Problem.isEmpty())
        throw ExchangeError(QStringLiteral("SNTP reply refused: ") + Problem);
    return DecodeReply(Reply);
}

void TVxInetSNTP::Connect()
{
    FPeer = VxDatagramStep::Resolve(this, ClientSocket());
}

void TVxInetSNTP::Disconnect()
{
    FPeer.clear();
}

QString TVxInetSNTP::InternalExecute()
{
    const QByteArray Query = GetQuery().toLatin1();
    if (FPeer.isNull())
        throw ExchangeError(QStringLiteral("No answer from server"));
    // The reply to this request echoes its transmit time as the originate time; any other
    // datagram (a late reply to an earlier request, a forgery) is ignored.
    const QByteArray Sent = Query.mid(40, 8);
    int Ignored = 0;
    QString Why;  // of the last datagram ignored
    QByteArray Reply;
    const bool Done = VxDatagramStep::Run(this, ClientSocket(), eeReceive, [&] {
        try {
            Reply = VxUdpExchange(FPeer, quint16(Port()), Query, Timeout(), [&](const QByteArray& D) {
                if (D.size() >= MessageSize && D.mid(24, 8) == Sent)
                    return true;
                ++Ignored;
                Why = D.size() < MessageSize ? ReplyProblem(QString::fromLatin1(D))
                                             : QStringLiteral("its originate time is not this request's");
                return false;
            });
        } catch (const EVxSocketError& E) {
            if (Ignored == 0)
                throw;
            throw EVxSocketError(E.Message() + QStringLiteral("; %1 datagram(s) ignored, the last: %2").arg(Ignored).arg(Why),
                                 E.ErrorCode());
        }
    });
    if (!Done)
        throw ExchangeError(QStringLiteral("No answer from server"));
    return QString::fromLatin1(Reply);
}
