#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "Classes.h"
#include "FileUtils.h"
#include "JvLogClasses.h"

// A list of log records that, with AutoSave on, keeps FileName holding exactly the lines of the
// list after every change, and that drops the oldest records when the lines grow past
// SizeLimit UTF-16 code units.
class TJvLogFile : public TComponent {
 public:
  explicit TJvLogFile(TComponent* AOwner) : TComponent(AOwner) {}

  // The records added without a time get the current local time; those added without a
  // severity get DefaultSeverity. Nothing is added while inactive or when the severity is less
  // severe than Severity. Saving errors propagate; the record stays in the list.
  void Add(std::string_view time, std::string_view title, TJvLogEventSeverity severity,
           std::string_view description);
  void Add(std::string_view title, TJvLogEventSeverity severity, std::string_view description);
  void Add(std::string_view time, std::string_view title, std::string_view description);
  void Add(std::string_view title, std::string_view description);
  void Delete(int index);
  void Clear();
  // Between BeginUpdate and the matching EndUpdate, additions are not saved one by one: EndUpdate
  // saves once, and the file then holds exactly what saving after each addition would have left
  // in it (trimming the oldest records after the last addition drops the same ones). An error
  // while saving is raised by EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  int Count() const { return FList.Count(); }
  const TJvLogRecord& GetElement(int index) const { return FList.GetItem(index); }

  // An empty file name saves nothing.
  void SaveToFile(const std::string& fileName);
  void SaveToStream(std::ostream& stream) const;
  // Replace the list by the records read; neither trims nor saves.
  void LoadFromFile(const std::string& fileName);
  void LoadFromStream(std::istream& stream);

  const std::string& FileName() const { return FFileName; }
  // Loads the file when it exists; the name is kept even when loading fails.
  void SetFileName(const std::string& fileName);
  bool Active() const { return FActive; }
  void SetActive(bool active) { FActive = active; }
  bool AutoSave() const { return FAutoSave; }
  // Stays off while FileName is empty.
  void SetAutoSave(bool autoSave) { FAutoSave = autoSave && !FFileName.empty(); }
  uint32_t SizeLimit() const { return FSizeLimit; }
  // 0 keeps every record; a new limit applies from the next addition.
  void SetSizeLimit(uint32_t sizeLimit) { FSizeLimit = sizeLimit; }
  TJvLogEventSeverity Severity() const { return FSeverity; }
  void SetSeverity(TJvLogEventSeverity severity) { FSeverity = severity; }
  TJvLogEventSeverity DefaultSeverity() const { return FDefaultSeverity; }
  void SetDefaultSeverity(TJvLogEventSeverity severity) { FDefaultSeverity = severity; }

  // Shows the records in the log viewer, modally, with title as its caption and the icon of
  // that name from the desktop's icon theme (none when empty). OnShow runs once the viewer is
  // filled, OnClose once it has closed.
  void ShowLog(const std::string& title);
  void ShowLog(const std::string& title, const std::string& iconName);

  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

 protected:
  // Saves once more when AutoSave is on; a failure to do so is dropped.
  ~TJvLogFile() override;

 private:
  void AppendRecord(TJvLogRecord record);
  bool ApplySizeLimit();
  void LoadFromBytes(std::string_view bytes);
  // The file's text: every record's line, in order.
  std::string_view OutputLines() const;
  void RebuildText();
  bool TryAppendLinesFrom(int index);
  void SaveAfterChange();

  TJvLogRecordList FList;
  std::string FFileName;
  bool FActive = true;
  bool FAutoSave = false;
  uint32_t FSizeLimit = 0;
  TJvLogEventSeverity FSeverity = lesInformation;
  TJvLogEventSeverity FDefaultSeverity = lesError;
  // UTF-16 code units of all output lines, so checking the limit need not walk the list.
  uint64_t FLinesLength = 0;
  // The lines of the records, after FTextStart bytes of lines already trimmed.
  std::string FText;
  size_t FTextStart = 0;
  // Set while FileName is known to hold exactly the lines of the list, as the file looked then;
  // an addition may then append its line instead of rewriting the whole file.
  std::optional<TFileStamp> FSavedStamp;
  int FUpdateCount = 0;
  // During an update: the first record not yet in the file, and whether one was trimmed.
  int FUnsavedFrom = 0;
  bool FTrimmedInUpdate = false;
};
