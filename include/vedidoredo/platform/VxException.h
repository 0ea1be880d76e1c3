/// \file
/// The library's exception classes. Every exception the library raises derives from
/// EVxError, which carries the message text; callers catch EVxError to catch them all.
#pragma once

#include <vedidoredo/VxGlobal.h>

#include <QByteArray>
#include <QString>
#include <exception>

/// The base of every exception the library raises; catch it to catch them all.
class VX_CORE_EXPORT EVxError : public std::exception {
public:
    /// Makes an exception carrying Message.
    explicit EVxError(QString Message);
    /// Frees the object and everything it owns.
    ~EVxError() override;

    /// The message text.
    QString Message() const { return FMessage; }
    /// The message in UTF-8.
    const char* what() const noexcept override;

private:
    QString FMessage;
    QByteArray FUtf8;  ///< what() needs storage that lives as long as the exception
};

/// A value could not be converted (date out of range, bad number, cannot assign).
class VX_CORE_EXPORT EVxConvertError : public EVxError {
public:
    /// Makes an exception carrying a message.
    using EVxError::EVxError;
};

/// A socket operation failed: name lookup, connect, send, receive or a timeout.
class VX_CORE_EXPORT EVxSocketError : public EVxError {
public:
    /// Makes an exception carrying Message and the socket layer's error code.
    EVxSocketError(QString Message, int ErrorCode = 0);
    /// The socket layer's error code; 0 when none applies.
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

/// A run was cancelled (Cancel, or its future cancelled) before it could end.
class VX_CORE_EXPORT EVxAborted : public EVxError {
public:
    /// Makes an exception carrying a message.
    using EVxError::EVxError;
};

/// A file could not be created, read or written.
class VX_CORE_EXPORT EVxFileError : public EVxError {
public:
    /// Makes an exception carrying a message.
    using EVxError::EVxError;
};
