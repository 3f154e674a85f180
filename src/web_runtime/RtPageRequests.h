#pragma once

#include <webkit2/webkit2.h>

#include <map>
#include <string>

#include "RtObject.h"
#include "corvane_runtime_ext.h"

// What the client decides about pages' requests: its handler, the folder uploads start in and
// the notification answers kept from earlier runs. Made on first use, gone at shutdown.
class TPageRequests {
 public:
  static TPageRequests& Instance();
  // The client's handler, without making the requests' state; null at and after shutdown.
  static TCefPageRequestHandler* CurrentHandler() { return Current ? Current->Handler() : nullptr; }
  // Gives the handler back to the client.
  static void Forget();

  void SetHandler(TClientRef<TCefPageRequestHandler> handler) { FHandler = std::move(handler); }
  TCefPageRequestHandler* Handler() const { return FHandler.get(); }
  void SetUploadFolder(std::string folder) { FUploadFolder = std::move(folder); }
  const std::string& UploadFolder() const { return FUploadFolder; }
  // Remembers the folder and tells the client.
  void UploadFolderUsed(const std::string& folder);
  void KeepNotificationPermission(const std::string& origin, bool allowed);
  // Gives the kept answers to the context now and whenever it asks for them again.
  void ApplyTo(WebKitWebContext* context);

 private:
  void InitializePermissions(WebKitWebContext* context) const;
  static void OnInitializePermissions(WebKitWebContext* context, gpointer);

  static inline TPageRequests* Current = nullptr;

  TClientRef<TCefPageRequestHandler> FHandler;
  std::string FUploadFolder;
  std::map<std::string, bool> FNotificationAnswers;
};

// Connects what the view's page asks for beyond the client handlers: permissions, uploads
// and notifications.
void ConnectPageRequests(WebKitWebView* view);
// Asks the client's page request handler about request of the page in view; denied at once
// without a handler, a view, or a kind the handler is asked about.
void AskPageRequestHandler(WebKitWebView* view, WebKitPermissionRequest* request);
// Gives WebKit the answer and lets go of the request; nothing when it was answered already.
void AnswerPermissionRequest(WebKitPermissionRequest*& request, bool allow);
