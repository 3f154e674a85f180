#pragma once

#include <exception>
#include <string>

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Root of the program's exception classes: carries a UTF-8 message and answers its class name.
// Every subclass overrides ClassName() so logs can name the class that was raised.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}

  virtual const char* ClassName() const { return "Exception"; }
  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

// Silent exception: aborts an operation without being reported as an error.
class EAbort : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EAbort"; }
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EConvertError"; }
};

class EOSError : public Exception {
 public:
  EOSError(std::string message, int errorCode)
      : Exception(std::move(message)), FErrorCode(errorCode) {}
  const char* ClassName() const override { return "EOSError"; }
  int ErrorCode() const { return FErrorCode; }

 private:
  int FErrorCode;
};

// The operating-system error for errorCode: "System Error.  Code: N." followed by CR LF and
// systemText, or "A call to an OS function failed" when errorCode is 0.
EOSError MakeOSError(int errorCode, const std::string& systemText);

// The C library's text for errno value errorCode.
std::string SystemErrorText(int errorCode);

// Same, with the C library's text for errno value errorCode.
EOSError MakeOSErrorFromErrno(int errorCode);

// Local name of an exception for logging: the class name of an Exception, else the C++ name.
const char* ExceptionClassName(const std::exception& e);
