#include <vedidoredo/VxInBase.h>
#include <vedidoredo/VxILogOn.h>
#include <vedidoredo/VxInCnst.h>
#include <vedidoredo/vxiutil.h>
#include "platform/VxRunState.h"

#include <QByteArray>

// ---------------------------------------------------------------------------------------
// TVxInetBase

namespace {

// Bytes asked of the socket per read: 16 KiB and two, the block the socket clients have
// always read. CheckStatus is shown the first block only, which holds any status line
// many times over; the answer itself does not depend on the size.
constexpr int ReadBlockSize = 16386;

}  // namespace

TVxInetBase::TVxInetBase(QObject* Owner)
    : TVxComponent(Owner), FClientSocket(new TVxClientSocket(this)), FProxy(new TVxInetProxy(this))
{
    // The engine's handlers keep the connected flag, then pass the notification on with
    // the socket as Sender.
    FClientSocket->OnLookup = [this](QObject* Sender, TVxClientSocket* Socket) {
        if (FOnLookup)
            FOnLookup(Sender, Socket);
    };
    FClientSocket->OnConnecting = [this](QObject* Sender, TVxClientSocket* Socket) {
        if (FOnConnecting)
            FOnConnecting(Sender, Socket);
    };
    FClientSocket->OnConnect = [this](QObject* Sender, TVxClientSocket* Socket) {
        FConnected = true;
        if (FOnConnect)
            FOnConnect(Sender, Socket);
    };
    FClientSocket->OnDisconnect = [this](QObject* Sender, TVxClientSocket* Socket) {
        FConnected = false;
        if (FOnDisconnect)
            FOnDisconnect(Sender, Socket);
    };
    FClientSocket->OnError = [this](QObject* Sender, TVxClientSocket* Socket, TVxErrorEvent Kind,
                                    int& Code) {
        FConnected = false;
        if (FOnError)
            FOnError(Sender, Socket, Kind, Code);
    };
    FClientSocket->SetClientType(ctBlocking);
}

TVxInetBase::~TVxInetBase()
{
    EndRun();
    // The socket's notifications refer to this object: silence them before it goes.
    FClientSocket->OnDisconnect = nullptr;
    FClientSocket->OnError = nullptr;
}

int TVxInetBase::Port() const
{
    return FClientSocket->Port();
}

void TVxInetBase::SetPort(int Value)
{
    CheckChange("Port");
    FClientSocket->SetPort(Value);
}

QString TVxInetBase::Host() const
{
    return FClientSocket->Host();
}

void TVxInetBase::SetHost(const QString& Value)
{
    CheckChange("Host");
    if (AddrIsIP(Value)) {
        FClientSocket->SetAddress(Value);
        FClientSocket->SetHost(QString());
    } else {
        FClientSocket->SetHost(Value);
        FClientSocket->SetAddress(QString());
    }
}

QString TVxInetBase::Address() const
{
    return FClientSocket->Address();
}

void TVxInetBase::SetAddress(const QString& Value)
{
    CheckChange("Address");
    SetHost(Value);
}

void TVxInetBase::SetProxy(TVxInetProxy* Value)
{
    CheckChange("Proxy");
    FProxy->Assign(Value);
}

int TVxInetBase::Timeout() const
{
    return FClientSocket->Timeout();
}

void TVxInetBase::SetTimeout(int Value)
{
    CheckChange("Timeout");
    FClientSocket->SetTimeout(qMax(0, Value));
}

TVxClientType TVxInetBase::ClientType() const
{
    return FClientSocket->ClientType();
}

void TVxInetBase::SetClientType(TVxClientType Value)
{
    CheckChange("ClientType");
    FClientSocket->SetClientType(Value);
}

void TVxInetBase::SetOnSendTextToSocket(TVxSocketNotifyEvent Value)
{
    CheckChange("OnSendTextToSocket");
    FOnSendTextToSocket = Guarded(std::move(Value));
    FClientSocket->OnWrite = FOnSendTextToSocket;
}

void TVxInetBase::SetOnReceiveTextFromSocket(TVxSocketNotifyEvent Value)
{
    CheckChange("OnReceiveTextFromSocket");
    FOnReceiveTextFromSocket = Guarded(std::move(Value));
    FClientSocket->OnRead = FOnReceiveTextFromSocket;
}

bool TVxInetBase::AddrIsIP(const QString& S)
{
    // Up to five slots are filled so that a fifth part can be noticed.
    int Slots[6] = {-1, -1, -1, -1, -1, -1};
    QString Accumulator;
    int K = 1;
    const qsizetype Last = S.size() - 1;
    for (qsizetype I = 0; I <= Last; ++I) {
        const QChar C = S.at(I);
        if (C == QLatin1Char('.') || I == Last) {
            // The last character joins the last part, so a trailing dot makes it no number.
            if (I == Last)
                Accumulator.append(C);
            bool Ok = false;
            const int Value = Accumulator.toInt(&Ok, 10);
            // Only plain decimal digits count as a whole number (no sign, no blanks).
            bool Digits = !Accumulator.isEmpty();
            for (QChar D : Accumulator)
                Digits = Digits && D.isDigit() && D.unicode() < 128;
            Slots[K] = Ok && Digits ? Value : -1;
            ++K;
            if (K > 5)
                break;
            Accumulator.clear();
        } else {
            Accumulator.append(C);
        }
    }
    if (Slots[5] != -1)
        return false;
    for (int I = 1; I <= 4; ++I)
        if (Slots[I] < 0 || Slots[I] > 255)
            return false;
    return true;
}

QString TVxInetBase::GetQuery()
{
    return QString();
}

QString TVxInetBase::GetRawHeaders()
{
    QString Result;
    if (FProxy->UseProxy()) {
        if (FLoginPrompt) {
            QString User = FProxy->User();
            QString Password = FProxy->Password();
            if (VxInAskLogon(strVxInProxyLogon, User, Password)) {
                FProxy->SetUser(User);
                FProxy->SetPassword(Password);
            }
        }
        if (!FProxy->User().isEmpty())
            Result += QStringLiteral("Username: ") + FProxy->User() + QStringLiteral("\r\n");
        if (!FProxy->Password().isEmpty())
            Result += QStringLiteral("Password: ") + FProxy->Password() + QStringLiteral("\r\n");
    } else {
        Result += QStringLiteral("Proxy-Connection: Keep-Alive\r\n");
    }
    Result += QStringLiteral("\r\n");
    return Result;
}

void TVxInetBase::Connect()
{
    if (FConnected)
        return;
    if (FClientSocket->Host().isEmpty() && FClientSocket->Address().isEmpty())
        throw EVxError(strVxInEHost);
    if (FProxy->Named()) {
        // The socket keeps the proxy as its target: Host, Address and Port read the
        // proxy's values afterwards.
        SetHost(FProxy->Server());
        FClientSocket->SetPort(FProxy->Port());
    }
    FClientSocket->Open();
}

void TVxInetBase::Disconnect()
{
    if (FConnected)
        FClientSocket->Close();
}

int TVxInetBase::SendToSocket(const QString& Text)
{
    if (!FClientSocket->Active())
        return 0;
    return FClientSocket->SendText(Text);
}

int TVxInetBase::ReceiveFromSocket(char* Buffer, int Count)
{
    if (!FClientSocket->Active() && !FConnected)
        return 0;
    return FClientSocket->ReceiveBuf(Buffer, Count);
}

QString TVxInetBase::GetLocalHost() const
{
    return FClientSocket->LocalHost();
}

QString TVxInetBase::TargetText() const
{
    return FClientSocket->PeerText();
}

EVxError TVxInetBase::ExchangeError(const QString& What) const
{
    return EVxError(What + QStringLiteral(" (") + TargetText() + QLatin1Char(')'));
}

namespace {

// The status check on the first piece of an answer: the three characters after the
// first space, read as a number (200 when they are not one). The catalogue text for
// 401, 404 and 407; empty for any other.
QString RefusedStatus(QLatin1StringView Piece)
{
    const qsizetype Space = Piece.indexOf(QLatin1Char(' '));
    if (Space < 0)
        return {};
    bool Ok = false;
    const int Status = Piece.mid(Space + 1, 3).toString().toInt(&Ok, 10);
    if (!Ok)
        return {};
    switch (Status) {
    case 401: return strVxInEAuthRequired;
    case 404: return strVxInEFileNotFound;
    case 407: return strVxInEProxyAuth;
    default: return {};
    }
}

}  // namespace

QString TVxInetBase::InternalExecute()
{
    QString Query = GetQuery();
    if (!Query.isEmpty())
        Query += GetRawHeaders();
    // Nothing could be sent: not connected (a failed connect that OnError suppressed, or
    // a kept connection that has gone), or a send failure that OnError suppressed.
    if (Query.isEmpty() ? !FClientSocket->Active() : SendToSocket(Query) <= 0)
        throw ExchangeError(QStringLiteral("No answer from server"));

    // Each piece is widened straight into the answer: no second copy of a long answer.
    QString Answer;
    bool Failed = false;
    char Buffer[ReadBlockSize];
    for (;;) {
        const int Count = ReceiveFromSocket(Buffer, ReadBlockSize);
        if (Count <= 0) {
            Failed = Count < 0;  // a failure that OnError suppressed ends the answer
            break;
        }
        const QLatin1StringView Piece(Buffer, Count);
        if (Answer.isEmpty()) {
            const QString Refused = RefusedStatus(Piece);
            if (!Refused.isEmpty()) {
                AnswerRefused(QString(Piece));
                throw ExchangeError(Refused);
            }
        }
        Answer.append(Piece);
    }
    if (Answer.isEmpty())
        throw ExchangeError(Failed ? QStringLiteral("No answer from server")
                                   : QStringLiteral("Connection closed by the server before any answer"));
    return Answer;
}

void TVxInetBase::AnswerRefused(const QString&) {}

void TVxInetBase::BeforeExecute()
{
    if (FOnBeforeExecute)
        FOnBeforeExecute(this);
}

void TVxInetBase::AfterExecute(QString& Text)
{
    if (FOnAfterExecute)
        FOnAfterExecute(this, Text);
}

QString TVxInetBase::Execute()
{
    TVxRunScope Run(RunState());
    BeforeExecute();
    if (FClientSocket->Host().isEmpty() && FClientSocket->Address().isEmpty())
        throw EVxError(strVxInEHost);
    Connect();
    QString Result;
    try {
        CurrentStep = 0;
        while (CurrentStep < StepCount) {
            QString Text = InternalExecute();
            AfterExecute(Text);
            Result += Text;
            ++CurrentStep;
        }
    } catch (...) {
        // What is left of a failed exchange (an answer half read) must not be taken for
        // the answer of the next run: the connection is closed, and a failure while
        // closing gives way to the one that ended the exchange.
        try {
            Disconnect();
        } catch (...) {
            FClientSocket->Close();
        }
        throw;
    }
    if (!FKeepConnection)
        Disconnect();
    return Result;
}

QFuture<QString> TVxInetBase::ExecuteAsync()
{
    return RunAsync<QString>([this] { return Execute(); });
}

void TVxInetBase::MoveRunObjects(QThread* Thread)
{
    FClientSocket->MoveToThread(Thread);
}
