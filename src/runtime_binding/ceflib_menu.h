#pragma once

#include "ceflib_bridge.h"
#include "ceflib_calls.h"
#include "ceflib_types.h"

// Context menus: the menu the runtime is about to show and what was clicked.

// From get_label on, each operation comes as a pair: by command id, then by index.
class ICefMenuModel : public virtual ICefBase {
 public:
  virtual bool clear() = 0;
  virtual int32_t get_count() = 0;
  virtual bool add_separator() = 0;
  virtual bool add_item(int32_t commandId, const ustring& label) = 0;
  virtual bool add_check_item(int32_t commandId, const ustring& label) = 0;
  virtual bool add_radio_item(int32_t commandId, const ustring& label, int32_t groupId) = 0;
  virtual TRef<ICefMenuModel> add_sub_menu(int32_t commandId, const ustring& label) = 0;
  virtual bool insert_separator_at(int32_t index) = 0;
  virtual bool insert_item_at(int32_t index, int32_t commandId, const ustring& label) = 0;
  virtual bool insert_check_item_at(int32_t index, int32_t commandId, const ustring& label) = 0;
  virtual bool insert_radio_item_at(int32_t index, int32_t commandId, const ustring& label,
                                    int32_t groupId) = 0;
  virtual TRef<ICefMenuModel> insert_sub_menu_at(int32_t index, int32_t commandId,
                                                 const ustring& label) = 0;
  virtual bool remove(int32_t commandId) = 0;
  virtual bool remove_at(int32_t index) = 0;
  virtual int32_t get_index_of(int32_t commandId) = 0;
  virtual int32_t get_command_id_at(int32_t index) = 0;
  virtual bool set_command_id_at(int32_t index, int32_t commandId) = 0;
  virtual ustring get_label(int32_t commandId) = 0;
  virtual ustring get_label_at(int32_t index) = 0;
  virtual bool set_label(int32_t commandId, const ustring& label) = 0;
  virtual bool set_label_at(int32_t index, const ustring& label) = 0;
  virtual TCefMenuItemType get_type(int32_t commandId) = 0;
  virtual TCefMenuItemType get_type_at(int32_t index) = 0;
  virtual int32_t get_group_id(int32_t commandId) = 0;
  virtual int32_t get_group_id_at(int32_t index) = 0;
  virtual bool set_group_id(int32_t commandId, int32_t groupId) = 0;
  virtual bool set_group_id_at(int32_t index, int32_t groupId) = 0;
  virtual TRef<ICefMenuModel> get_sub_menu(int32_t commandId) = 0;
  virtual TRef<ICefMenuModel> get_sub_menu_at(int32_t index) = 0;
  virtual bool is_visible(int32_t commandId) = 0;
  virtual bool is_visible_at(int32_t index) = 0;
  virtual bool set_visible(int32_t commandId, bool visible) = 0;
  virtual bool set_visible_at(int32_t index, bool visible) = 0;
  virtual bool is_enabled(int32_t commandId) = 0;
  virtual bool is_enabled_at(int32_t index) = 0;
  virtual bool set_enabled(int32_t commandId, bool enabled) = 0;
  virtual bool set_enabled_at(int32_t index, bool enabled) = 0;
  virtual bool is_checked(int32_t commandId) = 0;
  virtual bool is_checked_at(int32_t index) = 0;
  virtual bool set_checked(int32_t commandId, bool checked) = 0;
  virtual bool set_checked_at(int32_t index, bool checked) = 0;
  virtual bool has_accelerator(int32_t commandId) = 0;
  virtual bool has_accelerator_at(int32_t index) = 0;
  virtual bool set_accelerator(int32_t commandId, int32_t keyCode, bool shiftPressed,
                               bool ctrlPressed, bool altPressed) = 0;
  virtual bool set_accelerator_at(int32_t index, int32_t keyCode, bool shiftPressed,
                                  bool ctrlPressed, bool altPressed) = 0;
  virtual bool remove_accelerator(int32_t commandId) = 0;
  virtual bool remove_accelerator_at(int32_t index) = 0;
  virtual bool get_accelerator(int32_t commandId, int32_t& keyCode, bool& shiftPressed,
                               bool& ctrlPressed, bool& altPressed) = 0;
  virtual bool get_accelerator_at(int32_t index, int32_t& keyCode, bool& shiftPressed,
                                  bool& ctrlPressed, bool& altPressed) = 0;
};

class ICefContextMenuParams : public virtual ICefBase {
 public:
  virtual int32_t get_xcoord() = 0;
  virtual int32_t get_ycoord() = 0;
  virtual TCefContextMenuTypeFlags get_type_flags() = 0;
  virtual ustring get_link_url() = 0;
  virtual ustring get_unfiltered_link_url() = 0;
  virtual ustring get_source_url() = 0;
  virtual bool is_image_blocked() = 0;
  virtual ustring get_page_url() = 0;
  virtual ustring get_frame_url() = 0;
  virtual ustring get_frame_charset() = 0;
  virtual TCefContextMenuMediaType get_media_type() = 0;
  virtual TCefContextMenuMediaStateFlags get_media_state_flags() = 0;
  virtual ustring get_selection_text() = 0;
  virtual bool is_editable() = 0;
  virtual bool is_speech_input_enabled() = 0;
  virtual TCefContextMenuEditStateFlags get_edit_state_flags() = 0;
};

CEF_WRAPS(TCefMenuModelRef, ICefMenuModel, TCefMenuModel);
CEF_WRAPS(TCefContextMenuParamsRef, ICefContextMenuParams, TCefContextMenuParams);

class TCefMenuModelRef : public TCefBaseRefOf<TCefMenuModelRef, ICefMenuModel, TCefMenuModel> {
  using T = TCefMenuModel;
  using TMenu = TRef<ICefMenuModel>;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  bool clear() override { return CallEntry<bool>(Data(), &T::clear); }
  int32_t get_count() override { return CallEntry<int32_t>(Data(), &T::get_count); }
  bool add_separator() override { return CallEntry<bool>(Data(), &T::add_separator); }
  bool add_item(int32_t commandId, const ustring& label) override {
    return CallEntry<bool>(Data(), &T::add_item, commandId, label);
  }
  bool add_check_item(int32_t commandId, const ustring& label) override {
    return CallEntry<bool>(Data(), &T::add_check_item, commandId, label);
  }
  bool add_radio_item(int32_t commandId, const ustring& label, int32_t groupId) override {
    return CallEntry<bool>(Data(), &T::add_radio_item, commandId, label, groupId);
  }
  TMenu add_sub_menu(int32_t commandId, const ustring& label) override {
    return CallEntry<TMenu>(Data(), &T::add_sub_menu, commandId, label);
  }
  bool insert_separator_at(int32_t index) override {
    return CallEntry<bool>(Data(), &T::insert_separator_at, index);
  }
  bool insert_item_at(int32_t index, int32_t commandId, const ustring& label) override {
    return CallEntry<bool>(Data(), &T::insert_item_at, index, commandId, label);
  }
  bool insert_check_item_at(int32_t index, int32_t commandId, const ustring& label) override {
    return CallEntry<bool>(Data(), &T::insert_check_item_at, index, commandId, label);
  }
  bool insert_radio_item_at(int32_t index, int32_t commandId, const ustring& label,
                            int32_t groupId) override {
    return CallEntry<bool>(Data(), &T::insert_radio_item_at, index, commandId, label, groupId);
  }
  TMenu insert_sub_menu_at(int32_t index, int32_t commandId, const ustring& label) override {
    return CallEntry<TMenu>(Data(), &T::insert_sub_menu_at, index, commandId, label);
  }
  bool remove(int32_t commandId) override { return CallEntry<bool>(Data(), &T::remove, commandId); }
  bool remove_at(int32_t index) override { return CallEntry<bool>(Data(), &T::remove_at, index); }
  int32_t get_index_of(int32_t commandId) override {
    return CallEntry<int32_t>(Data(), &T::get_index_of, commandId);
  }
  int32_t get_command_id_at(int32_t index) override {
    return CallEntry<int32_t>(Data(), &T::get_command_id_at, index);
  }
  bool set_command_id_at(int32_t index, int32_t commandId) override {
    return CallEntry<bool>(Data(), &T::set_command_id_at, index, commandId);
  }
  ustring get_label(int32_t commandId) override {
    return CallEntry<ustring>(Data(), &T::get_label, commandId);
  }
  ustring get_label_at(int32_t index) override {
    return CallEntry<ustring>(Data(), &T::get_label_at, index);
  }
  bool set_label(int32_t commandId, const ustring& label) override {
    return CallEntry<bool>(Data(), &T::set_label, commandId, label);
  }
  bool set_label_at(int32_t index, const ustring& label) override {
    return CallEntry<bool>(Data(), &T::set_label_at, index, label);
  }
  TCefMenuItemType get_type(int32_t commandId) override {
    return CallEntry<TCefMenuItemType>(Data(), &T::get_type, commandId);
  }
  TCefMenuItemType get_type_at(int32_t index) override {
    return CallEntry<TCefMenuItemType>(Data(), &T::get_type_at, index);
  }
  int32_t get_group_id(int32_t commandId) override {
    return CallEntry<int32_t>(Data(), &T::get_group_id, commandId);
  }
  int32_t get_group_id_at(int32_t index) override {
    return CallEntry<int32_t>(Data(), &T::get_group_id_at, index);
  }
  bool set_group_id(int32_t commandId, int32_t groupId) override {
    return CallEntry<bool>(Data(), &T::set_group_id, commandId, groupId);
  }
  bool set_group_id_at(int32_t index, int32_t groupId) override {
    return CallEntry<bool>(Data(), &T::set_group_id_at, index, groupId);
  }
  TMenu get_sub_menu(int32_t commandId) override {
    return CallEntry<TMenu>(Data(), &T::get_sub_menu, commandId);
  }
  TMenu get_sub_menu_at(int32_t index) override {
    return CallEntry<TMenu>(Data(), &T::get_sub_menu_at, index);
  }
  bool is_visible(int32_t commandId) override {
    return CallEntry<bool>(Data(), &T::is_visible, commandId);
  }
  bool is_visible_at(int32_t index) override {
    return CallEntry<bool>(Data(), &T::is_visible_at, index);
  }
  bool set_visible(int32_t commandId, bool visible) override {
    return CallEntry<bool>(Data(), &T::set_visible, commandId, visible);
  }
  bool set_visible_at(int32_t index, bool visible) override {
    return CallEntry<bool>(Data(), &T::set_visible_at, index, visible);
  }
  bool is_enabled(int32_t commandId) override {
    return CallEntry<bool>(Data(), &T::is_enabled, commandId);
  }
  bool is_enabled_at(int32_t index) override {
    return CallEntry<bool>(Data(), &T::is_enabled_at, index);
  }
  bool set_enabled(int32_t commandId, bool enabled) override {
    return CallEntry<bool>(Data(), &T::set_enabled, commandId, enabled);
  }
  bool set_enabled_at(int32_t index, bool enabled) override {
    return CallEntry<bool>(Data(), &T::set_enabled_at, index, enabled);
  }
  bool is_checked(int32_t commandId) override {
    return CallEntry<bool>(Data(), &T::is_checked, commandId);
  }
  bool is_checked_at(int32_t index) override {
    return CallEntry<bool>(Data(), &T::is_checked_at, index);
  }
  bool set_checked(int32_t commandId, bool checked) override {
    return CallEntry<bool>(Data(), &T::set_checked, commandId, checked);
  }
  bool set_checked_at(int32_t index, bool checked) override {
    return CallEntry<bool>(Data(), &T::set_checked_at, index, checked);
  }
  bool has_accelerator(int32_t commandId) override {
    return CallEntry<bool>(Data(), &T::has_accelerator, commandId);
  }
  bool has_accelerator_at(int32_t index) override {
    return CallEntry<bool>(Data(), &T::has_accelerator_at, index);
  }
  bool set_accelerator(int32_t commandId, int32_t keyCode, bool shiftPressed, bool ctrlPressed,
                       bool altPressed) override {
    return CallEntry<bool>(Data(), &T::set_accelerator, commandId, keyCode, shiftPressed,
                           ctrlPressed, altPressed);
  }
  bool set_accelerator_at(int32_t index, int32_t keyCode, bool shiftPressed, bool ctrlPressed,
                          bool altPressed) override {
    return CallEntry<bool>(Data(), &T::set_accelerator_at, index, keyCode, shiftPressed,
                           ctrlPressed, altPressed);
  }
  bool remove_accelerator(int32_t commandId) override {
    return CallEntry<bool>(Data(), &T::remove_accelerator, commandId);
  }
  bool remove_accelerator_at(int32_t index) override {
    return CallEntry<bool>(Data(), &T::remove_accelerator_at, index);
  }
  bool get_accelerator(int32_t commandId, int32_t& keyCode, bool& shiftPressed, bool& ctrlPressed,
                       bool& altPressed) override {
    return ReadAccelerator(&T::get_accelerator, commandId, keyCode, shiftPressed, ctrlPressed,
                           altPressed);
  }
  bool get_accelerator_at(int32_t index, int32_t& keyCode, bool& shiftPressed, bool& ctrlPressed,
                          bool& altPressed) override {
    return ReadAccelerator(&T::get_accelerator_at, index, keyCode, shiftPressed, ctrlPressed,
                           altPressed);
  }

 private:
  using TAcceleratorEntry = TCefBool(CEF_CALLBACK*)(TCefMenuModel*, int32_t, int32_t*, TCefBool*,
                                                    TCefBool*, TCefBool*);
  bool ReadAccelerator(TAcceleratorEntry T::*entry, int32_t at, int32_t& keyCode,
                       bool& shiftPressed, bool& ctrlPressed, bool& altPressed);
};

class TCefContextMenuParamsRef
    : public TCefBaseRefOf<TCefContextMenuParamsRef, ICefContextMenuParams, TCefContextMenuParams> {
  using T = TCefContextMenuParams;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  int32_t get_xcoord() override { return CallEntry<int32_t>(Data(), &T::get_xcoord); }
  int32_t get_ycoord() override { return CallEntry<int32_t>(Data(), &T::get_ycoord); }
  TCefContextMenuTypeFlags get_type_flags() override {
    return CallEntry<TCefContextMenuTypeFlags>(Data(), &T::get_type_flags);
  }
  ustring get_link_url() override { return CallEntry<ustring>(Data(), &T::get_link_url); }
  ustring get_unfiltered_link_url() override {
    return CallEntry<ustring>(Data(), &T::get_unfiltered_link_url);
  }
  ustring get_source_url() override { return CallEntry<ustring>(Data(), &T::get_source_url); }
  bool is_image_blocked() override { return CallEntry<bool>(Data(), &T::is_image_blocked); }
  ustring get_page_url() override { return CallEntry<ustring>(Data(), &T::get_page_url); }
  ustring get_frame_url() override { return CallEntry<ustring>(Data(), &T::get_frame_url); }
  ustring get_frame_charset() override { return CallEntry<ustring>(Data(), &T::get_frame_charset); }
  TCefContextMenuMediaType get_media_type() override {
    return CallEntry<TCefContextMenuMediaType>(Data(), &T::get_media_type);
  }
  TCefContextMenuMediaStateFlags get_media_state_flags() override {
    return CallEntry<TCefContextMenuMediaStateFlags>(Data(), &T::get_media_state_flags);
  }
  ustring get_selection_text() override {
    return CallEntry<ustring>(Data(), &T::get_selection_text);
  }
  bool is_editable() override { return CallEntry<bool>(Data(), &T::is_editable); }
  bool is_speech_input_enabled() override {
    return CallEntry<bool>(Data(), &T::is_speech_input_enabled);
  }
  TCefContextMenuEditStateFlags get_edit_state_flags() override {
    return CallEntry<TCefContextMenuEditStateFlags>(Data(), &T::get_edit_state_flags);
  }
};
