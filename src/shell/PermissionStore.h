#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TJvCustomAppStorage;

// "notifications", "camera", ... for one CORVANE_PERMISSION_* bit; empty for anything else.
std::string PermissionKindName(int32_t kind);

// The user's answers to pages' permission requests, per origin and kind. They are kept as a
// list in the storage at a path of their own, written only once the user answered something,
// so a configuration of someone who never did stays as it was.
class TPermissionStore {
 public:
  // Reads the list at path; items that make no sense (a hand edit, a broken disk) are skipped.
  TPermissionStore(TJvCustomAppStorage& storage, std::string path);

  // The kept answer for kinds (CORVANE_PERMISSION_* bits): block when any kind is blocked,
  // allow when all are allowed, none while a kind has no answer.
  std::optional<bool> Answer(const std::string& origin, int32_t kinds) const;
  // Keeps allow for every kind in kinds and writes the list.
  void Keep(const std::string& origin, int32_t kinds, bool allow);
  // The kept answers about notifications, origin and allow.
  std::vector<std::pair<std::string, bool>> NotificationAnswers() const;

 private:
  void Read();
  void Write();

  TJvCustomAppStorage& FStorage;
  const std::string FPath;
  std::map<std::pair<std::string, int32_t>, bool> FAnswers;
};
