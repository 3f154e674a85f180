#pragma once

#include <string>
#include <vector>

#include "SysUtils.h"

class TForm;

class EPrinter : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EPrinter"; }
};

// A plain-text print job: one printed line per text line, in a fixed-pitch font, with page
// breaks where a page is full. A line wider than the page wraps rather than being cut off.
class TTextPrintJob {
 public:
  TTextPrintJob(std::string title, std::vector<std::string> lines)
      : FTitle(std::move(title)), FLines(std::move(lines)) {}

  // Asks for the printer in the print dialog over owner's window (owner may be null), then
  // prints. Answers false when the user cancelled; raises EPrinter when printing failed.
  bool Print(TForm* owner);
  // Writes the pages to a PDF file, asking nothing; raises EPrinter when that failed.
  void ExportToPdf(const std::string& fileName);

 private:
  struct TRun;

  std::string FTitle;
  std::vector<std::string> FLines;
};
