#pragma once

#include "JclHookExcept.h"

class TJvLogFile;

// Writes every exception raised while it is registered to the log file: what was raised and
// where, and the exception frames that were active, each with its code location. Its own
// failures (a log that cannot be written) never replace the exception being raised; the first
// one is reported on stderr.
void ExceptionLogNotifier(const TExceptObject* ExceptObj, void* ExceptAddr, bool OSException);

// The log the notifier writes to; null writes nothing.
void SetExceptionLogFile(TJvLogFile* logFile);
