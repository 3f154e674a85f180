#pragma once

#include <utility>
#include <vector>

#include "ceflib_api.h"
#include "ustring.h"

// Generic string operations: the binding reaches the runtime's text functions only through
// these. The loader fills them right after resolving the entry points.
using TRuntimeStringCopy = int32_t (*)(const char16_t* source, size_t length,
                                       TCefStringUtf16* output);

extern Tcef_string_utf16_set RuntimeStringSet;
extern Tcef_string_utf16_clear RuntimeStringClear;
extern Tcef_string_userfree_utf16_alloc RuntimeStringUserFreeAlloc;
extern Tcef_string_userfree_utf16_free RuntimeStringUserFreeFree;
extern Tcef_string_ascii_to_utf16 RuntimeStringFromAscii;
extern Tcef_string_utf16_to_utf8 RuntimeStringToUtf8;
extern Tcef_string_utf8_to_utf16 RuntimeStringFromUtf8;
extern TRuntimeStringCopy RuntimeStringFromUtf16;
extern TRuntimeStringCopy RuntimeStringCopy;
extern Tcef_string_utf16_to_wide RuntimeStringToWide;
extern Tcef_string_wide_to_utf16 RuntimeStringFromWide;

// Fills the generic operations from RuntimeApi, or empties them all.
void SetGenericStringOperations();
void ClearGenericStringOperations();

// Lets the runtime allocate a copy of source into output (replacing output's text).
extern "C" int32_t Utf16StringCopy(const char16_t* source, size_t length, TCefStringUtf16* output);

// A view of s for one runtime call: never a null str, no destructor. Valid while s lives
// unchanged.
TCefStringUtf16 BorrowRuntimeString(const ustring& s);

// Exactly length code units of the record; a null record (or text) reads as empty.
ustring CopyFromRuntimeString(const TCefStringUtf16* p);

// A record owning a runtime-allocated copy of s; the empty string gives the all-zero record.
TCefStringUtf16 AllocRuntimeString(const ustring& s);

// Replaces the text of *p with a runtime copy of s; a null p does nothing.
void AssignRuntimeString(TCefStringUtf16* p, const ustring& s);

// Reads a record the runtime filled, then releases its text and empties it.
ustring TakeRuntimeString(TCefStringUtf16* r);

// Reads a user-free string and frees it; null reads as empty and frees nothing.
ustring TakeUserFreeString(TCefStringUserFreeUtf16 p);

// A runtime string list that lives for one scope.
class TRuntimeStringListHolder {
 public:
  TRuntimeStringListHolder();
  ~TRuntimeStringListHolder();
  TRuntimeStringListHolder(const TRuntimeStringListHolder&) = delete;
  TRuntimeStringListHolder& operator=(const TRuntimeStringListHolder&) = delete;

  TCefStringList get() const { return FList; }
  void Append(const ustring& item);
  // Appends every item to into, in the list's order.
  void ReadInto(std::vector<ustring>& into) const;

 private:
  TCefStringList FList;
};

// A runtime string map that lives for one scope.
class TRuntimeStringMapHolder {
 public:
  TRuntimeStringMapHolder();
  ~TRuntimeStringMapHolder();
  TRuntimeStringMapHolder(const TRuntimeStringMapHolder&) = delete;
  TRuntimeStringMapHolder& operator=(const TRuntimeStringMapHolder&) = delete;

  TCefStringMap get() const { return FMap; }
  // Appends every key/value pair to into, in the map's order.
  void ReadInto(std::vector<std::pair<ustring, ustring>>& into) const;

 private:
  TCefStringMap FMap;
};

// Hands call a fresh runtime list to fill, then appends its items to into (keeping what into
// already holds). The runtime list is freed also when call raises.
template <class Call>
void ReadRuntimeStringList(std::vector<ustring>& into, Call&& call) {
  TRuntimeStringListHolder list;
  std::forward<Call>(call)(list.get());
  list.ReadInto(into);
}

// Hands call a runtime list holding borrowed views of items (empty when items is null).
template <class Call>
void BuildRuntimeStringList(const std::vector<ustring>* items, Call&& call) {
  TRuntimeStringListHolder list;
  if (items)
    for (const ustring& item : *items) list.Append(item);
  std::forward<Call>(call)(list.get());
}
