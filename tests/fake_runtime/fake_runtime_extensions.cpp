// Our runtime's extension entry points: each records its call and what it received; the find
// handler is held, as the runtime would, until a test answers it.
#include "corvane_runtime_ext.h"
#include "fake_runtime.h"
#include "fake_runtime_state.h"

#ifndef FAKE_RUNTIME_EXTENSIONS_EXPORTED
#define FAKE_RUNTIME_EXTENSIONS_EXPORTED true
#endif

using namespace FakeRuntime::Internal;

namespace {

// The runtime receives the host with a reference of its own.
void TakeHost(TCefBrowserHost* host) {
  State().LastExtensionHost = FakeRuntime::KindOf(host);
  if (host) host->base.release(&host->base);
}

}  // namespace

void corvane_find(TCefBrowserHost* host, TCefConstString* text, TCefBool forward,
                  TCefFindHandler* handler) {
  Record("corvane_find");
  TakeHost(host);
  std::lock_guard guard(State().Lock);
  State().LastFind = {ReadUtf16(text), forward != 0, handler != nullptr};
  if (handler) State().HeldFindHandlers.push_back(handler);
}

void corvane_stop_finding(TCefBrowserHost* host) {
  Record("corvane_stop_finding");
  TakeHost(host);
}

void corvane_print(TCefBrowserHost* host) {
  Record("corvane_print");
  TakeHost(host);
}

// Page requests are only recorded: the fake has no pages that ask.
void corvane_set_page_request_handler(TCefPageRequestHandler* handler) {
  Record("corvane_set_page_request_handler");
  if (handler) handler->base.release(&handler->base);
}

void corvane_set_upload_folder(TCefConstString*) {
  Record("corvane_set_upload_folder");
}

void corvane_keep_notification_permission(TCefConstString*, TCefBool) {
  Record("corvane_keep_notification_permission");
}

// Navigations are only recorded: the fake has no pages that navigate.
void corvane_set_navigation_handler(TCefNavigationHandler* handler) {
  Record("corvane_set_navigation_handler");
  if (handler) handler->base.release(&handler->base);
}

namespace FakeRuntime {

bool ExtensionsExported() {
  return FAKE_RUNTIME_EXTENSIONS_EXPORTED;
}

const TFindRecord& LastFind() {
  return State().LastFind;
}

const std::string& LastExtensionHost() {
  return State().LastExtensionHost;
}

bool AnswerOldestFind(int32_t matchCount) {
  TCefFindHandler* handler = nullptr;
  {
    std::lock_guard guard(State().Lock);
    auto& held = State().HeldFindHandlers;
    if (held.empty()) return false;
    handler = held.front();
    held.erase(held.begin());
  }
  handler->on_find_result(handler, matchCount);
  handler->base.release(&handler->base);
  return true;
}

}  // namespace FakeRuntime
