#pragma once

#include <functional>

#include "ceflib_bridge.h"
#include "ceflib_commandline.h"
#include "ustring.h"

// The application object the runtime consults while a process starts.
class ICefApp : public virtual ICefBase {
 public:
  virtual void on_before_command_line_processing(const ustring& processType,
                                                 const TRef<ICefCommandLine>& commandLine) = 0;
  virtual void on_register_custom_schemes(const TRef<ICefSchemeRegistrar>& registrar) = 0;
  virtual void get_resource_bundle_handler(TRef<ICefBase>& handler) = 0;
  virtual void get_browser_process_handler(TRef<ICefBase>& handler) = 0;
  virtual void get_render_process_handler(TRef<ICefBase>& handler) = 0;
};

// Exposes an ICefApp to the runtime; subclasses answer the five operations.
class TCefAppOwn : public TCefBaseOwn, public ICefApp {
 protected:
  TCefAppOwn();
};

using TAppBeforeCommandLineProcessing =
    std::function<void(const ustring& processType, const TRef<ICefCommandLine>& commandLine)>;
using TAppRegisterCustomSchemes = std::function<void(const TRef<ICefSchemeRegistrar>& registrar)>;

// Start-up hooks consulted by TInternalApp; all empty unless a caller sets them.
struct TRuntimeStartupHooks {
  TAppBeforeCommandLineProcessing AppBeforeCommandLineProcessing;
  TAppRegisterCustomSchemes AppRegisterCustomSchemes;
  TRef<ICefBase> AppResourceBundleHandler;
  TRef<ICefBase> AppBrowserProcessHandler;
  TRef<ICefBase> AppRenderProcessHandler;
};

// The binding's module state for the hooks, created on first use.
TRuntimeStartupHooks& RuntimeStartupHooks();
void ClearRuntimeStartupHooks();

// The application object the loader hands to the runtime: answers from the start-up hooks.
class TInternalApp : public TCefAppOwn {
 public:
  void on_before_command_line_processing(const ustring& processType,
                                         const TRef<ICefCommandLine>& commandLine) override;
  void on_register_custom_schemes(const TRef<ICefSchemeRegistrar>& registrar) override;
  void get_resource_bundle_handler(TRef<ICefBase>& handler) override;
  void get_browser_process_handler(TRef<ICefBase>& handler) override;
  void get_render_process_handler(TRef<ICefBase>& handler) override;
};
