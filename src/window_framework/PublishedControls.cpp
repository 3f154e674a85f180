// The properties of controls and forms that a form storage can keep.
#include "Forms.h"
#include "PublishedProps.h"

namespace {

void SetControlLeft(TWinControl& control, int value) {
  control.SetBounds(value, control.Top(), control.Width(), control.Height());
}
void SetControlTop(TWinControl& control, int value) {
  control.SetBounds(control.Left(), value, control.Width(), control.Height());
}
void SetControlWidth(TWinControl& control, int value) {
  control.SetBounds(control.Left(), control.Top(), value, control.Height());
}
void SetControlHeight(TWinControl& control, int value) {
  control.SetBounds(control.Left(), control.Top(), control.Width(), value);
}

using WinControl = TPublish<TWinControl>;
constexpr TPropInfo WinControlProps[] = {
    WinControl::Ordinal<&TWinControl::Visible, &TWinControl::SetVisible>("Visible", BooleanType)
        .WithDefault(1),
    WinControl::Integer<&TWinControl::Left, SetControlLeft>("Left"),
    WinControl::Integer<&TWinControl::Top, SetControlTop>("Top"),
    WinControl::Integer<&TWinControl::Width, SetControlWidth>("Width"),
    WinControl::Integer<&TWinControl::Height, SetControlHeight>("Height"),
};
constexpr TPublishedClass WinControlClass{"TWinControl", nullptr, WinControlProps};

using Form = TPublish<TForm>;
constexpr TPropInfo FormProps[] = {
    Form::String<&TForm::Caption, &TForm::SetCaption>("Caption"),
};
constexpr TPublishedClass FormClass{"TForm", &WinControlClass, FormProps};

}  // namespace

const TPublishedClass* TWinControl::ClassInfo() const {
  return &WinControlClass;
}

const TPublishedClass* TForm::ClassInfo() const {
  return &FormClass;
}
