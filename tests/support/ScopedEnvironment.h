#pragma once

#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

// Sets (or, with nullptr, removes) an environment variable while it lives and puts the old
// value back afterwards, so no test leaves its environment to the next one. A change of TZ
// is given to the C library's time functions both ways.
class TScopedEnvironment {
 public:
  TScopedEnvironment(const char* name, const char* value) : FName(name) {
    if (const char* old = ::getenv(name)) FOld = old;
    Set(value);
  }
  TScopedEnvironment(const char* name, const std::string& value)
      : TScopedEnvironment(name, value.c_str()) {}
  ~TScopedEnvironment() { Set(FOld ? FOld->c_str() : nullptr); }
  TScopedEnvironment(const TScopedEnvironment&) = delete;
  TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

 private:
  void Set(const char* value) const {
    value ? ::setenv(FName.c_str(), value, 1) : ::unsetenv(FName.c_str());
    if (FName == "TZ") ::tzset();
  }

  std::string FName;
  std::optional<std::string> FOld;
};
