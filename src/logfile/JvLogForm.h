#pragma once

#include <string>
#include <vector>

#include "ActnList.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "Forms.h"
#include "ImgList.h"
#include "JvLogClasses.h"
#include "Menus.h"

// The log viewer: the records of a log in a table, filtered by severity, saved as text lines
// or printed. It shows the log's own list, so it is filled from the list it was given.
class TFoLog : public TForm {
 public:
  explicit TFoLog(TComponent* AOwner) : TForm(AOwner) {}

  TToolBar* ToolBar1 = nullptr;
  TToolButton* ToolButton1 = nullptr;
  TToolButton* ToolButton2 = nullptr;
  TImageList* ImageList1 = nullptr;
  TActionList* ActionList1 = nullptr;
  TAction* Save = nullptr;
  TAction* Print = nullptr;
  TListView* ListView1 = nullptr;
  TSaveDialog* SaveDialog1 = nullptr;
  TToolButton* ToolButton3 = nullptr;
  TToolButton* ToolButton4 = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  TMenuItem* mnuInformation = nullptr;
  TMenuItem* mnuWarning = nullptr;
  TMenuItem* mnuError = nullptr;

  // The list is the log's own; it must outlive the form.
  void SetLogRecordList(const TJvLogRecordList* list) { FLogRecordList = list; }
  TJvLogEventSeverity Severity() const { return FSeverity; }

  void FormCreate(TObject* Sender);
  // Lists the records at least as severe as the filter, in log order.
  void FillList();
  void mnuInformationClick(TObject* Sender);
  void mnuWarningClick(TObject* Sender);
  void mnuErrorClick(TObject* Sender);
  // Writes the export lines, CR LF after each, to the file chosen in the save dialog.
  void SaveExecute(TObject* Sender);
  // Prints the export lines, one printed line each.
  void PrintExecute(TObject* Sender);

  // "[time] severity > title > description" for each listed row, in table order.
  std::vector<std::string> ExportLines() const;

 protected:
  TFormDescription Description() const override;
  void CreateWnd() override;

 private:
  // The designed sizes are for another font: scaled to the table's font, the window keeps its
  // proportions and the columns show a time, a severity and every heading whole.
  void FitToFont();
  void SetFilter(TJvLogEventSeverity severity, const char* caption, int imageIndex);

  const TJvLogRecordList* FLogRecordList = nullptr;
  TJvLogEventSeverity FSeverity = lesInformation;
};
