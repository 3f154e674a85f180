#include "JclDebug_names.h"

#include <cxxabi.h>

#include <cctype>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::string_view OperatorKeyword = "operator";

bool IsOpening(char c) {
  return c == '(' || c == '<' || c == '[' || c == '{';
}
bool IsClosing(char c) {
  return c == ')' || c == '>' || c == ']' || c == '}';
}

// Length of an operator's symbol at pos ("operator<<", "operator()"), so that its brackets are
// not taken for nesting; 0 when no operator name starts at pos.
size_t OperatorLength(const std::string& name, size_t pos) {
  if (name.compare(pos, OperatorKeyword.size(), OperatorKeyword) != 0) return 0;
  if (pos > 0 && (std::isalnum(uint8_t(name[pos - 1])) || name[pos - 1] == '_')) return 0;
  size_t end = pos + OperatorKeyword.size();
  if (name.compare(end, 2, "()") == 0 || name.compare(end, 2, "[]") == 0) return end + 2 - pos;
  while (end < name.size() &&
         std::string_view("<>=!+-*/%&|^~,").find(name[end]) != std::string_view::npos)
    ++end;
  return end - pos;
}

// Calls visit(pos) for every character that lies outside all brackets; operator symbols are
// passed over whole.
template <class Visit>
void ForEachTopLevel(const std::string& name, Visit&& visit) {
  int depth = 0;
  for (size_t pos = 0; pos < name.size(); ++pos) {
    if (const size_t length = OperatorLength(name, pos); length > OperatorKeyword.size()) {
      pos += length - 1;
      continue;
    }
    if (IsOpening(name[pos])) {
      if (depth == 0 && name[pos] == '(') visit(pos);
      ++depth;
    } else if (IsClosing(name[pos])) {
      --depth;
    } else if (depth == 0) {
      visit(pos);
    }
  }
}

std::string WithoutParameters(const std::string& name) {
  // The parameter list is the last top-level "(", after any lambda or local-scope parts.
  size_t parameters = std::string::npos;
  ForEachTopLevel(name, [&](size_t pos) {
    if (name[pos] == '(') parameters = pos;
  });
  return parameters == std::string::npos || parameters == 0 ? name : name.substr(0, parameters);
}

std::string WithoutReturnType(const std::string& name) {
  size_t lastSpace = std::string::npos;
  ForEachTopLevel(name, [&](size_t pos) {
    // "operator new" and "operator bool" are names, not a type and a name.
    const bool afterOperator =
        pos >= OperatorKeyword.size() &&
        name.compare(pos - OperatorKeyword.size(), OperatorKeyword.size(), OperatorKeyword) == 0;
    if (name[pos] == ' ' && !afterOperator) lastSpace = pos;
  });
  return lastSpace == std::string::npos ? name : name.substr(lastSpace + 1);
}

}  // namespace

std::string Demangle(const std::string& linkageName) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> demangled(
      abi::__cxa_demangle(linkageName.c_str(), nullptr, nullptr, &status), &std::free);
  return status == 0 && demangled ? std::string(demangled.get()) : linkageName;
}

std::string BareFunctionName(const std::string& name) {
  return WithoutReturnType(WithoutParameters(name));
}

TJclProcedureName SplitProcedureName(const std::string& name) {
  const std::string bare = BareFunctionName(name);
  size_t scopeEnd = std::string::npos;
  ForEachTopLevel(bare, [&](size_t pos) {
    if (bare.compare(pos, 2, "::") == 0) scopeEnd = pos;
  });
  if (scopeEnd == std::string::npos) return {bare, {}};
  return {bare.substr(0, scopeEnd), bare.substr(scopeEnd + 2)};
}
