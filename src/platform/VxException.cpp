#include <vedidoredo/platform/VxException.h>

#include <utility>

EVxError::EVxError(QString Message) : FMessage(std::move(Message)), FUtf8(FMessage.toUtf8()) {}

EVxError::~EVxError() = default;

const char* EVxError::what() const noexcept
{
    return FUtf8.constData();
}

EVxSocketError::EVxSocketError(QString Message, int ErrorCode)
    : EVxError(std::move(Message)), FErrorCode(ErrorCode)
{
}
