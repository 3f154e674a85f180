#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "RtObject.h"
#include "cef_capi.h"

class TMenuModel;

struct TMenuModelRelease {
  void operator()(TMenuModel* model) const;
};
struct TMenuItemUnref {
  void operator()(WebKitContextMenuItem* item) const { g_object_unref(item); }
};

// One entry of a menu. An entry WebKit proposed keeps WebKit's item and the label it came with,
// so an entry the client left alone can be shown as WebKit's own.
struct TMenuEntry {
  int32_t CommandId = -1;
  TCefMenuItemType Type = MENUITEMTYPE_COMMAND;
  std::string Label;
  int32_t GroupId = -1;
  bool Visible = true;
  bool Enabled = true;
  bool Checked = false;
  bool HasAccelerator = false;
  int32_t KeyCode = 0;
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
  std::unique_ptr<TMenuModel, TMenuModelRelease> Submenu;
  std::unique_ptr<WebKitContextMenuItem, TMenuItemUnref> Origin;
  std::string OriginLabel;
};

// The menu model the client may change: an ordered list of entries.
class TMenuModel final : public TRtCounted {
 public:
  // A new empty model with one reference for the caller.
  static TMenuModel* New();
  TCefMenuModel* Share() { return ::Share(FFace); }
  std::vector<TMenuEntry>& Entries() { return FEntries; }

 private:
  TMenuModel();
  ~TMenuModel() override = default;

  TFace<TCefMenuModel> FFace;
  std::vector<TMenuEntry> FEntries;
};
