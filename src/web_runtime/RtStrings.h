#pragma once

#include <string>

#include "cef_capi.h"

// Runtime-side helpers around TCefStringUtf16 for the rest of the library.
std::u16string ToU16(const TCefStringUtf16* text);
std::string ToUtf8(const TCefStringUtf16* text);
// Fills a record with an owned copy; the receiver clears it.
void AssignOwned(TCefStringUtf16& record, const std::u16string& text);
void AssignOwned(TCefStringUtf16& record, const std::string& utf8);
// A user-free string with a copy of utf8; the receiver frees it.
TCefStringUserFreeUtf16 NewUserFree(const std::string& utf8);
// The text of a user-free string a client handed over, which is freed.
std::string TakeUserFree(TCefStringUserFreeUtf16 text);
// A borrowed record for text that outlives the call it is passed to.
TCefStringUtf16 Borrow(const std::u16string& text);
std::u16string Utf8ToU16(const std::string& utf8);
