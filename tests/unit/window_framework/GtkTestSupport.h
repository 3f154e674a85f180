#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Application.h"

// Iterates the default main context until done() holds or timeoutMs passed; answers done().
// The bound only keeps a broken test from hanging.
inline bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done() && std::chrono::steady_clock::now() < deadline) {
    if (!g_main_context_iteration(nullptr, FALSE))
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return done();
}

inline void RunLoopFor(int ms) {
  RunLoopUntil([] { return false; }, ms);
}

// The visible error boxes, with their texts.
inline std::vector<std::string> VisibleErrorBoxTexts() {
  std::vector<std::string> texts;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item; item = item->next) {
    auto* widget = GTK_WIDGET(item->data);
    if (!GTK_IS_MESSAGE_DIALOG(widget) || !gtk_widget_get_visible(widget)) continue;
    gchar* text = nullptr;
    g_object_get(widget, "text", &text, nullptr);
    texts.emplace_back(text ? text : "");
    g_free(text);
  }
  g_list_free(toplevels);
  return texts;
}

// Presses OK on every visible error box.
inline void AnswerErrorBoxes() {
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item; item = item->next) {
    auto* widget = GTK_WIDGET(item->data);
    if (GTK_IS_MESSAGE_DIALOG(widget) && gtk_widget_get_visible(widget))
      gtk_dialog_response(GTK_DIALOG(widget), GTK_RESPONSE_OK);
  }
  g_list_free(toplevels);
}

// A fresh application object on an open display for each test.
class ApplicationTest : public testing::Test {
 protected:
  void SetUp() override {
    StartWindowFramework();
    ASSERT_NO_THROW(Application->Initialize()) << "these tests need a display (xvfb-run)";
  }
  void TearDown() override { EndWindowFramework(); }
};
