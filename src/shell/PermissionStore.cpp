#include "PermissionStore.h"

#include <exception>
#include <iterator>
#include <sstream>

#include "JvAppStorage.h"
#include "PersistentLists.h"
#include "corvane_runtime_ext.h"

namespace {

struct TKindName {
  int32_t Kind;
  const char* Name;
};

constexpr TKindName kKindNames[] = {
    {CORVANE_PERMISSION_NOTIFICATIONS, "notifications"},
    {CORVANE_PERMISSION_CAMERA, "camera"},
    {CORVANE_PERMISSION_MICROPHONE, "microphone"},
    {CORVANE_PERMISSION_CLIPBOARD_READ, "clipboard-read"},
    {CORVANE_PERMISSION_GEOLOCATION, "geolocation"},
};

constexpr char kAllow[] = "allow";
constexpr char kBlock[] = "block";

int32_t KindNamed(const std::string& name) {
  for (const TKindName& entry : kKindNames)
    if (name == entry.Name) return entry.Kind;
  return 0;
}

// Each kind in kinds, one bit at a time.
std::vector<int32_t> KindsIn(int32_t kinds) {
  std::vector<int32_t> found;
  for (const TKindName& entry : kKindNames)
    if (kinds & entry.Kind) found.push_back(entry.Kind);
  return found;
}

// An origin is scheme://host[:port]: no spaces, so an item splits at them.
bool IsOrigin(const std::string& text) {
  const size_t separator = text.find("://");
  return separator != std::string::npos && separator > 0 && separator + 3 < text.size() &&
         text.find('/', separator + 3) == std::string::npos;
}

}  // namespace

std::string PermissionKindName(int32_t kind) {
  for (const TKindName& entry : kKindNames)
    if (kind == entry.Kind) return entry.Name;
  return {};
}

TPermissionStore::TPermissionStore(TJvCustomAppStorage& storage, std::string path)
    : FStorage(storage), FPath(std::move(path)) {
  Read();
}

std::optional<bool> TPermissionStore::Answer(const std::string& origin, int32_t kinds) const {
  const std::vector<int32_t> asked = KindsIn(kinds);
  if (asked.empty()) return std::nullopt;
  bool allAllowed = true;
  for (int32_t kind : asked) {
    const auto kept = FAnswers.find({origin, kind});
    if (kept != FAnswers.end() && !kept->second) return false;
    allAllowed = allAllowed && kept != FAnswers.end();
  }
  if (allAllowed) return true;
  return std::nullopt;
}

void TPermissionStore::Keep(const std::string& origin, int32_t kinds, bool allow) {
  for (int32_t kind : KindsIn(kinds)) FAnswers[{origin, kind}] = allow;
  Write();
}

std::vector<std::pair<std::string, bool>> TPermissionStore::NotificationAnswers() const {
  std::vector<std::pair<std::string, bool>> answers;
  for (const auto& [key, allow] : FAnswers)
    if (key.second == CORVANE_PERMISSION_NOTIFICATIONS) answers.emplace_back(key.first, allow);
  return answers;
}

// An unreadable list (its count out of range) counts as no answers; the storage has reported
// why.
void TPermissionStore::Read() {
  TStringList items;
  try {
    FStorage.ReadStringList(FPath, items);
  } catch (const std::exception&) {
    return;
  }
  for (int32_t index = 0; index < items.Count(); ++index) {
    std::istringstream fields(items.Strings(index));
    std::string origin, kindName, answer, extra;
    if (!(fields >> origin >> kindName >> answer) || (fields >> extra)) continue;
    const int32_t kind = KindNamed(kindName);
    if (!kind || !IsOrigin(origin) || (answer != kAllow && answer != kBlock)) continue;
    FAnswers[{origin, kind}] = answer == kAllow;
  }
}

void TPermissionStore::Write() {
  TStringList items;
  for (const auto& [key, allow] : FAnswers)
    items.Add(key.first + ' ' + PermissionKindName(key.second) + ' ' + (allow ? kAllow : kBlock));
  FStorage.WriteStringList(FPath, items);
}
