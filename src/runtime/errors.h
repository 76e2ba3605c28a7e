#pragma once
// Errors raised by the runtime and file layer. An error ends the running
// event handler (and every handler above it); the toolkit's default error
// handler shows its text in an error box captioned with the application title.
#include <exception>
#include <string>

namespace rt {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const noexcept { return message_; }

private:
    std::string message_;
};

// Input/output error of the file layer; the text depends on the OS error code.
class EInOutError : public Exception {
public:
    explicit EInOutError(int errorCode);
    int ErrorCode() const noexcept { return code_; }

private:
    int code_;
};

class EFCreateError : public Exception {
public:
    using Exception::Exception;
};
class EFOpenError : public Exception {
public:
    using Exception::Exception;
};
class EReadError : public Exception {
public:
    using Exception::Exception;
};
class EWriteError : public Exception {
public:
    using Exception::Exception;
};
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// The German text the runtime shows for an OS error code of the file layer
// (2 "Datei nicht gefunden", 5 "Dateizugriff verweigert", else "E/A-Fehler %d").
std::string InOutErrorText(int errorCode);

// The error box appends a full stop when the text's last character sorts after '.'.
std::string WithFullStop(const std::string& text);

} // namespace rt
