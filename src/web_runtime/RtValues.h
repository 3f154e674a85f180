#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "cef_capi.h"

// The tree behind binary, list and dictionary objects. A child handed out by a container is a
// live view of the container's entry; whatever is set into a container is copied in, so no tree
// ever holds itself and no two containers share a child.
struct TRtDictionaryData;
struct TRtListData;
using TRtBytes = std::vector<uint8_t>;
// The alternatives in TCefValueType order, from VTYPE_NULL on.
using TRtValue = std::variant<std::monostate, bool, int32_t, double, std::u16string,
                              std::shared_ptr<const TRtBytes>, std::shared_ptr<TRtDictionaryData>,
                              std::shared_ptr<TRtListData>>;

struct TRtDictionaryData {
  std::map<std::u16string, TRtValue> Items;
};

struct TRtListData {
  std::vector<TRtValue> Items;
};

std::shared_ptr<TRtListData> CopyOfList(const TRtListData& list);
// A list object over data, with one reference for the receiver; owned when another object (a
// process message) holds the data.
TCefListValue* NewListValue(std::shared_ptr<TRtListData> data, bool owned);
// A user-free copy of text, exact to the code unit; the receiver frees it.
TCefStringUserFreeUtf16 UserFreeCopy(const std::u16string& text);
