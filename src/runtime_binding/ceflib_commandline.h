#pragma once

#include <utility>
#include <vector>

#include "ceflib_bridge.h"
#include "ustring.h"

// The runtime's view of a process command line.
class ICefCommandLine : public virtual ICefBase {
 public:
  virtual bool is_valid() = 0;
  virtual bool is_read_only() = 0;
  virtual TRef<ICefCommandLine> copy() = 0;
  virtual void init_from_argv(int32_t argc, const char* const* argv) = 0;
  virtual void init_from_string(const ustring& commandLine) = 0;
  virtual void reset() = 0;
  virtual ustring get_command_line_string() = 0;
  virtual ustring get_program() = 0;
  virtual void set_program(const ustring& program) = 0;
  virtual bool has_switches() = 0;
  virtual bool has_switch(const ustring& name) = 0;
  virtual ustring get_switch_value(const ustring& name) = 0;
  // Appends name/value pairs, in the runtime's order.
  virtual void get_switches(std::vector<std::pair<ustring, ustring>>& switches) = 0;
  virtual void append_switch(const ustring& name) = 0;
  virtual void append_switch_with_value(const ustring& name, const ustring& value) = 0;
  virtual bool has_arguments() = 0;
  virtual void get_arguments(std::vector<ustring>& arguments) = 0;
  virtual void append_argument(const ustring& argument) = 0;
  virtual void prepend_wrapper(const ustring& wrapper) = 0;
};

class TCefCommandLineRef
    : public TCefBaseRefOf<TCefCommandLineRef, ICefCommandLine, TCefCommandLine> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  static TRef<ICefCommandLine> New();
  static TRef<ICefCommandLine> Global();

  bool is_valid() override;
  bool is_read_only() override;
  TRef<ICefCommandLine> copy() override;
  void init_from_argv(int32_t argc, const char* const* argv) override;
  void init_from_string(const ustring& commandLine) override;
  void reset() override;
  ustring get_command_line_string() override;
  ustring get_program() override;
  void set_program(const ustring& program) override;
  bool has_switches() override;
  bool has_switch(const ustring& name) override;
  ustring get_switch_value(const ustring& name) override;
  void get_switches(std::vector<std::pair<ustring, ustring>>& switches) override;
  void append_switch(const ustring& name) override;
  void append_switch_with_value(const ustring& name, const ustring& value) override;
  bool has_arguments() override;
  void get_arguments(std::vector<ustring>& arguments) override;
  void append_argument(const ustring& argument) override;
  void prepend_wrapper(const ustring& wrapper) override;
};

// Lets the application register its own URL schemes while the runtime starts.
class ICefSchemeRegistrar : public virtual ICefBase {
 public:
  virtual bool add_custom_scheme(const ustring& schemeName, bool isStandard, bool isLocal,
                                 bool isDisplayIsolated) = 0;
};

class TCefSchemeRegistrarRef
    : public TCefBaseRefOf<TCefSchemeRegistrarRef, ICefSchemeRegistrar, TCefSchemeRegistrar> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  bool add_custom_scheme(const ustring& schemeName, bool isStandard, bool isLocal,
                         bool isDisplayIsolated) override;
};
