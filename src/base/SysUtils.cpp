#include "SysUtils.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <typeinfo>

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string result;
  if (length > 0) {
    result.resize(static_cast<size_t>(length));
    std::vsnprintf(result.data(), result.size() + 1, format, args);
  }
  va_end(args);
  return result;
}

EOSError MakeOSError(int errorCode, const std::string& systemText) {
  if (errorCode == 0) return EOSError("A call to an OS function failed", 0);
  return EOSError(Format("System Error.  Code: %d.", errorCode) + "\r\n" + systemText, errorCode);
}

std::string SystemErrorText(int errorCode) {
  char buffer[256];
  // GNU strerror_r may return a static string instead of filling the buffer.
  return strerror_r(errorCode, buffer, sizeof buffer);
}

EOSError MakeOSErrorFromErrno(int errorCode) {
  return MakeOSError(errorCode, SystemErrorText(errorCode));
}

const char* ExceptionClassName(const std::exception& e) {
  if (const auto* ours = dynamic_cast<const Exception*>(&e)) return ours->ClassName();
  return typeid(e).name();
}
