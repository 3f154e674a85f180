#pragma once

#include <string>

// C++ function names as the debug information shows them.

// A function's name as the procedure table holds it: the scope (classes and namespaces) as the
// first name, the function's own name as the second. Parameter lists and the return types the
// demangler prints for template instances are dropped.
struct TJclProcedureName {
  std::string First;
  std::string Second;
};

// The name without its parameter list, its qualifiers and the return type the demangler prints
// for template instances: "void ns::f<int>(int) const" gives "ns::f<int>".
std::string BareFunctionName(const std::string& name);

// Splits a demangled or plain name, for example "corvane::TMainForm::FormCreate(TObject*)" into
// "corvane::TMainForm" and "FormCreate". A name without a scope has it all in First.
TJclProcedureName SplitProcedureName(const std::string& name);

// The demangled form of a linkage name, or the name itself when it is not mangled.
std::string Demangle(const std::string& linkageName);
