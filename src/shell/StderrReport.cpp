#include "StderrReport.h"

#include <glib.h>

#include <cstdarg>
#include <cstdio>

void ReportOnStderr(const char* format, ...) {
  const char* program = g_get_prgname();
  flockfile(stderr);
  std::fprintf(stderr, "%s: ", program ? program : "corvane");
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  funlockfile(stderr);
}
