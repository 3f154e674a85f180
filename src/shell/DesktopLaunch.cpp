#include "DesktopLaunch.h"

#include <gio/gio.h>

#include <memory>

#include "FileUtils.h"
#include "GLibText.h"
#include "GuardedCall.h"
#include "StderrReport.h"

namespace {

std::string FileUri(const std::string& path) {
  return TakeText(g_filename_to_uri(path.c_str(), nullptr, nullptr));
}

void OpenFolderOf(const std::string& path) {
  OpenWithDefaultProgram(ExtractFileDir(path));
}

void OnItemsShown(GObject* connection, GAsyncResult* result, gpointer data) {
  std::unique_ptr<std::string> path(static_cast<std::string*>(data));
  CallGuarded(nullptr, [&] {
    g_autoptr(GVariant) reply =
        g_dbus_connection_call_finish(G_DBUS_CONNECTION(connection), result, nullptr);
    if (!reply) OpenFolderOf(*path);
  });
}

void OnSessionBus(GObject*, GAsyncResult* result, gpointer data) {
  std::unique_ptr<std::string> path(static_cast<std::string*>(data));
  CallGuarded(nullptr, [&] {
    g_autoptr(GDBusConnection) bus = g_bus_get_finish(result, nullptr);
    if (!bus) {
      OpenFolderOf(*path);
      return;
    }
    const std::string uri = FileUri(*path);
    const gchar* uris[] = {uri.c_str(), nullptr};
    g_dbus_connection_call(bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                           "org.freedesktop.FileManager1", "ShowItems",
                           g_variant_new("(^ass)", uris, ""), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000,
                           nullptr, OnItemsShown, path.release());
  });
}

}  // namespace

bool OpenWithDefaultProgram(const std::string& path) {
  const std::string uri = FileUri(path);
  g_autoptr(GError) error = nullptr;
  if (!uri.empty() && g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error)) return true;
  ReportOnStderr("cannot open %s: %s", path.c_str(), error ? error->message : "not a file name");
  return false;
}

void ShowInFolder(const std::string& path) {
  g_bus_get(G_BUS_TYPE_SESSION, nullptr, OnSessionBus, new std::string(path));
}
