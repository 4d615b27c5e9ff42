#pragma once

#include <stdexcept>
#include <string>

namespace fw {

// The platform's exception class. Platform components that report failures by
// raising (sockets, the FTP client) raise this or a class derived from it.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A socket component could not do what it was asked (bad address, no socket).
class ESocketError : public Exception {
public:
    using Exception::Exception;
};

// A failed FTP command; the message is the server's reply line when there was one.
class EFtpFailure : public Exception {
public:
    using Exception::Exception;
};

// A file routine failed.
class EFileError : public Exception {
public:
    using Exception::Exception;
};

}  // namespace fw
