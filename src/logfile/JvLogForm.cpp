#include "JvLogForm.h"

#include <algorithm>
#include <cmath>

#include "FileUtils.h"
#include "FontMetrics.h"
#include "Printers.h"

namespace {

// The designed window and column sizes are laid out for the form's 8-point font, whose letters
// average 6 pixels.
constexpr double kDesignedAverageCharWidth = 6;
constexpr int kDesignedClientWidth = 527;
constexpr int kDesignedClientHeight = 348;
constexpr int kMinimumWidth = 300;
constexpr int kMinimumHeight = 300;
// Digits share one width in interface fonts, so this is as wide as any time of the log.
constexpr const char* kSampleTime = "2026-12-09 09:01:05";

// Image indexes of ImageList1.
enum : int { kImageSave, kImagePrint, kImageInformation, kImageWarning, kImageError };

void AddImages(TImageList& images) {
  for (const char* name :
       {"document-save", "document-print", "dialog-information", "dialog-warning", "dialog-error"})
    images.Add(name);
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace

TFormDescription TFoLog::Description() const {
  return TFormDescriptionOf<TFoLog>()
      .Properties([](TFoLog& form) {
        form.SetName("FoLog");
        form.SetClientSize(kDesignedClientWidth, kDesignedClientHeight);
        form.SetMinimumSize(kMinimumWidth, kMinimumHeight);
        form.SetPosition(poScreenCenter);
        form.SetFont({"MS Sans Serif", -11});
        form.SetColor(clDefault);  // the theme's button face
        form.OnCreate = MethodEvent(&form, &TFoLog::FormCreate);
      })
      .Component("ToolBar1", &TFoLog::ToolBar1,
                 [](TFoLog&, TToolBar& bar) {
                   bar.SetAlign(alTop);
                   bar.SetBounds(0, 0, 527, 26);
                   bar.SetAutoSize(true);
                   bar.SetButtonWidth(24);
                   bar.SetEdgeBottom(true);
                   bar.SetShowHint(true);
                 })
      .Component("ToolButton1", &TFoLog::ToolButton1)
      .Component("ToolButton2", &TFoLog::ToolButton2)
      .Component("ImageList1", &TFoLog::ImageList1,
                 [](TFoLog& form, TImageList& images) {
                   AddImages(images);
                   form.ToolBar1->SetImages(&images);
                 })
      .Component("ActionList1", &TFoLog::ActionList1,
                 [](TFoLog& form, TActionList& actions) { actions.SetImages(form.ImageList1); })
      .Component("Save", &TFoLog::Save,
                 [](TFoLog& form, TAction& action) {
                   action.SetActionList(form.ActionList1);
                   action.SetCaption("Save");
                   action.SetHint("Save");
                   action.SetImageIndex(kImageSave);
                   action.SetShortCut({'s', true});
                   action.OnExecute = MethodEvent(&form, &TFoLog::SaveExecute);
                 })
      .Component("Print", &TFoLog::Print,
                 [](TFoLog& form, TAction& action) {
                   action.SetActionList(form.ActionList1);
                   action.SetCaption("&Print");
                   action.SetHint("Print");
                   action.SetImageIndex(kImagePrint);
                   action.SetShortCut({'p', true});
                   action.OnExecute = MethodEvent(&form, &TFoLog::PrintExecute);
                 })
      // The two buttons take their looks from the actions, which exist only now.
      .Properties([](TFoLog& form) {
        form.ToolButton2->SetAction(form.Save);
        form.ToolButton2->SetLeft(0);
        form.ToolButton2->SetToolBar(form.ToolBar1);
        form.ToolButton1->SetAction(form.Print);
        form.ToolButton1->SetLeft(24);
        form.ToolButton1->SetToolBar(form.ToolBar1);
      })
      .Component("ListView1", &TFoLog::ListView1,
                 [](TFoLog&, TListView& list) {
                   list.SetAlign(alClient);
                   list.AddColumn("Time", 115);
                   list.AddColumn("Severity");
                   list.AddColumn("Title", 120);
                   list.AddColumn("Description", 150);
                   list.SetLastColumnFills(true);
                   list.SetGridLines(true);
                   list.SetHotTrack(true);
                 })
      .Component("SaveDialog1", &TFoLog::SaveDialog1,
                 [](TFoLog&, TSaveDialog& dialog) {
                   dialog.SetDefaultExt("csv");
                   dialog.SetFilter("CSV File (*.csv)|*.csv|Binary File (*.dat)|*.dat");
                 })
      .Component("ToolButton3", &TFoLog::ToolButton3,
                 [](TFoLog& form, TToolButton& button) {
                   button.SetStyle(tbsSeparator);
                   button.SetWidth(8);
                   button.SetLeft(48);
                   button.SetToolBar(form.ToolBar1);
                 })
      .Component("ToolButton4", &TFoLog::ToolButton4,
                 [](TFoLog& form, TToolButton& button) {
                   button.SetStyle(tbsDropDown);
                   button.SetImageIndex(kImageInformation);
                   button.SetLeft(56);
                   button.SetToolBar(form.ToolBar1);
                 })
      .Component("PopupMenu1", &TFoLog::PopupMenu1,
                 [](TFoLog& form, TPopupMenu& menu) {
                   menu.SetImages(form.ImageList1);
                   form.ToolButton4->SetDropdownMenu(&menu);
                 })
      .Component("mnuInformation", &TFoLog::mnuInformation,
                 [](TFoLog& form, TMenuItem& item) {
                   item.SetCaption("Information");
                   item.SetImageIndex(kImageInformation);
                   item.SetRadioItem(true);
                   item.SetAutoCheck(true);
                   item.OnClick = MethodEvent(&form, &TFoLog::mnuInformationClick);
                   form.PopupMenu1->Add(&item);
                 })
      .Component("mnuWarning", &TFoLog::mnuWarning,
                 [](TFoLog& form, TMenuItem& item) {
                   item.SetCaption("Warning");
                   item.SetImageIndex(kImageWarning);
                   item.SetRadioItem(true);
                   item.SetAutoCheck(true);
                   item.OnClick = MethodEvent(&form, &TFoLog::mnuWarningClick);
                   form.PopupMenu1->Add(&item);
                 })
      .Component("mnuError", &TFoLog::mnuError, [](TFoLog& form, TMenuItem& item) {
        item.SetCaption("Error");
        item.SetImageIndex(kImageError);
        item.SetRadioItem(true);
        item.SetAutoCheck(true);
        item.OnClick = MethodEvent(&form, &TFoLog::mnuErrorClick);
        form.PopupMenu1->Add(&item);
      });
}

void TFoLog::CreateWnd() {
  TForm::CreateWnd();
  FitToFont();
}

void TFoLog::FitToFont() {
  const double scale = AverageCharWidth(*ListView1) / kDesignedAverageCharWidth;
  const auto scaled = [scale](int size) { return static_cast<int>(std::lround(size * scale)); };
  SetClientSize(std::max(scaled(kDesignedClientWidth), kMinimumWidth),
                std::max(scaled(kDesignedClientHeight), kMinimumHeight));
  // What each column shows whole besides its heading.
  const std::vector<std::string> wholeTexts[] = {
      {kSampleTime},
      {SeverityName(lesError), SeverityName(lesWarning), SeverityName(lesInformation)},
      {},
      {}};
  for (int i = 0; i < static_cast<int>(std::size(wholeTexts)); ++i)
    ListView1->SetColumnWidth(
        i, std::max(scaled(ListView1->Column(i).Width),
                    ListView1->ColumnWidthToFit(i, wholeTexts[static_cast<size_t>(i)])));
}

void TFoLog::FormCreate(TObject*) {
  FSeverity = lesInformation;
  mnuInformation->SetChecked(true);
}

void TFoLog::FillList() {
  ListView1->Clear();
  if (!FLogRecordList) return;
  ListView1->BeginUpdate();
  for (int i = 0; i < FLogRecordList->Count(); ++i) {
    const TJvLogRecord& record = FLogRecordList->GetItem(i);
    if (record.Severity > FSeverity) continue;
    ListView1->AddItem(
        {record.Time, SeverityName(record.Severity), record.Title, record.Description});
  }
  ListView1->EndUpdate();
}

void TFoLog::SetFilter(TJvLogEventSeverity severity, const char* caption, int imageIndex) {
  FSeverity = severity;
  ToolButton4->SetCaption(caption);
  ToolButton4->SetImageIndex(imageIndex);
  FillList();
}

void TFoLog::mnuInformationClick(TObject*) {
  SetFilter(lesInformation, "I", kImageInformation);
}

void TFoLog::mnuWarningClick(TObject*) {
  SetFilter(lesWarning, "W", kImageWarning);
}

void TFoLog::mnuErrorClick(TObject*) {
  SetFilter(lesError, "E", kImageError);
}

std::vector<std::string> TFoLog::ExportLines() const {
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(ListView1->ItemCount()));
  for (int i = 0; i < ListView1->ItemCount(); ++i) {
    const TListView::TRow& row = ListView1->Item(i);
    lines.push_back("[" + row[0] + "] " + row[1] + " > " + row[2] + " > " + row[3]);
  }
  return lines;
}

void TFoLog::SaveExecute(TObject*) {
  if (SaveDialog1->Execute())
    ReplaceFileContents(SaveDialog1->FileName(), JoinLines(ExportLines()));
}

void TFoLog::PrintExecute(TObject*) {
  TTextPrintJob(Caption(), ExportLines()).Print(this);
}
