// Placeholder: the socket is being written.
#include <vedidoredo/platform/VxClientSocket.h>
#include <QTcpSocket>
TVxClientSocket::TVxClientSocket(QObject* Owner) : QObject(Owner) {}
TVxClientSocket::~TVxClientSocket() = default;
bool TVxClientSocket::Active() const { return false; }
void TVxClientSocket::Open() {}
void TVxClientSocket::Close() {}
int TVxClientSocket::SendBuf(const char*, int) { return 0; }
int TVxClientSocket::SendText(const QString&) { return 0; }
int TVxClientSocket::ReceiveBuf(char*, int) { return 0; }
QString TVxClientSocket::LocalHost() const { return {}; }
