// The library's exception classes. Every exception the library raises derives from
// EVxError, which carries the message text; callers catch EVxError to catch them all.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QByteArray>
#include <QString>
#include <exception>

class VX_CORE_EXPORT EVxError : public std::exception {
public:
    explicit EVxError(QString Message);
    ~EVxError() override;

    QString Message() const { return FMessage; }
    const char* what() const noexcept override;

private:
    QString FMessage;
    QByteArray FUtf8;  // what() needs storage that lives as long as the exception
};

// A value could not be converted (date out of range, bad number, cannot assign).
class VX_CORE_EXPORT EVxConvertError : public EVxError {
public:
    using EVxError::EVxError;
};

// A socket operation failed: name lookup, connect, send, receive or a timeout.
class VX_CORE_EXPORT EVxSocketError : public EVxError {
public:
    EVxSocketError(QString Message, int ErrorCode = 0);
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

// A run was cancelled (Cancel, or its future cancelled) before it could end.
class VX_CORE_EXPORT EVxAborted : public EVxError {
public:
    using EVxError::EVxError;
};

// A file could not be created, read or written.
class VX_CORE_EXPORT EVxFileError : public EVxError {
public:
    using EVxError::EVxError;
};
