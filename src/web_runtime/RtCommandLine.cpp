// Command lines: a program, switches (--name or --name=value) and arguments. The global one
// holds the process's own arguments, read once, and refuses changes.

#include <glib.h>

#include <map>
#include <string>
#include <vector>

#include "RtGuard.h"
#include "RtObject.h"
#include "RtStrings.h"
#include "RtText.h"
#include "RtValues.h"

namespace {

// Everything after this token is an argument, even when it starts with a dash.
constexpr std::u16string_view EndOfSwitches = u"--";

struct TCommandLineData {
  // The program, then the switches as written, then the arguments.
  std::vector<std::u16string> Argv{std::u16string()};
  size_t ArgumentsBegin = 1;
  std::map<std::u16string, std::u16string> Switches;

  void Reset() {
    Argv.resize(1);
    ArgumentsBegin = 1;
    Switches.clear();
  }

  void AppendSwitch(const std::u16string& name, const std::u16string& value) {
    std::u16string written = u"--" + name;
    if (!value.empty()) written += u"=" + value;
    Argv.insert(Argv.begin() + ptrdiff_t(ArgumentsBegin++), written);
    Switches[name] = value;
  }

  // Parses arguments after the program: dashes make a switch until a lone "--".
  void AppendParsed(const std::vector<std::u16string>& items) {
    bool switchesEnded = false;
    for (const auto& item : items) {
      if (!switchesEnded && item == EndOfSwitches) {
        switchesEnded = true;
      } else if (const size_t name = item.find_first_not_of(u'-');
                 !switchesEnded && name > 0 && name != std::u16string::npos) {
        const size_t equals = item.find(u'=', name);
        AppendSwitch(item.substr(name, equals - name),
                     equals == std::u16string::npos ? std::u16string() : item.substr(equals + 1));
      } else {
        Argv.push_back(item);
      }
    }
  }

  void InitFrom(std::vector<std::u16string> items) {
    *this = TCommandLineData();
    if (items.empty()) return;
    Argv[0] = items.front();
    AppendParsed({items.begin() + 1, items.end()});
  }

  std::vector<std::u16string> Arguments() const {
    return {Argv.begin() + ptrdiff_t(ArgumentsBegin), Argv.end()};
  }
};

// Splits shell-style text (quotes and escapes honoured); nothing for text that does not parse.
std::vector<std::u16string> SplitShellText(const std::string& utf8) {
  std::vector<std::u16string> items;
  int count = 0;
  char** argv = nullptr;
  if (!utf8.empty() && g_shell_parse_argv(utf8.c_str(), &count, &argv, nullptr)) {
    for (int i = 0; i < count; ++i) items.push_back(Utf8ToU16(argv[i]));
    g_strfreev(argv);
  }
  return items;
}

// Quotes an item that the shell would otherwise split or change.
std::string ShellWord(const std::u16string& item) {
  const std::string utf8 = Utf16ToUtf8(item.data(), item.size());
  if (!utf8.empty() && utf8.find_first_of(" \t\n'\"\\$`*?[]{}()<>|&;#~") == std::string::npos)
    return utf8;
  return TakeText(g_shell_quote(utf8.c_str()));
}

std::string CommandLineText(const TCommandLineData& data) {
  std::string text;
  bool endWritten = false;
  for (size_t i = 0; i < data.Argv.size(); ++i) {
    const std::u16string& item = data.Argv[i];
    if (i > 0) text += ' ';
    // An argument that looks like a switch reads back as an argument only after "--".
    if (i >= data.ArgumentsBegin && !endWritten && !item.empty() && item[0] == u'-') {
      text += "-- ";
      endWritten = true;
    }
    text += ShellWord(item);
  }
  return text;
}

// The process's own arguments, NUL-separated in /proc/self/cmdline.
std::vector<std::u16string> ProcessArguments() {
  std::vector<std::u16string> items;
  gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents("/proc/self/cmdline", &contents, &length, nullptr)) return items;
  const std::string all(contents, length);
  g_free(contents);
  for (size_t start = 0; start < all.size();) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    items.push_back(Utf8ToU16(all.substr(start, end - start)));
    start = end + 1;
  }
  return items;
}

class TRtCommandLine final : public TRtCounted {
 public:
  static TCefCommandLine* New(TCommandLineData data, bool readOnly) {
    return &(new TRtCommandLine(std::move(data), readOnly))->FFace.Struct;
  }

 private:
  TRtCommandLine(TCommandLineData data, bool readOnly)
      : FData(std::move(data)), FReadOnly(readOnly) {
    InitFace(FFace, this);
    TCefCommandLine& face = FFace.Struct;
    face.is_valid = is_valid;
    face.is_read_only = is_read_only;
    face.copy = copy;
    face.init_from_argv = init_from_argv;
    face.init_from_string = init_from_string;
    face.reset = reset;
    face.get_command_line_string = get_command_line_string;
    face.get_program = get_program;
    face.set_program = set_program;
    face.has_switches = has_switches;
    face.has_switch = has_switch;
    face.get_switch_value = get_switch_value;
    face.get_switches = get_switches;
    face.append_switch = append_switch;
    face.append_switch_with_value = append_switch_with_value;
    face.has_arguments = has_arguments;
    face.get_arguments = get_arguments;
    face.append_argument = append_argument;
    face.prepend_wrapper = prepend_wrapper;
  }
  static TRtCommandLine& Of(TCefCommandLine* self) { return OwnerOf<TRtCommandLine>(self); }
  static const TCommandLineData& Read(TCefCommandLine* self) { return Of(self).FData; }

  // Runs a change unless the command line is read-only.
  template <class TChange>
  static void Change(TCefCommandLine* self, const char* where, TChange change) {
    Guarded(where, [&] {
      if (!Of(self).FReadOnly) change(Of(self).FData);
    });
  }
  template <class TRead>
  static TCefStringUserFreeUtf16 Text(TCefCommandLine* self, const char* where, TRead read) {
    return Guarded(
        where, [&] { return UserFreeCopy(read(Read(self))); }, TCefStringUserFreeUtf16(nullptr));
  }

  static TCefBool CEF_CALLBACK is_valid(TCefCommandLine*) { return 1; }
  static TCefBool CEF_CALLBACK is_read_only(TCefCommandLine* self) { return Of(self).FReadOnly; }
  static TCefCommandLine* CEF_CALLBACK copy(TCefCommandLine* self) {
    return Guarded(
        "cef_command_line.copy", [&] { return New(Read(self), false); }, (TCefCommandLine*)nullptr);
  }
  static void CEF_CALLBACK init_from_argv(TCefCommandLine* self, int32_t argc,
                                          const char* const* argv) {
    Change(self, "cef_command_line.init_from_argv", [&](TCommandLineData& data) {
      std::vector<std::u16string> items;
      for (int32_t i = 0; argv && i < argc; ++i) items.push_back(Utf8ToU16(TextOrEmpty(argv[i])));
      data.InitFrom(std::move(items));
    });
  }
  static void CEF_CALLBACK init_from_string(TCefCommandLine* self, TCefConstString* text) {
    Change(self, "cef_command_line.init_from_string",
           [&](TCommandLineData& data) { data.InitFrom(SplitShellText(ToUtf8(text))); });
  }
  // Keeps the program.
  static void CEF_CALLBACK reset(TCefCommandLine* self) {
    Change(self, "cef_command_line.reset", [](TCommandLineData& data) { data.Reset(); });
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_command_line_string(TCefCommandLine* self) {
    return Text(self, "cef_command_line.get_command_line_string",
                [](const TCommandLineData& data) { return Utf8ToU16(CommandLineText(data)); });
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_program(TCefCommandLine* self) {
    return Text(self, "cef_command_line.get_program",
                [](const TCommandLineData& data) { return data.Argv.front(); });
  }
  static void CEF_CALLBACK set_program(TCefCommandLine* self, TCefConstString* program) {
    Change(self, "cef_command_line.set_program",
           [&](TCommandLineData& data) { data.Argv.front() = ToU16(program); });
  }
  static TCefBool CEF_CALLBACK has_switches(TCefCommandLine* self) {
    return !Read(self).Switches.empty();
  }
  static TCefBool CEF_CALLBACK has_switch(TCefCommandLine* self, TCefConstString* name) {
    return Guarded(
        "cef_command_line.has_switch",
        [&] { return TCefBool(Read(self).Switches.count(ToU16(name))); }, TCefBool(0));
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_switch_value(TCefCommandLine* self,
                                                               TCefConstString* name) {
    return Text(self, "cef_command_line.get_switch_value", [&](const TCommandLineData& data) {
      auto found = data.Switches.find(ToU16(name));
      return found == data.Switches.end() ? std::u16string() : found->second;
    });
  }
  static void CEF_CALLBACK get_switches(TCefCommandLine* self, TCefStringMap switches) {
    Guarded("cef_command_line.get_switches", [&] {
      for (const auto& [name, value] : Read(self).Switches) {
        TCefStringUtf16 key = Borrow(name), text = Borrow(value);
        cef_string_map_append(switches, &key, &text);
      }
    });
  }
  static void CEF_CALLBACK append_switch(TCefCommandLine* self, TCefConstString* name) {
    Change(self, "cef_command_line.append_switch",
           [&](TCommandLineData& data) { data.AppendSwitch(ToU16(name), {}); });
  }
  static void CEF_CALLBACK append_switch_with_value(TCefCommandLine* self, TCefConstString* name,
                                                    TCefConstString* value) {
    Change(self, "cef_command_line.append_switch_with_value",
           [&](TCommandLineData& data) { data.AppendSwitch(ToU16(name), ToU16(value)); });
  }
  static TCefBool CEF_CALLBACK has_arguments(TCefCommandLine* self) {
    return Read(self).Argv.size() > Read(self).ArgumentsBegin;
  }
  static void CEF_CALLBACK get_arguments(TCefCommandLine* self, TCefStringList arguments) {
    Guarded("cef_command_line.get_arguments", [&] {
      for (const auto& argument : Read(self).Arguments()) {
        TCefStringUtf16 text = Borrow(argument);
        cef_string_list_append(arguments, &text);
      }
    });
  }
  static void CEF_CALLBACK append_argument(TCefCommandLine* self, TCefConstString* argument) {
    Change(self, "cef_command_line.append_argument",
           [&](TCommandLineData& data) { data.Argv.push_back(ToU16(argument)); });
  }
  // The wrapper's words go before the program ("gdb --args"); they are no switches of ours.
  static void CEF_CALLBACK prepend_wrapper(TCefCommandLine* self, TCefConstString* wrapper) {
    Change(self, "cef_command_line.prepend_wrapper", [&](TCommandLineData& data) {
      const std::vector<std::u16string> words = SplitShellText(ToUtf8(wrapper));
      data.Argv.insert(data.Argv.begin(), words.begin(), words.end());
      data.ArgumentsBegin += words.size();
    });
  }

  TFace<TCefCommandLine> FFace;
  TCommandLineData FData;
  const bool FReadOnly;
};

}  // namespace

extern "C" {

TCefCommandLine* cef_command_line_create(void) {
  return Guarded(
      "cef_command_line_create", [] { return TRtCommandLine::New({}, false); },
      (TCefCommandLine*)nullptr);
}

// Made on first use and kept for the life of the process.
TCefCommandLine* cef_command_line_get_global(void) {
  return Guarded(
      "cef_command_line_get_global",
      [] {
        static TCefCommandLine* const global = [] {
          TCommandLineData data;
          data.InitFrom(ProcessArguments());
          return TRtCommandLine::New(std::move(data), true);
        }();
        global->base.add_ref(&global->base);
        return global;
      },
      (TCefCommandLine*)nullptr);
}

// Runs the command line its text gives, so that a client's own command line object serves too.
TCefBool cef_launch_process(TCefCommandLine* command_line) {
  const TClientRef<TCefCommandLine> line(command_line);
  return Guarded(
      "cef_launch_process",
      [&] {
        if (!line || !line->get_command_line_string) return false;
        const std::string words = TakeUserFree(line->get_command_line_string(line.get()));
        g_auto(GStrv) argv = nullptr;
        if (!g_shell_parse_argv(words.c_str(), nullptr, &argv, nullptr)) return false;
        g_autoptr(GError) error = nullptr;
        if (g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr,
                          &error))
          return true;
        g_warning("cef_launch_process: %s", error->message);
        return false;
      },
      false);
}

}  // extern "C"
