#include "Printers.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <exception>
#include <memory>

#include "Forms.h"

namespace {

constexpr const char* kPrintFont = "Monospace 9";

PangoLayout* NewLineLayout(GtkPrintContext* context, double width) {
  PangoLayout* layout = gtk_print_context_create_pango_layout(context);
  g_autoptr(PangoFontDescription) font = pango_font_description_from_string(kPrintFont);
  pango_layout_set_font_description(layout, font);
  pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
  pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  return layout;
}

}  // namespace

// One run of a print operation: splits the lines into pages and draws them.
struct TTextPrintJob::TRun {
  const std::vector<std::string>& Lines;
  std::vector<size_t> PageStarts;  // index of the first line of each page
  std::exception_ptr Error;

  static void OnBeginPrint(GtkPrintOperation* operation, GtkPrintContext* context, gpointer data) {
    auto* run = static_cast<TRun*>(data);
    try {
      run->Paginate(context);
      gtk_print_operation_set_n_pages(operation, static_cast<int>(run->PageStarts.size()));
    } catch (...) {
      run->Fail(operation);
    }
  }

  static void OnDrawPage(GtkPrintOperation* operation, GtkPrintContext* context, int page,
                         gpointer data) {
    auto* run = static_cast<TRun*>(data);
    try {
      run->DrawPage(context, static_cast<size_t>(page));
    } catch (...) {
      run->Fail(operation);
    }
  }

  void Fail(GtkPrintOperation* operation) {
    if (!Error) Error = std::current_exception();
    gtk_print_operation_cancel(operation);
  }

  // Lines go onto a page while their wrapped height fits; a page takes at least one line.
  void Paginate(GtkPrintContext* context) {
    const double pageHeight = gtk_print_context_get_height(context);
    g_autoptr(PangoLayout) layout = NewLineLayout(context, gtk_print_context_get_width(context));
    PageStarts = {0};
    double used = 0;
    for (size_t i = 0; i < Lines.size(); ++i) {
      pango_layout_set_text(layout, Lines[i].c_str(), -1);
      int height = 0;
      pango_layout_get_pixel_size(layout, nullptr, &height);
      if (used > 0 && used + height > pageHeight) {
        PageStarts.push_back(i);
        used = 0;
      }
      used += height;
    }
  }

  void DrawPage(GtkPrintContext* context, size_t page) {
    const size_t end = page + 1 < PageStarts.size() ? PageStarts[page + 1] : Lines.size();
    cairo_t* cairo = gtk_print_context_get_cairo_context(context);
    g_autoptr(PangoLayout) layout = NewLineLayout(context, gtk_print_context_get_width(context));
    double y = 0;
    for (size_t i = PageStarts.at(page); i < end; ++i) {
      pango_layout_set_text(layout, Lines[i].c_str(), -1);
      cairo_move_to(cairo, 0, y);
      pango_cairo_show_layout(cairo, layout);
      int height = 0;
      pango_layout_get_pixel_size(layout, nullptr, &height);
      y += height;
    }
  }

  // Runs the operation; answers whether it printed.
  bool Run(GtkPrintOperation* operation, GtkPrintOperationAction action, GtkWindow* parent) {
    g_signal_connect(operation, "begin-print", G_CALLBACK(OnBeginPrint), this);
    g_signal_connect(operation, "draw-page", G_CALLBACK(OnDrawPage), this);
    g_autoptr(GError) error = nullptr;
    const GtkPrintOperationResult result =
        gtk_print_operation_run(operation, action, parent, &error);
    if (Error) std::rethrow_exception(Error);
    if (result == GTK_PRINT_OPERATION_RESULT_ERROR)
      throw EPrinter(error ? error->message : "Printing failed");
    return result == GTK_PRINT_OPERATION_RESULT_APPLY;
  }
};

namespace {

struct TObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
using TPrintOperation = std::unique_ptr<GtkPrintOperation, TObjectUnref>;

TPrintOperation NewOperation(const std::string& title) {
  TPrintOperation operation(gtk_print_operation_new());
  gtk_print_operation_set_job_name(operation.get(), title.c_str());
  gtk_print_operation_set_unit(operation.get(), GTK_UNIT_POINTS);
  gtk_print_operation_set_embed_page_setup(operation.get(), TRUE);
  return operation;
}

}  // namespace

bool TTextPrintJob::Print(TForm* owner) {
  TPrintOperation operation = NewOperation(FTitle);
  TRun run{FLines, {}, {}};
  GtkWindow* parent = owner ? GTK_WINDOW(owner->Handle()) : nullptr;
  return run.Run(operation.get(), GTK_PRINT_OPERATION_ACTION_PRINT_DIALOG, parent);
}

void TTextPrintJob::ExportToPdf(const std::string& fileName) {
  TPrintOperation operation = NewOperation(FTitle);
  gtk_print_operation_set_export_filename(operation.get(), fileName.c_str());
  TRun run{FLines, {}, {}};
  if (!run.Run(operation.get(), GTK_PRINT_OPERATION_ACTION_EXPORT, nullptr))
    throw EPrinter("The PDF file \"" + fileName + "\" was not written");
}
