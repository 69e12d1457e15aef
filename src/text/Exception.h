#pragma once
// The error kinds of the program. Every error shown to the user derives from
// Exception and carries its message as a byte string (UTF-8 text with file
// names embedded exactly as they were passed).

#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaro {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// Replaces the first "%s" or "%d" of a message template by a value.
std::string FormatMessage(std::string_view messageTemplate, std::string_view value);
std::string FormatMessage(std::string_view messageTemplate, long long value);

// The message as the user sees it: a "." is added when the message is not
// empty and its last byte, taken unsigned, is above '.'.
std::string WithPeriod(std::string_view message);

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
    // "ファイル %s は開けません" with the file name exactly as passed.
    static EFOpenError ForFile(std::string_view fileName);
};

class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
    // "ファイル %s を作成できません" with the file name exactly as passed.
    static EFCreateError ForFile(std::string_view fileName);
};

class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
    EReadError() : EStreamError("ストリームからの読み込みエラー") {}
};

class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
    EWriteError() : EStreamError("ストリームへの書き込みエラー") {}
};

class EOutOfResources : public Exception {
public:
    using Exception::Exception;
    EOutOfResources() : Exception("システム リソースが足りません") {}
};

class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};

class EJPEG : public EInvalidGraphic {
public:
    // "JPEG エラー #%d" with the JPEG library's message code.
    explicit EJPEG(int messageCode);
    int MessageCode() const { return messageCode_; }

private:
    int messageCode_;
};

class EPNG : public EInvalidGraphic {
public:
    // "PNG エラー: %s" with the PNG library's message. The library has no
    // message numbers, so its own words are what tells one fault from another.
    explicit EPNG(std::string_view libraryMessage)
        : EInvalidGraphic(FormatMessage("PNG エラー: %s", libraryMessage))
    {
    }
};

class EInOutError : public Exception {
public:
    EInOutError(const std::string& message, int errorCode) : Exception(message), errorCode_(errorCode) {}
    int ErrorCode() const { return errorCode_; }

private:
    int errorCode_;
};

// Raised to end an operation quietly: the application frame drops it.
class EAbort : public Exception {
public:
    using Exception::Exception;
};

}  // namespace tessaro
