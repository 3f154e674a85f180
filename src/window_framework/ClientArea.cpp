#include "ClientArea.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

struct TPlacedChild {
  GtkWidget* Widget;
  std::optional<TRect> Rect;  // none: fills the area
};

// C++ state of one area; the GObject instance itself is plain C memory.
struct TClientAreaState {
  std::vector<TPlacedChild> Children;
  std::function<void(int, int)> OnLayout;
  TColor Color = clDefault;
  bool InLayout = false;
};

}  // namespace

G_DECLARE_FINAL_TYPE(CorvaneClientArea, corvane_client_area, CORVANE, CLIENT_AREA, GtkContainer)

struct _CorvaneClientArea {
  GtkContainer parent_instance;
  TClientAreaState* State;
};

G_DEFINE_TYPE(CorvaneClientArea, corvane_client_area, GTK_TYPE_CONTAINER)

namespace {

TClientAreaState& StateOf(GtkWidget* widget) {
  return *CORVANE_CLIENT_AREA(widget)->State;
}

std::vector<TPlacedChild>::iterator FindChild(TClientAreaState& state, GtkWidget* widget) {
  return std::find_if(state.Children.begin(), state.Children.end(),
                      [widget](const TPlacedChild& c) { return c.Widget == widget; });
}

GtkAllocation ChildAllocation(const TPlacedChild& child, const GtkAllocation& area) {
  if (!child.Rect) return {0, 0, area.width, area.height};
  const TRect& r = *child.Rect;
  return {r.Left, r.Top, std::max(r.Width(), 0), std::max(r.Height(), 0)};
}

void Realize(GtkWidget* widget) {
  GtkAllocation allocation;
  gtk_widget_get_allocation(widget, &allocation);
  gtk_widget_set_realized(widget, TRUE);
  GdkWindowAttr attributes{};
  attributes.window_type = GDK_WINDOW_CHILD;
  attributes.x = allocation.x;
  attributes.y = allocation.y;
  attributes.width = allocation.width;
  attributes.height = allocation.height;
  attributes.wclass = GDK_INPUT_OUTPUT;
  attributes.visual = gtk_widget_get_visual(widget);
  attributes.event_mask = gtk_widget_get_events(widget) | GDK_EXPOSURE_MASK | GDK_BUTTON_PRESS_MASK;
  GdkWindow* window = gdk_window_new(gtk_widget_get_parent_window(widget), &attributes,
                                     GDK_WA_X | GDK_WA_Y | GDK_WA_VISUAL);
  gtk_widget_set_window(widget, window);
  gtk_widget_register_window(widget, window);
}

void SizeAllocate(GtkWidget* widget, GtkAllocation* allocation) {
  gtk_widget_set_allocation(widget, allocation);
  if (gtk_widget_get_realized(widget)) {
    gdk_window_move_resize(gtk_widget_get_window(widget), allocation->x, allocation->y,
                           allocation->width, allocation->height);
  }
  TClientAreaState& state = StateOf(widget);
  if (state.OnLayout) {
    state.InLayout = true;
    state.OnLayout(allocation->width, allocation->height);
    state.InLayout = false;
  }
  for (const TPlacedChild& child : std::vector<TPlacedChild>(state.Children)) {
    if (!gtk_widget_get_visible(child.Widget)) continue;
    GtkAllocation childAllocation = ChildAllocation(child, *allocation);
    // GTK wants every child measured before it is allocated.
    gtk_widget_get_preferred_size(child.Widget, nullptr, nullptr);
    gtk_widget_size_allocate(child.Widget, &childAllocation);
  }
}

void GetNoSize(GtkWidget*, gint* minimum, gint* natural) {
  *minimum = *natural = 0;
}

gboolean Draw(GtkWidget* widget, cairo_t* cr) {
  const TColor color = StateOf(widget).Color;
  if (color != clDefault) {
    const TRGB rgb = ColorToRGB(color);
    cairo_set_source_rgb(cr, rgb.Red, rgb.Green, rgb.Blue);
    cairo_paint(cr);
  }
  return GTK_WIDGET_CLASS(corvane_client_area_parent_class)->draw(widget, cr);
}

void Add(GtkContainer* container, GtkWidget* child) {
  StateOf(GTK_WIDGET(container)).Children.push_back({child, std::nullopt});
  gtk_widget_set_parent(child, GTK_WIDGET(container));
}

void Remove(GtkContainer* container, GtkWidget* child) {
  TClientAreaState& state = StateOf(GTK_WIDGET(container));
  const auto found = FindChild(state, child);
  if (found == state.Children.end()) return;
  state.Children.erase(found);
  gtk_widget_unparent(child);
}

void Forall(GtkContainer* container, gboolean, GtkCallback callback, gpointer data) {
  // The callback may remove children (destruction does), so walk a copy.
  for (const TPlacedChild& child :
       std::vector<TPlacedChild>(StateOf(GTK_WIDGET(container)).Children))
    callback(child.Widget, data);
}

void Finalize(GObject* object) {
  delete CORVANE_CLIENT_AREA(object)->State;
  G_OBJECT_CLASS(corvane_client_area_parent_class)->finalize(object);
}

}  // namespace

static void corvane_client_area_class_init(CorvaneClientAreaClass* klass) {
  G_OBJECT_CLASS(klass)->finalize = Finalize;
  GtkWidgetClass* widgetClass = GTK_WIDGET_CLASS(klass);
  widgetClass->realize = Realize;
  widgetClass->size_allocate = SizeAllocate;
  widgetClass->get_preferred_width = GetNoSize;
  widgetClass->get_preferred_height = GetNoSize;
  widgetClass->draw = Draw;
  GtkContainerClass* containerClass = GTK_CONTAINER_CLASS(klass);
  containerClass->add = Add;
  containerClass->remove = Remove;
  containerClass->forall = Forall;
}

static void corvane_client_area_init(CorvaneClientArea* self) {
  self->State = new TClientAreaState;
  gtk_widget_set_has_window(GTK_WIDGET(self), TRUE);
}

GtkWidget* ClientAreaNew() {
  return GTK_WIDGET(g_object_new(corvane_client_area_get_type(), nullptr));
}

void ClientAreaPlace(GtkWidget* area, GtkWidget* child, const TRect& rect) {
  TClientAreaState& state = StateOf(area);
  auto placed = FindChild(state, child);
  if (placed == state.Children.end()) {
    gtk_container_add(GTK_CONTAINER(area), child);
    placed = FindChild(state, child);
  }
  if (placed->Rect == rect) return;
  placed->Rect = rect;
  // During our own layout the children are allocated right after; asking again would loop.
  if (!state.InLayout) gtk_widget_queue_allocate(area);
}

void ClientAreaSetLayoutHandler(GtkWidget* area, std::function<void(int, int)> handler) {
  StateOf(area).OnLayout = std::move(handler);
}

void ClientAreaSetColor(GtkWidget* area, TColor color) {
  StateOf(area).Color = color;
  gtk_widget_queue_draw(area);
}
