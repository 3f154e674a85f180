// Writes the debug information of a built ELF module in the format the location lookup reads,
// from the module's DWARF data.

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FileUtils.h"
#include "JdbgDwarf.h"

extern char** environ;

namespace {

constexpr const char* UsageText =
    "Usage: jdbg [--jdbg] [--objcopy=PROGRAM] MODULE\n"
    "Reads the DWARF data of the ELF module MODULE and adds its units, functions, lines and\n"
    "source files to it as the section \"JCLDEBUG\" (replacing an older one), or, with --jdbg,\n"
    "writes them to the file named like MODULE with the extension \".jdbg\".\n"
    "\n"
    "Addresses are stored as code offsets: a virtual address of the module minus the virtual\n"
    "address of its lowest loadable segment (0 for shared objects and position-independent\n"
    "executables) minus 0x1000. At run time that is the address minus the module base (where\n"
    "the lowest segment is mapped) minus 0x1000.\n";

struct TOptions {
  std::string Module;
  std::string ObjCopy = "objcopy";
  bool CompanionFile = false;
};

bool ParseOptions(int argc, char** argv, TOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--jdbg")
      options.CompanionFile = true;
    else if (argument.rfind("--objcopy=", 0) == 0)
      options.ObjCopy = argument.substr(std::strlen("--objcopy="));
    else if (!argument.starts_with("-") && options.Module.empty())
      options.Module = argument;
    else
      return false;
  }
  return !options.Module.empty();
}

std::string CompanionFileName(const std::string& module) {
  return module.substr(0, module.size() - ExtractFileExt(module).size()) + ".jdbg";
}

void RunProgram(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child;
  if (const int error = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ))
    throw EJdbgError("Cannot run " + arguments[0] + ": " + SystemErrorText(error));
  int status = 0;
  if (waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw EJdbgError(arguments[0] + " failed on " + arguments.back());
}

void EmbedSection(const TOptions& options, std::string_view data) {
  const std::string sectionFile = options.Module + ".jcldebug";
  ReplaceFileContents(sectionFile, data);
  try {
    RunProgram({options.ObjCopy, "--remove-section=JCLDEBUG", "--add-section",
                "JCLDEBUG=" + sectionFile, "--set-section-flags", "JCLDEBUG=contents,readonly",
                options.Module});
  } catch (...) {
    std::remove(sectionFile.c_str());
    throw;
  }
  std::remove(sectionFile.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  if (!ParseOptions(argc, argv, options)) {
    std::fputs(UsageText, stderr);
    return 2;
  }
  try {
    TJclBinDebugWriter writer;
    ReadDwarfInto(options.Module, writer);
    const std::vector<uint8_t> data = writer.Build(true);
    const std::string_view bytes(reinterpret_cast<const char*>(data.data()), data.size());
    if (options.CompanionFile)
      ReplaceFileContents(CompanionFileName(options.Module), bytes);
    else
      EmbedSection(options, bytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "jdbg: %s\n", e.what());
    return 1;
  }
  return 0;
}
