#include "ExceptionLog.h"

#include <cxxabi.h>
#include <cinttypes>
#include <cstdlib>
#include <exception>
#include <memory>
#include <utility>

#include "JclDebug.h"
#include "JclDebugInfo.h"
#include "JvLogFile.h"
#include "StderrReport.h"
#include "SysUtils.h"

namespace {

TJvLogFile* ExceptionLogFile = nullptr;
bool WriteFailureReported = false;

std::string PointerText(const void* pointer) {
  return Format("%0*" PRIXPTR, int(2 * sizeof(void*)), reinterpret_cast<uintptr_t>(pointer));
}

std::string TypeName(const std::type_info* type) {
  if (!type) return "unknown";
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> name(
      abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), &std::free);
  return status == 0 && name ? name.get() : type->name();
}

// "Exception EClass: message", with the message of anything derived from std::exception.
std::string ExceptionTitle(const TExceptObject* ExceptObj, bool OSException) {
  std::string title = "Exception ";
  if (const auto* error = ExceptObj->As<std::exception>()) {
    title += ExceptionClassName(*error);
    title += std::string(": ") + error->what();
  } else {
    title += TypeName(ExceptObj->Type);
  }
  if (OSException) title += " (OS Exception)";
  return title;
}

std::string LocationLine(const TJclLocationInfo& info) {
  return Format("      Module \"%s\", Procedure \"%s\", Unit \"%s\", Line %d",
                info.UnitName.c_str(), info.ProcedureName.c_str(), info.SourceName.c_str(),
                info.LineNumber);
}

void AddEntry(TJvLogFile& log, const std::string& title) {
  log.Add(title, "");
}

// Three entries per frame, up to and including the first frame that handles the exception.
void WriteFrameDump(TJvLogFile& log, const TExceptObject* ExceptObj) {
  AddEntry(log, "  Except frame-dump:");
  const TJclExceptFrameList* frames = ExceptFramesOf(ExceptObj);
  if (!frames) return;
  void* codeAddress = nullptr;
  for (size_t i = 0; i < frames->Count(); ++i) {
    const TJclExceptFrame& frame = *frames->Items(i);
    const bool handled = frame.HandlerInfo(ExceptObj, codeAddress);
    if (frame.FrameKind() == efkFinally || frame.FrameKind() == efkUnknown || !handled)
      codeAddress = frame.CodeLocation();
    TJclLocationInfo info;
    GetLocationInfo(codeAddress, info);
    AddEntry(log, Format("    Frame at $%s (type: %s%s", PointerText(frame.FrameLocation()).c_str(),
                         ExceptFrameKindName(frame.FrameKind()),
                         handled ? ", handles exception)" : ")"));
    AddEntry(log, Format(handled ? "      Handler at $%s" : "      Code at $%s",
                         PointerText(codeAddress).c_str()));
    AddEntry(log, LocationLine(info));
    if (handled) return;
  }
}

void WriteEntries(TJvLogFile& log, const TExceptObject* ExceptObj, void* ExceptAddr,
                  bool OSException) {
  AddEntry(log, "");
  AddEntry(log, ExceptionTitle(ExceptObj, OSException));
  TJclLocationInfo info;
  GetLocationInfo(ExceptAddr, info);
  AddEntry(log, Format("  Exception occured at $%s (Module \"%s\", Procedure \"%s\", Unit \"%s\", "
                       "Line %d)",
                       PointerText(info.Address).c_str(), info.UnitName.c_str(),
                       info.ProcedureName.c_str(), info.SourceName.c_str(), info.LineNumber));
  if (TrackingOptions & toExceptFrames) WriteFrameDump(log, ExceptObj);
  AddEntry(log, "");
}

void ReportWriteFailureOnce() noexcept {
  if (std::exchange(WriteFailureReported, true)) return;
  try {
    throw;
  } catch (const std::exception& e) {
    ReportOnStderr("exceptions cannot be logged: %s", e.what());
  } catch (...) {
    ReportOnStderr("exceptions cannot be logged");
  }
}

}  // namespace

void SetExceptionLogFile(TJvLogFile* logFile) {
  ExceptionLogFile = logFile;
}

void ExceptionLogNotifier(const TExceptObject* ExceptObj, void* ExceptAddr, bool OSException) {
  if (!ExceptionLogFile) return;
  TJvLogFile& log = *ExceptionLogFile;
  try {
    // One save for all entries of the exception: at the size limit each save rewrites the file.
    log.BeginUpdate();
    try {
      WriteEntries(log, ExceptObj, ExceptAddr, OSException);
    } catch (...) {
      log.EndUpdate();
      throw;
    }
    log.EndUpdate();
  } catch (...) {
    // Replacing the exception being raised by a file error would change which handler
    // catches it; the log simply misses these entries.
    ReportWriteFailureOnce();
  }
}
