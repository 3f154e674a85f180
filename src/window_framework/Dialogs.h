#pragma once

#include <string>

#include "Classes.h"

// Asks the user for the name of a file to save, in a modal file chooser over the owner form.
class TSaveDialog : public TComponent {
 public:
  using TComponent::TComponent;

  // Added, after a dot, to a chosen name that has no extension.
  void SetDefaultExt(std::string ext) { FDefaultExt = std::move(ext); }
  // Pairs of a description and a pattern, all separated by "|":
  // "CSV File (*.csv)|*.csv|Binary File (*.dat)|*.dat". Several patterns are separated by ";".
  void SetFilter(std::string filter) { FFilter = std::move(filter); }
  void SetTitle(std::string title) { FTitle = std::move(title); }
  // The chosen file; before Execute, the name the dialog starts with.
  const std::string& FileName() const { return FFileName; }
  void SetFileName(std::string fileName) { FFileName = std::move(fileName); }

  // Answers whether the user chose a file; replacing an existing one is confirmed first.
  bool Execute();

 private:
  std::string FDefaultExt;
  std::string FFilter;
  std::string FTitle = "Save As";
  std::string FFileName;
};
