#include "Main.h"

TMainForm* MainForm = nullptr;

TMainForm::~TMainForm() {
  if (MainForm == this) MainForm = nullptr;
}

TFormDescription TMainForm::Description() const {
  return TFormDescriptionOf<TMainForm>()
      .Properties([](TMainForm& form) {
        form.SetName("MainForm");
        form.SetCaption("Corvane Online Invoicing for Small Business");
        form.SetClientSize(680, 640);
        form.SetColor(clWhite);
        form.SetFont({"Tahoma", -11});
        form.SetBorderStyle(bsSizeable);
        form.SetPosition(poDefaultPosOnly);
      })
      .Component("aAppEvents", &TMainForm::aAppEvents,
                 [](TMainForm& form, TApplicationEvents& events) {
                   events.OnException = MethodEvent(&form, &TMainForm::aAppEventsException);
                 });
}

void TMainForm::aAppEventsException(TObject*, const std::exception&) {}
