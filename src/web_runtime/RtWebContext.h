#pragma once

#include <webkit2/webkit2.h>

#include <memory>
#include <string>

#include "RtCookieStore.h"

// A WebKit web context over one set of website data, with its cookie store, the web-process
// extension, the sandbox and spell checking. The runtime has one for its own data; a cookie
// manager of its own gets another, since WebKit binds a view to its context's cookies.
class TWebContext {
 public:
  // The runtime's own data: local storage, databases and the HTTP cache persist in
  // cachePath, or when that is empty in the user's cache folder under the program's file
  // name. When the folder cannot be made the data lives in memory only, with a warning.
  static WebKitWebsiteDataManager* NewUserDataManager(const std::string& cachePath);

  explicit TWebContext(WebKitWebsiteDataManager* data);
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
