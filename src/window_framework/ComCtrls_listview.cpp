#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

#include "ComCtrls.h"

void TListView::AddColumn(std::string caption, int width) {
  FColumns.push_back({std::move(caption), width});
}

void TListView::SetColumnWidth(int index, int width) {
  FColumns.at(static_cast<size_t>(index)).Width = width;
  if (FTreeView)
    gtk_tree_view_column_set_fixed_width(gtk_tree_view_get_column(GTK_TREE_VIEW(FTreeView), index),
                                         width);
}

int TListView::ColumnWidthToFit(int index, std::span<const std::string> texts) {
  HandleNeeded();
  GtkTreeViewColumn* column = gtk_tree_view_get_column(GTK_TREE_VIEW(FTreeView), index);
  int width = 0;
  gtk_widget_get_preferred_width(gtk_tree_view_column_get_button(column), &width, nullptr);
  // A cell gets the column's width less the view's separator, grid line and focus line.
  int separator = 0, gridLine = 0, focusLine = 0;
  gtk_widget_style_get(FTreeView, "horizontal-separator", &separator, "grid-line-width", &gridLine,
                       "focus-line-width", &focusLine, nullptr);
  g_autoptr(GtkCellRenderer) renderer =
      GTK_CELL_RENDERER(g_object_ref_sink(gtk_cell_renderer_text_new()));
  for (const std::string& text : texts) {
    g_object_set(renderer, "text", text.c_str(), nullptr);
    int natural = 0;
    gtk_cell_renderer_get_preferred_width(renderer, FTreeView, nullptr, &natural);
    width = std::max(width, natural + separator + gridLine + 2 * focusLine);
  }
  return width;
}

void TListView::SetLastColumnFills(bool value) {
  FLastColumnFills = value;
  ApplyOptions();
}

void TListView::SetGridLines(bool value) {
  FGridLines = value;
  ApplyOptions();
}

void TListView::SetHotTrack(bool value) {
  FHotTrack = value;
  ApplyOptions();
}

void TListView::ApplyOptions() {
  if (!FTreeView) return;
  gtk_tree_view_set_grid_lines(GTK_TREE_VIEW(FTreeView), FGridLines
                                                             ? GTK_TREE_VIEW_GRID_LINES_BOTH
                                                             : GTK_TREE_VIEW_GRID_LINES_NONE);
  gtk_tree_view_set_hover_selection(GTK_TREE_VIEW(FTreeView), FHotTrack);
  const int columns = gtk_tree_view_get_n_columns(GTK_TREE_VIEW(FTreeView));
  if (columns > 0)
    gtk_tree_view_column_set_expand(gtk_tree_view_get_column(GTK_TREE_VIEW(FTreeView), columns - 1),
                                    FLastColumnFills);
}

void TListView::AddItem(TRow cells) {
  cells.resize(FColumns.size());
  FItems.push_back(std::move(cells));
  if (FStore && FUpdateCount == 0) AppendToStore(FItems.back());
}

void TListView::Clear() {
  FItems.clear();
  if (FStore) gtk_list_store_clear(FStore);
}

void TListView::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) FillStore();
}

void TListView::AppendToStore(const TRow& cells) {
  const auto count = static_cast<int>(cells.size());
  std::vector<int> columns(cells.size());
  std::vector<GValue> values(cells.size());
  for (int i = 0; i < count; ++i) {
    columns[static_cast<size_t>(i)] = i;
    GValue* value = &values[static_cast<size_t>(i)];
    g_value_init(value, G_TYPE_STRING);
    g_value_set_static_string(value, cells[static_cast<size_t>(i)].c_str());
  }
  gtk_list_store_insert_with_valuesv(FStore, nullptr, -1, columns.data(), values.data(), count);
  for (GValue& value : values) g_value_unset(&value);
}

// With the model detached, the view neither redraws nor re-measures for every row.
void TListView::FillStore() {
  if (!FStore) return;
  gtk_tree_view_set_model(GTK_TREE_VIEW(FTreeView), nullptr);
  gtk_list_store_clear(FStore);
  for (const TRow& row : FItems) AppendToStore(row);
  gtk_tree_view_set_model(GTK_TREE_VIEW(FTreeView), GTK_TREE_MODEL(FStore));
}

GtkWidget* TListView::CreateContent() {
  std::vector<GType> types(FColumns.size(), G_TYPE_STRING);
  FStore = gtk_list_store_newv(static_cast<int>(types.size()), types.data());
  FTreeView = gtk_tree_view_new();
  for (size_t i = 0; i < FColumns.size(); ++i) {
    GtkTreeViewColumn* column = gtk_tree_view_column_new_with_attributes(
        FColumns[i].Caption.c_str(), gtk_cell_renderer_text_new(), "text", static_cast<int>(i),
        nullptr);
    gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
    gtk_tree_view_column_set_fixed_width(column, FColumns[i].Width);
    gtk_tree_view_column_set_resizable(column, TRUE);
    gtk_tree_view_append_column(GTK_TREE_VIEW(FTreeView), column);
  }
  // Every column has a fixed width, so rows can be laid out without measuring each one.
  gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(FTreeView), TRUE);
  gtk_tree_view_set_enable_search(GTK_TREE_VIEW(FTreeView), FALSE);
  ApplyOptions();
  FillStore();
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(scroller), FTreeView);
  gtk_widget_show_all(scroller);
  return scroller;
}

TListView::~TListView() {
  if (FStore) g_object_unref(FStore);
}
