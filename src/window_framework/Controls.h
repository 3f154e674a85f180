#pragma once

#include <vector>

#include "Classes.h"
#include "Graphics.h"

typedef struct _GtkWidget GtkWidget;

// Top-aligned controls stack from the top edge, bottom-aligned ones from the bottom edge (the
// first one lowest); a client-aligned one takes what they leave. Hidden ones take no room.
enum TAlign { alNone, alTop, alClient, alBottom };

// A control with a GTK widget of its own. Child controls, and foreign widgets such as an
// embedded view, live in its client area (see ClientArea.h), placed at their bounds.
class TWinControl : public TComponent {
 public:
  explicit TWinControl(TComponent* AOwner);

  // Visible, Left, Top, Width and Height.
  const TPublishedClass* ClassInfo() const override;

  TWinControl* Parent() const { return FParent; }
  void SetParent(TWinControl* parent);
  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TWinControl* Controls(int index) const { return FControls.at(static_cast<size_t>(index)); }

  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign align);
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
  TRect ClientRect() const { return {0, 0, FWidth, FHeight}; }
  int ClientWidth() const { return FWidth; }
  int ClientHeight() const { return FHeight; }

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool visible);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);

  // The control's widget, created (with its parent's) on first use.
  GtkWidget* Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  // The container that holds the children's widgets.
  GtkWidget* ClientWidget();

  void SetFocus();
  bool Focused() const;
  // Visible itself and inside visible parents; the top-level window may still be hidden.
  bool CanFocus() const;

 protected:
  ~TWinControl() override;

  // The window-creation step: makes the widgets, places them in the parent, then creates the
  // child controls' widgets.
  virtual void CreateWnd();
  // The widget that carries the client area; the client area itself for a plain control.
  virtual GtkWidget* CreateWindowAround(GtkWidget* clientArea) { return clientArea; }
  // Moves the widget to the bounds; a top-level window overrides this.
  virtual void ApplyBounds();
  // The resize step: runs after the control's size changed.
  virtual void Resize() {}
  // The window was moved from outside (by the window manager): takes the position as it is.
  void WindowMoved(int left, int top) {
    FLeft = left;
    FTop = top;
  }

 private:
  void InsertControl(TWinControl* control);
  void RemoveControl(TWinControl* control);
  void AttachChildWidget(TWinControl& child);
  void PlaceChild(TWinControl& child);
  void AlignControls();
  bool AlignedToEdge() const { return FAlign == alTop || FAlign == alBottom; }
  void ClientResized(int width, int height);
  void DestroyHandle();

  GtkWidget* FHandle = nullptr;
  GtkWidget* FClientArea = nullptr;
  TWinControl* FParent = nullptr;
  std::vector<TWinControl*> FControls;
  TAlign FAlign = alNone;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  TColor FColor = clDefault;
};
