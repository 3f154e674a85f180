#pragma once

#include <array>
#include <string_view>

#include "cef_capi.h"

// Entry points of the loaded runtime library, one per exported function. All null while no
// library is loaded; the loader fills every one or none.
struct TRuntimeEntryPoints {
#define CEFLIB_ENTRY_FIELD(result, name, params) T##name name;
  CEF_EXPORTED_FUNCTIONS(CEFLIB_ENTRY_FIELD)
#undef CEFLIB_ENTRY_FIELD
};

extern TRuntimeEntryPoints RuntimeApi;

// The exported names the loader resolves, in resolution order.
inline constexpr std::array<std::string_view, CEF_EXPORTED_FUNCTION_COUNT> RuntimeEntryPointNames{
#define CEFLIB_ENTRY_NAME(result, name, params) #name,
    CEF_EXPORTED_FUNCTIONS(CEFLIB_ENTRY_NAME)
#undef CEFLIB_ENTRY_NAME
};
