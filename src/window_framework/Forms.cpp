#include "Forms.h"

#include <gtk/gtk.h>

#include "Application.h"
#include "Monitors.h"

namespace {

constexpr const char* kFontProviderKey = "corvane-font-provider";

gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer data) {
  auto* form = static_cast<TForm*>(data);
  CallGuarded(form, [form] { form->Close(); });
  return TRUE;  // the form decides what closing means; GTK must not destroy the window
}

constexpr unsigned OutOfNormalStates = GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED |
                                       GDK_WINDOW_STATE_FULLSCREEN | GDK_WINDOW_STATE_TILED;

}  // namespace

void TFormDescription::ApplyTo(TForm& form) const {
  for (const auto& step : FSteps) step(form);
}

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
  TWinControl::SetVisible(false);
}

void TForm::LoadDescription() {
  BeginLoading();
  Description().ApplyTo(*this);
  RunLoadedSteps();
  FCreated = true;
  RunHandler(OnCreate);
}

void TForm::RunLoadedSteps() {
  if (Loading()) Loaded();
  // By index: a loaded step may create further components, which were not loaded.
  for (int i = 0; i < ComponentCount(); ++i)
    if (Components(i)->Loading()) Components(i)->Loaded();
}

void TForm::RunHandler(const TNotifyEvent& handler) {
  if (handler) CallGuarded(this, [&] { handler(this); });
}

void TForm::BeforeDestruction() {
  if (FCreated) RunHandler(OnDestroy);
  if (Application) Application->FormDestroying(this);
}

void TForm::SetCaption(std::string caption) {
  FCaption = std::move(caption);
  if (HandleAllocated()) gtk_window_set_title(GTK_WINDOW(Handle()), FCaption.c_str());
}

void TForm::BringToFront(const std::string& startupId) {
  if (!HandleAllocated()) return;
  GtkWindow* window = GTK_WINDOW(Handle());
  if (!startupId.empty()) gtk_window_set_startup_id(window, startupId.c_str());
  gtk_window_present(window);
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  FBorderStyle = style;
  ApplyBounds();
}

void TForm::SetFont(TFont font) {
  FFont = std::move(font);
  if (HandleAllocated()) ApplyFont(Handle());
}

GtkWidget* TForm::CreateWindowAround(GtkWidget* clientArea) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), FCaption.c_str());
  if (!FIconName.empty()) gtk_window_set_icon_name(GTK_WINDOW(window), FIconName.c_str());
  gtk_container_add(GTK_CONTAINER(window), clientArea);
  gtk_widget_set_can_focus(clientArea, FALSE);  // the window itself is no tab stop
  gtk_widget_show(clientArea);
  ApplyGeometry(GTK_WINDOW(window), clientArea);
  ApplyWindowState(GTK_WINDOW(window));
  ApplyFont(window);
  ConnectWindowSignals(window);
  return window;
}

struct TForm::TWindowSignals {
  static gboolean OnConfigureEvent(GtkWidget* widget, GdkEvent*, gpointer data) {
    auto* form = static_cast<TForm*>(data);
    CallGuarded(form, [&] { form->WindowConfigured(GTK_WINDOW(widget)); });
    return FALSE;
  }

  static gboolean OnWindowStateEvent(GtkWidget*, GdkEventWindowState* event, gpointer data) {
    auto* form = static_cast<TForm*>(data);
    CallGuarded(form, [&] { form->WindowStateChanged(event->new_window_state); });
    return FALSE;
  }
};

void TForm::ConnectWindowSignals(GtkWidget* window) {
  g_signal_connect(window, "delete-event", G_CALLBACK(OnDeleteEvent), this);
  g_signal_connect(window, "configure-event", G_CALLBACK(TWindowSignals::OnConfigureEvent), this);
  g_signal_connect(window, "window-state-event", G_CALLBACK(TWindowSignals::OnWindowStateEvent),
                   this);
}

void TForm::ApplyBounds() {
  if (FWindowState == wsNormal) FNormalBounds = BoundsRect();
  if (HandleAllocated()) ApplyGeometry(GTK_WINDOW(Handle()), ClientWidget());
}

void TForm::SetNormalBounds(const TRect& bounds) {
  FNormalBounds = bounds;
  if (FWindowState == wsNormal) SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
}

void TForm::WindowConfigured(GtkWindow* window) {
  GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
  if (!gdkWindow || (gdk_window_get_state(gdkWindow) & OutOfNormalStates)) return;
  int width, height;
  gtk_window_get_size(window, &width, &height);
  // Where the position is not reported, the one the window had stays.
  TPoint topLeft{FNormalBounds.Left, FNormalBounds.Top};
  if (WindowPositionsKnown()) {
    gtk_window_get_position(window, &topLeft.X, &topLeft.Y);
    WindowMoved(topLeft.X, topLeft.Y);
  }
  FNormalBounds = {topLeft.X, topLeft.Y, topLeft.X + width, topLeft.Y + height};
}

void TForm::WindowStateChanged(unsigned newGdkState) {
  // A hidden window has no state of its own; the requested one stands.
  if (newGdkState & GDK_WINDOW_STATE_WITHDRAWN) return;
  if (newGdkState & GDK_WINDOW_STATE_ICONIFIED)
    FWindowState = wsMinimized;
  else if (newGdkState & GDK_WINDOW_STATE_MAXIMIZED)
    FWindowState = wsMaximized;
  else
    FWindowState = wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
  FWindowState = state;
  if (HandleAllocated()) ApplyWindowState(GTK_WINDOW(Handle()));
}

void TForm::ApplyWindowState(GtkWindow* window) {
  // Before the window is mapped GTK keeps these as the state to map it in.
  if (FWindowState == wsMinimized) {
    gtk_window_iconify(window);
    return;
  }
  gtk_window_deiconify(window);
  if (FWindowState == wsMaximized)
    gtk_window_maximize(window);
  else
    gtk_window_unmaximize(window);
}

void TForm::ApplyGeometry(GtkWindow* window, GtkWidget* clientArea) {
  const bool sizeable = FBorderStyle == bsSizeable;
  gtk_window_set_resizable(window, sizeable);
  // A window that cannot be resized takes the size its content asks for.
  gtk_widget_set_size_request(clientArea, sizeable ? -1 : Width(), sizeable ? -1 : Height());
  const bool designedSize =
      FPosition == poDesigned || FPosition == poDefaultPosOnly || FPosition == poScreenCenter;
  const bool designedPosition = FPosition == poDesigned || FPosition == poDefaultSizeOnly;
  if (designedSize && Width() > 0 && Height() > 0) {
    gtk_window_set_default_size(window, Width(), Height());
    gtk_window_resize(window, Width(), Height());
  }
  if (designedPosition) gtk_window_move(window, Left(), Top());
  if (FPosition == poScreenCenter) gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  if (FMinWidth > 0 || FMinHeight > 0) {
    GdkGeometry hints{};
    hints.min_width = FMinWidth;
    hints.min_height = FMinHeight;
    gtk_window_set_geometry_hints(window, nullptr, &hints, GDK_HINT_MIN_SIZE);
  }
}

void TForm::SetMinimumSize(int width, int height) {
  FMinWidth = width;
  FMinHeight = height;
  ApplyBounds();
}

void TForm::SetIconName(std::string iconName) {
  FIconName = std::move(iconName);
  if (HandleAllocated()) gtk_window_set_icon_name(GTK_WINDOW(Handle()), FIconName.c_str());
}

void TForm::ApplyFont(GtkWidget* window) {
  GtkStyleContext* context = gtk_widget_get_style_context(window);
  if (auto* old =
          static_cast<GtkStyleProvider*>(g_object_get_data(G_OBJECT(window), kFontProviderKey)))
    gtk_style_context_remove_provider(context, old);
  GtkCssProvider* provider = gtk_css_provider_new();
  // Font properties are inherited, so the window's rule reaches every widget inside it.
  const std::string css = "* { " + FontToCss(FFont) + "}";
  gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
  gtk_style_context_add_provider(context, GTK_STYLE_PROVIDER(provider),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_set_data_full(G_OBJECT(window), kFontProviderKey, provider, g_object_unref);
}

TWinControl* TForm::ActiveControl() {
  if (!HandleAllocated()) return nullptr;
  // From the focus widget outwards, so the innermost control wins.
  for (GtkWidget* widget = gtk_window_get_focus(GTK_WINDOW(Handle())); widget;
       widget = gtk_widget_get_parent(widget)) {
    for (int i = 0; i < ComponentCount(); ++i) {
      auto* control = dynamic_cast<TWinControl*>(Components(i));
      if (control && control->HandleAllocated() && control->Handle() == widget) return control;
    }
  }
  return nullptr;
}

void TForm::SetVisible(bool visible) {
  if (visible && !Visible()) {
    HandleNeeded();
    ApplyTaskbarOwnership();
    RunHandler(OnShow);
  }
  TWinControl::SetVisible(visible);
}

void TForm::ApplyTaskbarOwnership() {
  TForm* mainForm = Application ? Application->MainForm() : nullptr;
  if (!mainForm || mainForm == this || !Application->MainFormOnTaskBar()) return;
  GtkWindow* window = GTK_WINDOW(Handle());
  gtk_window_set_transient_for(window, GTK_WINDOW(mainForm->Handle()));
  gtk_window_set_skip_taskbar_hint(window, TRUE);
}

void TForm::Close() {
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this)
    Application->Terminate();
  else if (action == caMinimize)
    gtk_window_iconify(GTK_WINDOW(Handle()));
  else
    Hide();
}

bool TForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

namespace {

gboolean QuitLoopOnHide(GtkWidget*, gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return FALSE;
}

}  // namespace

void TForm::ShowModal() {
  GtkWindow* window = GTK_WINDOW(Handle());
  TForm* mainForm = Application ? Application->MainForm() : nullptr;
  if (mainForm && mainForm != this && mainForm->HandleAllocated())
    gtk_window_set_transient_for(window, GTK_WINDOW(mainForm->Handle()));
  gtk_window_set_modal(window, TRUE);
  Show();
  if (Visible()) {  // the show handler may already have closed it
    g_autoptr(GMainLoop) loop = g_main_loop_new(nullptr, FALSE);
    const gulong handler = g_signal_connect(window, "hide", G_CALLBACK(QuitLoopOnHide), loop);
    g_main_loop_run(loop);
    g_signal_handler_disconnect(window, handler);
  }
  gtk_window_set_modal(window, FALSE);
}
