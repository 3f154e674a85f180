#include "PublishedProps.h"

#include <algorithm>
#include <array>

namespace {

// A fixed table: the registry needs no construction or destruction at program start and end.
constexpr size_t MaxRegisteredClasses = 64;
constinit std::array<const TPublishedClass*, MaxRegisteredClasses> RegisteredClasses{};
constinit size_t RegisteredCount = 0;

void AppendProps(const TPublishedClass& classInfo, std::vector<const TPropInfo*>& list) {
  if (classInfo.Parent) AppendProps(*classInfo.Parent, list);
  for (const TPropInfo& info : classInfo.Properties) list.push_back(&info);
}

}  // namespace

std::vector<const TPropInfo*> GetPropList(const TPublishedClass& classInfo) {
  std::vector<const TPropInfo*> list;
  AppendProps(classInfo, list);
  return list;
}

const TPropInfo* GetPropInfo(const TObject& instance, std::string_view name) {
  const TPublishedClass* classInfo = instance.ClassInfo();
  if (!classInfo) return nullptr;
  for (const TPropInfo* info : GetPropList(*classInfo))
    if (SameAsciiText(info->Name, name)) return info;
  return nullptr;
}

void RegisterClass(const TPublishedClass& classInfo) {
  if (FindClass(classInfo.Name)) return;
  if (RegisteredCount == MaxRegisteredClasses)
    throw Exception("Too many registered classes to add " + std::string(classInfo.Name));
  RegisteredClasses[RegisteredCount++] = &classInfo;
}

void UnRegisterClass(const TPublishedClass& classInfo) {
  const auto end = RegisteredClasses.begin() + static_cast<ptrdiff_t>(RegisteredCount);
  const auto found = std::find(RegisteredClasses.begin(), end, &classInfo);
  if (found == end) return;
  std::copy(found + 1, end, found);
  RegisteredClasses[--RegisteredCount] = nullptr;
}

const TPublishedClass* FindClass(std::string_view name) {
  for (size_t i = 0; i < RegisteredCount; ++i)
    if (SameAsciiText(RegisteredClasses[i]->Name, name)) return RegisteredClasses[i];
  return nullptr;
}
