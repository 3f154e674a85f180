#include "JvLogFile.h"
#include "JvLogForm.h"

void TJvLogFile::ShowLog(const std::string& title) {
  ShowLog(title, "");
}

void TJvLogFile::ShowLog(const std::string& title, const std::string& iconName) {
  TOwnedComponent<TFoLog> form(new TFoLog(nullptr));
  form->LoadDescription();
  form->SetCaption(title);
  form->SetIconName(iconName);
  form->SetLogRecordList(&FList);
  form->FillList();
  if (OnShow) OnShow(this);
  form->ShowModal();
  if (OnClose) OnClose(this);
}
