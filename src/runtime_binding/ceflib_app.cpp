#include "ceflib_app.h"

#include "ceflib_errors.h"
#include "ceflib_strings.h"

namespace {

TRuntimeStartupHooks* StartupHooks;

void CEF_CALLBACK AppOnBeforeCommandLineProcessing(TCefApp* self, TCefConstString* processType,
                                                   TCefCommandLine* commandLine) {
  CallGuarded(nullptr, [&] {
    // Wrap first, so the command line's reference is released even if the copy raises.
    const TRef<ICefCommandLine> line = TCefCommandLineRef::UnWrap(commandLine);
    OwnerOf<TCefAppOwn>(self)->on_before_command_line_processing(CopyFromRuntimeString(processType),
                                                                 line);
  });
}

void CEF_CALLBACK AppOnRegisterCustomSchemes(TCefApp* self, TCefSchemeRegistrar* registrar) {
  CallGuarded(nullptr, [&] {
    OwnerOf<TCefAppOwn>(self)->on_register_custom_schemes(
        TCefSchemeRegistrarRef::UnWrap(registrar));
  });
}

// Asks getter for a handler and hands it to the runtime with a reference of its own.
template <class TStruct>
TStruct* HandlerForRuntime(TCefApp* self, void (ICefApp::*getter)(TRef<ICefBase>&)) {
  return CallGuarded(nullptr, static_cast<TStruct*>(nullptr), [&] {
    TRef<ICefBase> handler;
    (OwnerOf<TCefAppOwn>(self)->*getter)(handler);
    return RuntimePointerOf<TStruct>(handler);
  });
}

TCefResourceBundleHandler* CEF_CALLBACK AppGetResourceBundleHandler(TCefApp* self) {
  return HandlerForRuntime<TCefResourceBundleHandler>(self, &ICefApp::get_resource_bundle_handler);
}

TCefBrowserProcessHandler* CEF_CALLBACK AppGetBrowserProcessHandler(TCefApp* self) {
  return HandlerForRuntime<TCefBrowserProcessHandler>(self, &ICefApp::get_browser_process_handler);
}

TCefRenderProcessHandler* CEF_CALLBACK AppGetRenderProcessHandler(TCefApp* self) {
  return HandlerForRuntime<TCefRenderProcessHandler>(self, &ICefApp::get_render_process_handler);
}

}  // namespace

TCefAppOwn::TCefAppOwn() : TCefBaseOwn(sizeof(TCefApp)) {
  TCefApp* app = Data<TCefApp>();
  app->on_before_command_line_processing = AppOnBeforeCommandLineProcessing;
  app->on_register_custom_schemes = AppOnRegisterCustomSchemes;
  app->get_resource_bundle_handler = AppGetResourceBundleHandler;
  app->get_browser_process_handler = AppGetBrowserProcessHandler;
  app->get_render_process_handler = AppGetRenderProcessHandler;
}

TRuntimeStartupHooks& RuntimeStartupHooks() {
  if (!StartupHooks) StartupHooks = new TRuntimeStartupHooks();
  return *StartupHooks;
}

void ClearRuntimeStartupHooks() {
  delete StartupHooks;
  StartupHooks = nullptr;
}

void TInternalApp::on_before_command_line_processing(const ustring& processType,
                                                     const TRef<ICefCommandLine>& commandLine) {
  const auto& hook = RuntimeStartupHooks().AppBeforeCommandLineProcessing;
  if (hook) hook(processType, commandLine);
}

void TInternalApp::on_register_custom_schemes(const TRef<ICefSchemeRegistrar>& registrar) {
  const auto& hook = RuntimeStartupHooks().AppRegisterCustomSchemes;
  if (hook) hook(registrar);
}

void TInternalApp::get_resource_bundle_handler(TRef<ICefBase>& handler) {
  handler = RuntimeStartupHooks().AppResourceBundleHandler;
}

void TInternalApp::get_browser_process_handler(TRef<ICefBase>& handler) {
  handler = RuntimeStartupHooks().AppBrowserProcessHandler;
}

void TInternalApp::get_render_process_handler(TRef<ICefBase>& handler) {
  handler = RuntimeStartupHooks().AppRenderProcessHandler;
}
