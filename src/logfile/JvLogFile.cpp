#include "JvLogFile.h"

#include <istream>
#include <iterator>
#include <ostream>
#include <utility>

#include "DateUtils.h"
#include "StandardErrors.h"
#include "ustring.h"

namespace {

// Text as the file will hold it: bytes that are not UTF-8 become U+FFFD, so the size limit
// and the file agree on what each line is.
std::string ValidUtf8(std::string_view text) {
  return Utf16ToUtf8(Utf8ToUtf16(text));
}

uint64_t LineLength(const TJvLogRecord& record) {
  return Utf16Length(GetOutputString(record));
}

std::string CurrentTimeText() {
  return DateTimeToText(Now());
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(
        static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first));
  }
  return Utf16ToUtf8(units);
}

// A byte-order mark selects UTF-8 or UTF-16; without one the text is in the locale's
// character set, which is UTF-8.
std::string DecodeText(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return ValidUtf8(bytes.substr(3));
  if (bytes.starts_with("\xFF\xFE")) return DecodeUtf16(bytes.substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return DecodeUtf16(bytes.substr(2), true);
  return ValidUtf8(bytes);
}

// Calls onLine for every line of text; lines end at CR LF, CR or LF.
template <class OnLine>
void ForEachLine(std::string_view text, OnLine onLine) {
  while (!text.empty()) {
    const size_t end = text.find_first_of("\r\n");
    onLine(text.substr(0, end));
    if (end == std::string_view::npos) return;
    const bool crlf = text.compare(end, 2, "\r\n") == 0;
    text.remove_prefix(end + (crlf ? 2 : 1));
  }
}

// A file that already holds exactly these lines is left alone, so an exit that added nothing
// costs no rewrite and no flush to the disk.
void SaveUnlessHolding(const std::string& fileName, std::string_view lines) {
  if (FileExists(fileName) && ReadFileContents(fileName) == lines) return;
  ReplaceFileContents(fileName, lines);
}

}  // namespace

TJvLogFile::~TJvLogFile() {
  try {
    if (FAutoSave) SaveUnlessHolding(FFileName, OutputLines());
  } catch (...) {
    // A destructor cannot pass the error on; every change before was saved or reported.
  }
}

void TJvLogFile::Add(std::string_view time, std::string_view title, TJvLogEventSeverity severity,
                     std::string_view description) {
  if (!FActive || severity > FSeverity) return;
  AppendRecord({ValidUtf8(time), ValidUtf8(title), ValidUtf8(description), severity});
  const bool trimmed = ApplySizeLimit();
  if (FUpdateCount > 0) {
    FTrimmedInUpdate = FTrimmedInUpdate || trimmed;
    return;
  }
  if (trimmed || !TryAppendLinesFrom(Count() - 1)) SaveAfterChange();
}

void TJvLogFile::BeginUpdate() {
  if (FUpdateCount++ > 0) return;
  FUnsavedFrom = Count();
  FTrimmedInUpdate = false;
}

void TJvLogFile::EndUpdate() {
  if (FUpdateCount == 0 || --FUpdateCount > 0) return;
  if (FUnsavedFrom == Count() && !FTrimmedInUpdate) return;
  if (FTrimmedInUpdate || !TryAppendLinesFrom(FUnsavedFrom)) SaveAfterChange();
}

void TJvLogFile::Add(std::string_view title, TJvLogEventSeverity severity,
                     std::string_view description) {
  Add(CurrentTimeText(), title, severity, description);
}

void TJvLogFile::Add(std::string_view time, std::string_view title, std::string_view description) {
  Add(time, title, FDefaultSeverity, description);
}

void TJvLogFile::Add(std::string_view title, std::string_view description) {
  Add(CurrentTimeText(), title, description);
}

void TJvLogFile::Delete(int index) {
  const uint64_t length = LineLength(FList.GetItem(index));
  FList.Delete(index);
  FLinesLength -= length;
  RebuildText();
  SaveAfterChange();
}

void TJvLogFile::Clear() {
  FList.Clear();
  FLinesLength = 0;
  RebuildText();
  SaveAfterChange();
}

void TJvLogFile::SaveToFile(const std::string& fileName) {
  if (fileName.empty()) return;
  const TFileStamp stamp = ReplaceFileContents(fileName, OutputLines());
  if (fileName == FFileName) FSavedStamp = stamp;
}

void TJvLogFile::SaveToStream(std::ostream& stream) const {
  stream << OutputLines();
  if (!stream) throw EStreamError("Stream write error");
}

void TJvLogFile::LoadFromFile(const std::string& fileName) {
  LoadFromBytes(ReadFileContents(fileName));
}

void TJvLogFile::LoadFromStream(std::istream& stream) {
  const std::string bytes{std::istreambuf_iterator<char>(stream), {}};
  if (stream.bad()) throw EStreamError("Stream read error");
  LoadFromBytes(bytes);
}

void TJvLogFile::SetFileName(const std::string& fileName) {
  FFileName = fileName;
  FSavedStamp.reset();
  if (FileExists(fileName)) LoadFromFile(fileName);
}

void TJvLogFile::AppendRecord(TJvLogRecord record) {
  const std::string line = GetOutputString(record);
  FLinesLength += Utf16Length(line);
  FText += line;
  FList.Add(std::move(record));
}

// Drops the oldest records while the newer lines alone still reach the limit, so the record
// whose line crosses the limit stays: the lines may exceed it by up to one record. Answers
// whether anything was dropped.
bool TJvLogFile::ApplySizeLimit() {
  if (FSizeLimit == 0) return false;
  bool trimmed = false;
  while (FList.Count() > 1) {
    const std::string oldestLine = GetOutputString(FList.GetItem(0));
    const uint64_t oldest = Utf16Length(oldestLine);
    if (FLinesLength - oldest < FSizeLimit) break;
    FList.Delete(0);
    FLinesLength -= oldest;
    FTextStart += oldestLine.size();
    trimmed = true;
  }
  // The lines of trimmed records stay in front until they are half of the text, so trimming
  // costs no copy of the whole text each time.
  if (FTextStart > FText.size() / 2) {
    FText.erase(0, FTextStart);
    FTextStart = 0;
  }
  return trimmed;
}

void TJvLogFile::LoadFromBytes(std::string_view bytes) {
  const std::string text = DecodeText(bytes);
  FList.Clear();
  FLinesLength = 0;
  RebuildText();
  FSavedStamp.reset();
  SetAutoSave(FAutoSave);
  ForEachLine(text, [this](std::string_view line) {
    if (std::optional<TJvLogRecord> record = ParseLogLine(line)) AppendRecord(std::move(*record));
  });
}

std::string_view TJvLogFile::OutputLines() const {
  return std::string_view(FText).substr(FTextStart);
}

void TJvLogFile::RebuildText() {
  FText.clear();
  FTextStart = 0;
  for (int i = 0; i < FList.Count(); ++i) FText += GetOutputString(FList.GetItem(i));
}

// With the file known to hold every earlier line, the lines from index on are simply appended;
// the result is the same as rewriting the file whole.
bool TJvLogFile::TryAppendLinesFrom(int index) {
  if (!FAutoSave || !FSavedStamp) return false;
  std::string lines;
  for (int i = index; i < Count(); ++i) lines += GetOutputString(FList.GetItem(i));
  const TFileStamp expected = *std::exchange(FSavedStamp, std::nullopt);
  FSavedStamp = AppendIfUnchanged(FFileName, expected, lines);
  return FSavedStamp.has_value();
}

// Like the appended lines, a rewrite after a change is left to the system to put on the disk:
// at the size limit every addition rewrites the whole file, and waiting for the disk each time
// would make every logged exception cost milliseconds.
void TJvLogFile::SaveAfterChange() {
  FSavedStamp.reset();
  if (!FAutoSave || FFileName.empty()) return;
  FSavedStamp = ReplaceFileContents(FFileName, OutputLines(), ffBySystem);
  // The file now holds every record, also those added since an update began.
  FUnsavedFrom = Count();
  FTrimmedInUpdate = false;
}
