#include "Controls.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "Application.h"
#include "ClientArea.h"

TWinControl::TWinControl(TComponent* AOwner) : TComponent(AOwner) {}

TWinControl::~TWinControl() {
  // Children that other components own outlive this control; they only lose their parent.
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
  if (FParent) FParent->RemoveControl(this);
  DestroyHandle();
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (FParent) FParent->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

void TWinControl::InsertControl(TWinControl* control) {
  FControls.push_back(control);
  control->FParent = this;
  AlignControls();
  if (FHandle)
    AttachChildWidget(*control);
  else if (control->FHandle)
    HandleNeeded();
}

void TWinControl::RemoveControl(TWinControl* control) {
  FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  control->FParent = nullptr;
  if (FClientArea && control->FHandle)
    gtk_container_remove(GTK_CONTAINER(FClientArea), control->FHandle);
}

void TWinControl::AttachChildWidget(TWinControl& child) {
  if (child.FHandle)
    PlaceChild(child);
  else
    child.HandleNeeded();  // places itself
}

void TWinControl::PlaceChild(TWinControl& child) {
  if (FClientArea && child.FHandle) ClientAreaPlace(FClientArea, child.FHandle, child.BoundsRect());
}

void TWinControl::SetAlign(TAlign align) {
  FAlign = align;
  if (FParent) FParent->AlignControls();
}

void TWinControl::AlignControls() {
  int top = 0, bottom = FHeight;
  for (TWinControl* control : FControls) {
    if (!control->FVisible) continue;
    if (control->FAlign == alTop) {
      control->SetBounds(0, top, FWidth, control->FHeight);
      top += control->FHeight;
    } else if (control->FAlign == alBottom) {
      bottom -= control->FHeight;
      control->SetBounds(0, bottom, FWidth, control->FHeight);
    }
  }
  for (TWinControl* control : FControls)
    if (control->FAlign == alClient) control->SetBounds(0, top, FWidth, std::max(bottom - top, 0));
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  const bool resized = width != FWidth || height != FHeight;
  if (!resized && left == FLeft && top == FTop) return;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  ApplyBounds();
  if (resized) {
    Resize();
    AlignControls();
    // An edge-aligned control that changes its own height moves the controls beside it.
    if (AlignedToEdge() && FParent) FParent->AlignControls();
  }
}

void TWinControl::ApplyBounds() {
  if (FParent) FParent->PlaceChild(*this);
}

void TWinControl::ClientResized(int width, int height) {
  if (width != FWidth || height != FHeight) {
    FWidth = width;
    FHeight = height;
    Resize();
  }
  AlignControls();
}

void TWinControl::SetVisible(bool visible) {
  FVisible = visible;
  if (FHandle) gtk_widget_set_visible(FHandle, visible);
  if (AlignedToEdge() && FParent) FParent->AlignControls();
}

void TWinControl::SetColor(TColor color) {
  FColor = color;
  if (FClientArea) ClientAreaSetColor(FClientArea, color);
}

GtkWidget* TWinControl::Handle() {
  HandleNeeded();
  return FHandle;
}

GtkWidget* TWinControl::ClientWidget() {
  HandleNeeded();
  return FClientArea;
}

void TWinControl::HandleNeeded() {
  if (FHandle) return;
  if (FParent) {
    // Creating the parent's widget creates its children's, this one's among them.
    FParent->HandleNeeded();
    if (FHandle) return;
  }
  CreateWnd();
}

void TWinControl::CreateWnd() {
  FClientArea = ClientAreaNew();
  gtk_widget_set_can_focus(FClientArea, TRUE);
  ClientAreaSetColor(FClientArea, FColor);
  ClientAreaSetLayoutHandler(FClientArea, [this](int width, int height) {
    CallGuarded(this, [&] { ClientResized(width, height); });
  });
  // Held by us, so the widget lives exactly as long as the control whatever GTK destroys first.
  FHandle = GTK_WIDGET(g_object_ref_sink(CreateWindowAround(FClientArea)));
  gtk_widget_set_visible(FHandle, FVisible);
  if (FParent) FParent->PlaceChild(*this);
  for (TWinControl* control : std::vector<TWinControl*>(FControls)) AttachChildWidget(*control);
}

void TWinControl::DestroyHandle() {
  if (!FHandle) return;
  ClientAreaSetLayoutHandler(FClientArea, {});
  g_signal_handlers_disconnect_matched(FHandle, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
  gtk_widget_destroy(FHandle);
  g_object_unref(FHandle);
  FHandle = FClientArea = nullptr;
}

void TWinControl::SetFocus() {
  gtk_widget_grab_focus(Handle());
}

bool TWinControl::Focused() const {
  return FHandle && gtk_widget_is_focus(FHandle);
}

bool TWinControl::CanFocus() const {
  for (const TWinControl* control = this; control->FParent; control = control->FParent)
    if (!control->FVisible) return false;
  return true;
}
