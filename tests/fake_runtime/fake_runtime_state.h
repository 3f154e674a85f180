#pragma once

// Shared state of the fake runtime's translation units; not part of the test-facing API.

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "corvane_runtime_ext.h"
#include "fake_runtime.h"

struct TCefStringListData {
  std::vector<std::u16string> Items;
};

struct TCefStringMapData {
  std::vector<std::pair<std::u16string, std::u16string>> Entries;
};

struct TCefStringMultimapData {
  std::vector<std::pair<std::u16string, std::u16string>> Entries;
};

namespace FakeRuntime::Internal {

struct TObjectRecord {
  std::string Kind;
  int Id = 0;
  int References = 1;  // the fake's own reference included
  bool OverReleased = false;
};

struct TCommandLineData {
  std::u16string Program;
  std::vector<std::u16string> Arguments;
  std::vector<std::pair<std::u16string, std::u16string>> Switches;
};

struct TState {
  std::recursive_mutex Lock;
  std::vector<std::string> Calls;
  std::map<const void*, TObjectRecord> Objects;
  int NextObjectId = 1;
  std::set<const void*> LiveBuffers;
  std::set<const void*> LiveUserFreeRecords;
  std::set<const void*> LiveCollections;
  std::map<const void*, TCommandLineData> CommandLines;
  std::vector<std::u16string> RegisteredSchemes;
  std::vector<TCefApp*> HeldApps;
  std::vector<TCefClient*> HeldClients;
  std::vector<TCefFindHandler*> HeldFindHandlers;
  FakeRuntime::TFindRecord LastFind;
  std::string LastExtensionHost;
  std::vector<std::string> Problems;
  std::u16string LastTextArgument;
  RuntimeTime LastDateArgument{};
  std::function<TCefBrowser*(const TCefWindowInfo*, const TCefBrowserSettings*)> BrowserFactory;
  std::function<void()> MessageLoopWork;
};

TState& State();
void Record(std::string_view call);

// A zero-filled runtime object of TStruct with counting header callbacks, owned by the fake.
void* AllocateObject(size_t size, const std::string& kind);
template <class TStruct>
TStruct* MakeObject(const std::string& kind) {
  return static_cast<TStruct*>(AllocateObject(sizeof(TStruct), kind));
}
// Adds the reference that goes with handing object to the program.
template <class TStruct>
TStruct* HandOut(TStruct* object) {
  reinterpret_cast<TCefBase*>(object)->add_ref(reinterpret_cast<TCefBase*>(object));
  return object;
}

// Runtime-allocated copy of text in record (replacing what record held).
void SetOwnedUtf16(TCefStringUtf16* record, std::u16string_view text);
std::u16string ReadUtf16(const TCefStringUtf16* record);
// A user-free string holding a copy of text, made without recording a call.
TCefStringUserFreeUtf16 NewUserFreeUtf16(std::u16string_view text);

}  // namespace FakeRuntime::Internal
