#pragma once

#include <webkit2/webkit2.h>

#include <memory>
#include <string>

#include "RtCookieStore.h"

// The runtime's one WebKit web context: its data folders, the web-process extension and the
// global cookie store. Exists between initialize and shutdown.
class TWebContext {
 public:
  // Local storage, databases and the HTTP cache persist in cachePath, or when that is empty
  // in the user's cache folder under the program's file name. When the folder cannot be made
  // the data lives in memory only, with a warning.
  explicit TWebContext(const std::string& cachePath);
  ~TWebContext();
  TWebContext(const TWebContext&) = delete;
  TWebContext& operator=(const TWebContext&) = delete;

  WebKitWebContext* Context() const { return FContext; }
  std::weak_ptr<TCookieStore> Cookies() const { return FCookies; }
  WebKitWebView* NewView() const;

  // Folder of the web-process extension: beside this library.
  static std::string ExtensionFolder();

 private:
  static void OnInitializeExtensions(WebKitWebContext* context, gpointer);

  WebKitWebContext* FContext = nullptr;
  std::shared_ptr<TCookieStore> FCookies;
};
