#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

// Lower means more severe.
enum TJvLogEventSeverity : uint8_t { lesError, lesWarning, lesInformation };

// "Error", "Warning" or "Information".
const char* SeverityName(TJvLogEventSeverity severity);

struct TJvLogRecord {
  std::string Time;
  std::string Title;
  std::string Description;
  TJvLogEventSeverity Severity = lesError;
};

// The record's line in a log file, CR LF included:
// "[" Time "]" severity name ">" Title with ">" doubled ">" Description CR LF.
std::string GetOutputString(const TJvLogRecord& record);

// Reads one line (without its line break) back into a record; nullopt when the line has no
// "[" or no "]" after it.
std::optional<TJvLogRecord> ParseLogLine(std::string_view line);

// The records of a log, oldest first. Removing a record frees it.
class TJvLogRecordList {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  // An index outside 0 .. Count - 1 raises EListError.
  const TJvLogRecord& GetItem(int index) const;
  void SetItem(int index, TJvLogRecord record);
  void Add(TJvLogRecord record);
  void Delete(int index);
  void Clear() { FItems.clear(); }

 private:
  void CheckIndex(int index) const;

  // A deque keeps dropping the oldest record cheap when the log is trimmed.
  std::deque<TJvLogRecord> FItems;
};
