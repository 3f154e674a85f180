#include "RtWebContext.h"

#include <dlfcn.h>
#include <glib/gstdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "RtGuard.h"
#include "RtSchemeHandler.h"

namespace {

std::string Child(const std::string& folder, const char* name) {
  return (std::filesystem::path(folder) / name).string();
}

std::string ProgramFileName() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error && !program.filename().empty()) return program.filename().string();
  const char* name = g_get_prgname();
  return name && *name ? name : "corvane";
}

std::string UserDataFolder(const std::string& cachePath) {
  if (!cachePath.empty()) return cachePath;
  return Child(g_get_user_cache_dir(), ProgramFileName().c_str());
}

WebKitWebsiteDataManager* NewDataManager(const std::string& root) {
  if (g_mkdir_with_parents(root.c_str(), 0700) != 0) {
    g_printerr("Web data folder %s cannot be created (%s): nothing is kept after exit\n",
               root.c_str(), g_strerror(errno));
    return webkit_website_data_manager_new_ephemeral();
  }
  const std::string data = Child(root, "data");
  const std::string cache = Child(root, "cache");
  return webkit_website_data_manager_new("base-data-directory", data.c_str(),
                                         "base-cache-directory", cache.c_str(), nullptr);
}

// The sandbox binds folders below the user's base folders into the web process; one that is
// not a folder (XDG_CONFIG_HOME naming a file, say) makes that fail and the web process die
// before it draws anything.
const char* UnbindableUserFolder() {
  for (const char* folder : {g_get_home_dir(), g_get_user_config_dir(), g_get_user_cache_dir(),
                             g_get_user_data_dir(), g_get_user_runtime_dir()}) {
    GStatBuf info;
    if (!folder) continue;
    if (g_stat(folder, &info) == 0 ? !S_ISDIR(info.st_mode) : errno == ENOTDIR) return folder;
  }
  return nullptr;
}

// Web content runs confined when it can; the extension's folder must be let in or it silently
// does not load.
void ConfineWebContent(WebKitWebContext* context, const std::string& extensionFolder) {
  if (const char* folder = UnbindableUserFolder()) {
    g_printerr("%s is not a folder: web content runs without the sandbox\n", folder);
    return;
  }
  webkit_web_context_set_sandbox_enabled(context, TRUE);
  webkit_web_context_add_path_to_sandbox(context, extensionFolder.c_str(), TRUE);
}

// Without a GPU device WebKit's GL compositing only costs time; draw in software instead.
bool HasRenderNode() {
  return g_file_test("/dev/dri", G_FILE_TEST_IS_DIR);
}

// The desktop's languages as dictionary names ("de_AT", "de"); without one (the C locale) the
// program speaks English.
std::vector<std::string> DesktopLanguages() {
  std::vector<std::string> languages;
  for (const gchar* const* name = g_get_language_names(); *name; ++name) {
    const std::string language = *name;
    if (language == "C" || language == "POSIX" || language.find_first_of(".@") != std::string::npos)
      continue;
    if (std::find(languages.begin(), languages.end(), language) == languages.end())
      languages.push_back(language);
  }
  if (languages.empty()) languages.push_back("en_US");
  return languages;
}

// WebKit keeps the languages it has a dictionary for; with none left nothing is checked.
void CheckSpellingInDesktopLanguages(WebKitWebContext* context) {
  const std::vector<std::string> languages = DesktopLanguages();
  std::vector<const gchar*> names;
  for (const std::string& language : languages) names.push_back(language.c_str());
  names.push_back(nullptr);
  webkit_web_context_set_spell_checking_languages(context, names.data());
  const gchar* const* usable = webkit_web_context_get_spell_checking_languages(context);
  webkit_web_context_set_spell_checking_enabled(context, usable && *usable);
}

}  // namespace

WebKitWebsiteDataManager* TWebContext::NewUserDataManager(const std::string& cachePath) {
  return NewDataManager(UserDataFolder(cachePath));
}

TWebContext::TWebContext(WebKitWebsiteDataManager* data) {
  FContext = webkit_web_context_new_with_website_data_manager(data);
  ConfineWebContent(FContext, ExtensionFolder());
  CheckSpellingInDesktopLanguages(FContext);
  g_signal_connect(FContext, "initialize-web-extensions", G_CALLBACK(OnInitializeExtensions),
                   nullptr);
  FCookies = std::make_shared<TCookieStore>(webkit_web_context_get_cookie_manager(FContext));
  ServeRegisteredSchemes(FContext);
}

TWebContext::~TWebContext() {
  FCookies.reset();
  g_object_unref(FContext);
}

WebKitWebView* TWebContext::NewView() const {
  auto* view = WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(FContext));
  if (!HasRenderNode())
    webkit_settings_set_hardware_acceleration_policy(webkit_web_view_get_settings(view),
                                                     WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  return view;
}

std::string TWebContext::ExtensionFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&TWebContext::ExtensionFolder), &info) || !info.dli_fname)
    return CORVANE_EXTENSION_DIR_NAME;
  return (std::filesystem::path(info.dli_fname).parent_path() / CORVANE_EXTENSION_DIR_NAME)
      .string();
}

void TWebContext::OnInitializeExtensions(WebKitWebContext* context, gpointer) {
  Guarded("initialize-web-extensions", [&] {
    webkit_web_context_set_web_extensions_directory(context, ExtensionFolder().c_str());
  });
}
