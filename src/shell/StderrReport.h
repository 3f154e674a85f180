#pragma once

// One line on stderr headed by the program's name: how the user learns of a fault the program
// works around without a dialog. Allocates nothing, so it may run while an error is handled.
void ReportOnStderr(const char* format, ...) __attribute__((format(printf, 1, 2)));
