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

TDateTime TVxInetSNTP::DecodeReply(const QString& Reply)
{
    if (Reply.size() < MessageSize)
        return 0;
    const int First = Reply.at(0).unicode() & 0xFF;
    const int Stratum = Reply.at(1).unicode() & 0xFF;
    const qint32 Seconds = SwapBytes(RawWord(Reply, 40));
    const qint32 Fraction = SwapBytes(RawWord(Reply, 44));
    if ((First >> 6) == 3)
        return 0;  // the server's clock is not synchronised
    if (Seconds == 0 && Fraction == 0)
        return 0;
    if (Stratum == 0 || Stratum > 15)
        return 0;
    return NTPTimestamp2DateTime(Seconds, Fraction);
}

TDateTime TVxInetSNTP::GetDateTime()
{
    return DecodeReply(Execute());
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
        return QStringLiteral("No answer from server");
    QByteArray Reply;
    VxDatagramStep::Run(this, ClientSocket(), eeReceive, [&] {
        Reply = VxUdpExchange(FPeer, quint16(Port()), Query, Timeout());
    });
    return QString::fromLatin1(Reply);
}
