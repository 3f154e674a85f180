// The menu model entries: each operation on an entry is written once, by index; the entry
// taking a command id finds the index and calls it.

#include "RtMenuModel.h"

#include <utility>

#include "RtGuard.h"
#include "RtStrings.h"

void TMenuModelRelease::operator()(TMenuModel* model) const {
  model->Release();
}

namespace {

using TEntries = std::vector<TMenuEntry>;

TEntries& EntriesOf(TCefMenuModel* self) {
  return OwnerOf<TMenuModel>(self).Entries();
}

int32_t IndexOf(TCefMenuModel* self, int32_t commandId) {
  const TEntries& entries = EntriesOf(self);
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].Type != MENUITEMTYPE_SEPARATOR && entries[i].CommandId == commandId)
      return int32_t(i);
  return -1;
}

// Runs body on the entry at index; an index out of range or a failure answers fallback.
template <class TResult, class TBody>
TResult OnEntry(TCefMenuModel* self, int32_t index, TResult fallback, TBody body) {
  return Guarded(
      "menu model",
      [&] {
        TEntries& entries = EntriesOf(self);
        if (index < 0 || size_t(index) >= entries.size()) return fallback;
        return TResult(body(entries[size_t(index)]));
      },
      fallback);
}

// Puts entry at index (0 to count); answers the entry's place, or -1.
int32_t Insert(TCefMenuModel* self, int32_t index, TMenuEntry entry) {
  return Guarded(
      "menu model",
      [&] {
        TEntries& entries = EntriesOf(self);
        if (index < 0 || size_t(index) > entries.size()) return -1;
        entries.insert(entries.begin() + index, std::move(entry));
        return index;
      },
      -1);
}

int32_t End(TCefMenuModel* self) {
  return int32_t(EntriesOf(self).size());
}

TMenuEntry NewEntry(TCefMenuItemType type, int32_t commandId, TCefConstString* label,
                    int32_t groupId = -1) {
  TMenuEntry entry;
  entry.Type = type;
  entry.CommandId = commandId;
  entry.Label = ToUtf8(label);
  entry.GroupId = groupId;
  return entry;
}

// One radio entry of a group is checked at a time.
void Check(TEntries& entries, TMenuEntry& entry, bool checked) {
  if (checked && entry.Type == MENUITEMTYPE_RADIO)
    for (TMenuEntry& other : entries)
      if (other.Type == MENUITEMTYPE_RADIO && other.GroupId == entry.GroupId) other.Checked = false;
  entry.Checked = checked;
}

// ---- Entries by index ----

TCefBool CEF_CALLBACK insert_separator_at(TCefMenuModel* self, int32_t index) {
  return Insert(self, index, NewEntry(MENUITEMTYPE_SEPARATOR, -1, nullptr)) >= 0;
}

TCefBool CEF_CALLBACK insert_item_at(TCefMenuModel* self, int32_t index, int32_t commandId,
                                     TCefConstString* label) {
  return Insert(self, index, NewEntry(MENUITEMTYPE_COMMAND, commandId, label)) >= 0;
}

TCefBool CEF_CALLBACK insert_check_item_at(TCefMenuModel* self, int32_t index, int32_t commandId,
                                           TCefConstString* label) {
  return Insert(self, index, NewEntry(MENUITEMTYPE_CHECK, commandId, label)) >= 0;
}

TCefBool CEF_CALLBACK insert_radio_item_at(TCefMenuModel* self, int32_t index, int32_t commandId,
                                           TCefConstString* label, int32_t groupId) {
  return Insert(self, index, NewEntry(MENUITEMTYPE_RADIO, commandId, label, groupId)) >= 0;
}

TCefMenuModel* CEF_CALLBACK get_sub_menu_at(TCefMenuModel* self, int32_t index) {
  return OnEntry(self, index, static_cast<TCefMenuModel*>(nullptr), [](TMenuEntry& entry) {
    return entry.Submenu ? entry.Submenu->Share() : nullptr;
  });
}

TCefMenuModel* CEF_CALLBACK insert_sub_menu_at(TCefMenuModel* self, int32_t index,
                                               int32_t commandId, TCefConstString* label) {
  return Guarded(
      "menu model",
      [&]() -> TCefMenuModel* {
        TMenuEntry entry = NewEntry(MENUITEMTYPE_SUBMENU, commandId, label);
        entry.Submenu.reset(TMenuModel::New());
        const int32_t placed = Insert(self, index, std::move(entry));
        return placed < 0 ? nullptr : get_sub_menu_at(self, placed);
      },
      static_cast<TCefMenuModel*>(nullptr));
}

TCefBool CEF_CALLBACK remove_at(TCefMenuModel* self, int32_t index) {
  return OnEntry(self, index, TCefBool(0), [&](TMenuEntry& entry) {
    TEntries& entries = EntriesOf(self);
    entries.erase(entries.begin() + (&entry - entries.data()));
    return 1;
  });
}

int32_t CEF_CALLBACK get_command_id_at(TCefMenuModel* self, int32_t index) {
  return OnEntry(self, index, int32_t(-1), [](TMenuEntry& entry) { return entry.CommandId; });
}

TCefBool CEF_CALLBACK set_command_id_at(TCefMenuModel* self, int32_t index, int32_t commandId) {
  return OnEntry(self, index, TCefBool(0), [&](TMenuEntry& entry) {
    entry.CommandId = commandId;
    return 1;
  });
}

TCefStringUserFreeUtf16 CEF_CALLBACK get_label_at(TCefMenuModel* self, int32_t index) {
  return OnEntry(self, index, TCefStringUserFreeUtf16(nullptr),
                 [](TMenuEntry& entry) { return NewUserFree(entry.Label); });
}

TCefBool CEF_CALLBACK set_label_at(TCefMenuModel* self, int32_t index, TCefConstString* label) {
  return OnEntry(self, index, TCefBool(0), [&](TMenuEntry& entry) {
    entry.Label = ToUtf8(label);
    return 1;
  });
}

TCefMenuItemType CEF_CALLBACK get_type_at(TCefMenuModel* self, int32_t index) {
  return OnEntry(self, index, MENUITEMTYPE_NONE, [](TMenuEntry& entry) { return entry.Type; });
}

int32_t CEF_CALLBACK get_group_id_at(TCefMenuModel* self, int32_t index) {
  return OnEntry(self, index, int32_t(-1), [](TMenuEntry& entry) { return entry.GroupId; });
}

TCefBool CEF_CALLBACK set_group_id_at(TCefMenuModel* self, int32_t index, int32_t groupId) {
  return OnEntry(self, index, TCefBool(0), [&](TMenuEntry& entry) {
    entry.GroupId = groupId;
    return 1;
  });
}

TCefBool CEF_CALLBACK is_visible_at(TCefMenuModel* self, int32_t index) {
  return OnEntry(self, index, TCefBool(0), [](TMenuEntry& entry) { return entry.Visible; });
}

TCefBool CEF_CALLBACK set_visible_at(TCefMenuModel* self, int32_t index, TCefBool visible) {
  return OnEntry(self, index, TCefBool(0), [&](TMenuEntry& entry) {
    entry.Visible = visible != 0;
    return 1;
  });
}

TCefBool CEF_CALLBACK is_enabled_at(TCefMenuModel* self, int32_t index) {
  return OnEntry(self, index, TCefBool(0), [](TMenuEntry& entry) { return entry.Enabled; });
}

TCefBool CEF_CALLBACK set_enabled_at(TCefMenuModel* self, int32_t index, TCefBool enabled) {
  return OnEntry(self, index, TCefBool(0), [&](TMenuEntry& entry) {
    entry.Enabled = enabled != 0;
    return 1;
  });
}

TCefBool CEF_CALLBACK is_checked_at(TCefMenuModel* self, int32_t index) {
  return OnEntry(self, index, TCefBool(0), [](TMenuEntry& entry) { return entry.Checked; });
}

TCefBool CEF_CALLBACK set_checked_at(TCefMenuModel* self, int32_t index, TCefBool checked) {
  return OnEntry(self, index, TCefBool(0), [&](TMenuEntry& entry) {
    if (entry.Type != MENUITEMTYPE_CHECK && entry.Type != MENUITEMTYPE_RADIO) return 0;
    Check(EntriesOf(self), entry, checked != 0);
    return 1;
  });
}

TCefBool CEF_CALLBACK has_accelerator_at(TCefMenuModel* self, int32_t index) {
  return OnEntry(self, index, TCefBool(0), [](TMenuEntry& entry) { return entry.HasAccelerator; });
}

TCefBool CEF_CALLBACK set_accelerator_at(TCefMenuModel* self, int32_t index, int32_t keyCode,
                                         TCefBool shift, TCefBool ctrl, TCefBool alt) {
  return OnEntry(self, index, TCefBool(0), [&](TMenuEntry& entry) {
    entry.HasAccelerator = true;
    entry.KeyCode = keyCode;
    entry.Shift = shift != 0;
    entry.Ctrl = ctrl != 0;
    entry.Alt = alt != 0;
    return 1;
  });
}

TCefBool CEF_CALLBACK remove_accelerator_at(TCefMenuModel* self, int32_t index) {
  return OnEntry(self, index, TCefBool(0), [](TMenuEntry& entry) {
    const bool had = entry.HasAccelerator;
    entry.HasAccelerator = false;
    return had;
  });
}

TCefBool CEF_CALLBACK get_accelerator_at(TCefMenuModel* self, int32_t index, int32_t* keyCode,
                                         TCefBool* shift, TCefBool* ctrl, TCefBool* alt) {
  return OnEntry(self, index, TCefBool(0), [&](TMenuEntry& entry) {
    if (!entry.HasAccelerator || !keyCode || !shift || !ctrl || !alt) return 0;
    *keyCode = entry.KeyCode;
    *shift = entry.Shift;
    *ctrl = entry.Ctrl;
    *alt = entry.Alt;
    return 1;
  });
}

// ---- The same operations by command id ----

template <auto AtIndex>
struct TByCommand;

template <class TResult, class... TArgs,
          TResult(CEF_CALLBACK* AtIndex)(TCefMenuModel*, int32_t, TArgs...)>
struct TByCommand<AtIndex> {
  static TResult CEF_CALLBACK Call(TCefMenuModel* self, int32_t commandId, TArgs... args) {
    const int32_t index = Guarded(
        "menu model", [&] { return IndexOf(self, commandId); }, -1);
    return AtIndex(self, index, args...);
  }
};

// ---- The whole list ----

TCefBool CEF_CALLBACK clear(TCefMenuModel* self) {
  return Guarded(
      "menu model",
      [&] {
        EntriesOf(self).clear();
        return TCefBool(1);
      },
      TCefBool(0));
}

int32_t CEF_CALLBACK get_count(TCefMenuModel* self) {
  return Guarded(
      "menu model", [&] { return End(self); }, 0);
}

TCefBool CEF_CALLBACK add_separator(TCefMenuModel* self) {
  return insert_separator_at(self, End(self));
}

TCefBool CEF_CALLBACK add_item(TCefMenuModel* self, int32_t commandId, TCefConstString* label) {
  return insert_item_at(self, End(self), commandId, label);
}

TCefBool CEF_CALLBACK add_check_item(TCefMenuModel* self, int32_t commandId,
                                     TCefConstString* label) {
  return insert_check_item_at(self, End(self), commandId, label);
}

TCefBool CEF_CALLBACK add_radio_item(TCefMenuModel* self, int32_t commandId, TCefConstString* label,
                                     int32_t groupId) {
  return insert_radio_item_at(self, End(self), commandId, label, groupId);
}

TCefMenuModel* CEF_CALLBACK add_sub_menu(TCefMenuModel* self, int32_t commandId,
                                         TCefConstString* label) {
  return insert_sub_menu_at(self, End(self), commandId, label);
}

int32_t CEF_CALLBACK get_index_of(TCefMenuModel* self, int32_t commandId) {
  return Guarded(
      "menu model", [&] { return IndexOf(self, commandId); }, -1);
}

}  // namespace

TMenuModel* TMenuModel::New() {
  return new TMenuModel();
}

TMenuModel::TMenuModel() {
  InitFace(FFace, this);
  TCefMenuModel& s = FFace.Struct;
  s.clear = clear;
  s.get_count = get_count;
  s.add_separator = add_separator;
  s.add_item = add_item;
  s.add_check_item = add_check_item;
  s.add_radio_item = add_radio_item;
  s.add_sub_menu = add_sub_menu;
  s.insert_separator_at = insert_separator_at;
  s.insert_item_at = insert_item_at;
  s.insert_check_item_at = insert_check_item_at;
  s.insert_radio_item_at = insert_radio_item_at;
  s.insert_sub_menu_at = insert_sub_menu_at;
  s.remove = TByCommand<remove_at>::Call;
  s.remove_at = remove_at;
  s.get_index_of = get_index_of;
  s.get_command_id_at = get_command_id_at;
  s.set_command_id_at = set_command_id_at;
  s.get_label = TByCommand<get_label_at>::Call;
  s.get_label_at = get_label_at;
  s.set_label = TByCommand<set_label_at>::Call;
  s.set_label_at = set_label_at;
  s.get_type = TByCommand<get_type_at>::Call;
  s.get_type_at = get_type_at;
  s.get_group_id = TByCommand<get_group_id_at>::Call;
  s.get_group_id_at = get_group_id_at;
  s.set_group_id = TByCommand<set_group_id_at>::Call;
  s.set_group_id_at = set_group_id_at;
  s.get_sub_menu = TByCommand<get_sub_menu_at>::Call;
  s.get_sub_menu_at = get_sub_menu_at;
  s.is_visible = TByCommand<is_visible_at>::Call;
  s.is_visible_at = is_visible_at;
  s.set_visible = TByCommand<set_visible_at>::Call;
  s.set_visible_at = set_visible_at;
  s.is_enabled = TByCommand<is_enabled_at>::Call;
  s.is_enabled_at = is_enabled_at;
  s.set_enabled = TByCommand<set_enabled_at>::Call;
  s.set_enabled_at = set_enabled_at;
  s.is_checked = TByCommand<is_checked_at>::Call;
  s.is_checked_at = is_checked_at;
  s.set_checked = TByCommand<set_checked_at>::Call;
  s.set_checked_at = set_checked_at;
  s.has_accelerator = TByCommand<has_accelerator_at>::Call;
  s.has_accelerator_at = has_accelerator_at;
  s.set_accelerator = TByCommand<set_accelerator_at>::Call;
  s.set_accelerator_at = set_accelerator_at;
  s.remove_accelerator = TByCommand<remove_accelerator_at>::Call;
  s.remove_accelerator_at = remove_accelerator_at;
  s.get_accelerator = TByCommand<get_accelerator_at>::Call;
  s.get_accelerator_at = get_accelerator_at;
}
