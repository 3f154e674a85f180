#include "JvLogClasses.h"

#include "StandardErrors.h"

namespace {

constexpr std::string_view kLineBreak = "\r\n";

std::string DoubleMarks(std::string_view title) {
  std::string result;
  result.reserve(title.size());
  for (const char c : title) {
    result += c;
    if (c == '>') result += '>';
  }
  return result;
}

std::string UndoubleMarks(std::string_view title) {
  std::string result;
  result.reserve(title.size());
  for (size_t i = 0; i < title.size(); ++i) {
    result += title[i];
    if (title[i] == '>' && i + 1 < title.size() && title[i + 1] == '>') ++i;
  }
  return result;
}

TJvLogEventSeverity SeverityFromName(std::string_view name) {
  if (name == SeverityName(lesError)) return lesError;
  if (name == SeverityName(lesWarning)) return lesWarning;
  return lesInformation;
}

// Position of the first ">" that is not part of a ">>" pair, or npos.
size_t FindSingleMark(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '>') continue;
    if (i + 1 < text.size() && text[i + 1] == '>') {
      ++i;
      continue;
    }
    return i;
  }
  return std::string_view::npos;
}

}  // namespace

const char* SeverityName(TJvLogEventSeverity severity) {
  switch (severity) {
    case lesError:
      return "Error";
    case lesWarning:
      return "Warning";
    case lesInformation:
      return "Information";
  }
  return "Information";
}

std::string GetOutputString(const TJvLogRecord& record) {
  std::string line;
  line.reserve(record.Time.size() + record.Title.size() + record.Description.size() + 20);
  line += '[';
  line += record.Time;
  line += ']';
  line += SeverityName(record.Severity);
  line += '>';
  line += DoubleMarks(record.Title);
  line += '>';
  line += record.Description;
  line += kLineBreak;
  return line;
}

std::optional<TJvLogRecord> ParseLogLine(std::string_view line) {
  const size_t open = line.find('[');
  if (open == std::string_view::npos) return std::nullopt;
  std::string_view rest = line.substr(open + 1);
  const size_t close = rest.find(']');
  if (close == std::string_view::npos) return std::nullopt;

  TJvLogRecord record;
  record.Time = rest.substr(0, close);
  std::string_view text = rest.substr(close + 1);

  const size_t severityEnd = text.find('>');
  const bool hasSeverity = severityEnd != std::string_view::npos;
  record.Severity = SeverityFromName(hasSeverity ? text.substr(0, severityEnd) : "");
  if (hasSeverity) text.remove_prefix(severityEnd + 1);

  const size_t titleEnd = FindSingleMark(text);
  if (titleEnd != std::string_view::npos) {
    record.Description = text.substr(titleEnd + 1);
    text = text.substr(0, titleEnd);
  }
  record.Title = UndoubleMarks(text);
  return record;
}

const TJvLogRecord& TJvLogRecordList::GetItem(int index) const {
  CheckIndex(index);
  return FItems[static_cast<size_t>(index)];
}

void TJvLogRecordList::SetItem(int index, TJvLogRecord record) {
  CheckIndex(index);
  FItems[static_cast<size_t>(index)] = std::move(record);
}

void TJvLogRecordList::Add(TJvLogRecord record) {
  FItems.push_back(std::move(record));
}

void TJvLogRecordList::Delete(int index) {
  CheckIndex(index);
  FItems.erase(FItems.begin() + index);
}

void TJvLogRecordList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw MakeListIndexError(index);
}
