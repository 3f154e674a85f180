// Well-known folders and files of the running process.

#include <dlfcn.h>
#include <glib.h>

#include <string>

#include "RtGuard.h"
#include "RtStrings.h"
#include "RtText.h"

namespace {

std::string ProgramFile() {
  return TakeText(g_file_read_link("/proc/self/exe", nullptr));
}

// This library's own file, found through the address of one of its functions.
std::string ModuleFile() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&ModuleFile), &info) || !info.dli_fname) return {};
  return TakeText(g_canonicalize_filename(info.dli_fname, nullptr));
}

std::string FolderOf(const std::string& file) {
  return file.empty() ? file : TakeText(g_path_get_dirname(file.c_str()));
}

std::string PathOf(TCefPathKey key) {
  switch (key) {
    case PK_DIR_CURRENT:
      return TakeText(g_get_current_dir());
    case PK_DIR_EXE:
      return FolderOf(ProgramFile());
    case PK_DIR_MODULE:
      return FolderOf(ModuleFile());
    case PK_DIR_TEMP:
      return TextOrEmpty(g_get_tmp_dir());
    case PK_FILE_EXE:
      return ProgramFile();
    case PK_FILE_MODULE:
      return ModuleFile();
  }
  return {};
}

}  // namespace

extern "C" {

// False, with the output untouched, for an unknown key or a path that cannot be found.
TCefBool cef_get_path(TCefPathKey key, TCefStringUtf16* path) {
  return Guarded(
      "cef_get_path",
      [&]() -> TCefBool {
        const std::string found = PathOf(key);
        if (!path || found.empty()) return 0;
        AssignOwned(*path, found);
        return 1;
      },
      TCefBool(0));
}

}  // extern "C"
