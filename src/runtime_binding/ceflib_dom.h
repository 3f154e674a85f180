#pragma once

#include <utility>
#include <vector>

#include "ceflib_bridge.h"
#include "ceflib_calls.h"
#include "ceflib_types.h"

// Documents, their nodes and events, and the program-side visitor and listener.

class ICefDomDocument : public virtual ICefBase {
 public:
  virtual TCefDomDocumentType get_type() = 0;
  virtual TRef<ICefDomNode> get_document() = 0;
  virtual TRef<ICefDomNode> get_body() = 0;
  virtual TRef<ICefDomNode> get_head() = 0;
  virtual ustring get_title() = 0;
  virtual TRef<ICefDomNode> get_element_by_id(const ustring& id) = 0;
  virtual TRef<ICefDomNode> get_focused_node() = 0;
  virtual bool has_selection() = 0;
  virtual TRef<ICefDomNode> get_selection_start_node() = 0;
  virtual int32_t get_selection_start_offset() = 0;
  virtual TRef<ICefDomNode> get_selection_end_node() = 0;
  virtual int32_t get_selection_end_offset() = 0;
  virtual ustring get_selection_as_markup() = 0;
  virtual ustring get_selection_as_text() = 0;
  virtual ustring get_base_url() = 0;
  virtual ustring get_complete_url(const ustring& partialURL) = 0;
};

class ICefDomNode : public virtual ICefBase {
 public:
  virtual TCefDomNodeType get_type() = 0;
  virtual bool is_text() = 0;
  virtual bool is_element() = 0;
  virtual bool is_editable() = 0;
  virtual bool is_form_control_element() = 0;
  virtual ustring get_form_control_element_type() = 0;
  virtual bool is_same(const TRef<ICefDomNode>& that) = 0;
  virtual ustring get_name() = 0;
  virtual ustring get_value() = 0;
  virtual bool set_value(const ustring& value) = 0;
  virtual ustring get_as_markup() = 0;
  virtual TRef<ICefDomDocument> get_document() = 0;
  virtual TRef<ICefDomNode> get_parent() = 0;
  virtual TRef<ICefDomNode> get_previous_sibling() = 0;
  virtual TRef<ICefDomNode> get_next_sibling() = 0;
  virtual bool has_children() = 0;
  virtual TRef<ICefDomNode> get_first_child() = 0;
  virtual TRef<ICefDomNode> get_last_child() = 0;
  virtual void add_event_listener(const ustring& eventType,
                                  const TRef<ICefDomEventListener>& listener, bool useCapture) = 0;
  virtual void add_event_listener(const ustring& eventType, const TCefDomEventListenerProc& proc,
                                  bool useCapture) = 0;
  virtual ustring get_element_tag_name() = 0;
  virtual bool has_element_attributes() = 0;
  virtual bool has_element_attribute(const ustring& attrName) = 0;
  virtual ustring get_element_attribute(const ustring& attrName) = 0;
  // Appends name/value pairs to attributes.
  virtual void get_element_attributes(std::vector<std::pair<ustring, ustring>>& attributes) = 0;
  virtual bool set_element_attribute(const ustring& attrName, const ustring& value) = 0;
  virtual ustring get_element_inner_text() = 0;
};

class ICefDomEvent : public virtual ICefBase {
 public:
  virtual ustring get_type() = 0;
  virtual TCefDomEventCategory get_category() = 0;
  virtual TCefDomEventPhase get_phase() = 0;
  virtual bool can_bubble() = 0;
  virtual bool can_cancel() = 0;
  virtual TRef<ICefDomDocument> get_document() = 0;
  virtual TRef<ICefDomNode> get_target() = 0;
  virtual TRef<ICefDomNode> get_current_target() = 0;
};

class ICefDomVisitor : public virtual ICefBase {
 public:
  virtual void visit(const TRef<ICefDomDocument>& document) = 0;
};

class TCefDomVisitorOwn : public TCefBaseOwn, public ICefDomVisitor {
 public:
  TCefDomVisitorOwn();
  void visit(const TRef<ICefDomDocument>&) override {}
};

class TCefFastDomVisitor : public TCefDomVisitorOwn {
 public:
  explicit TCefFastDomVisitor(TCefDomVisitorProc proc) : FProc(std::move(proc)) {}
  void visit(const TRef<ICefDomDocument>& document) override { FProc(document); }

 private:
  TCefDomVisitorProc FProc;
};

class ICefDomEventListener : public virtual ICefBase {
 public:
  virtual void handle_event(const TRef<ICefDomEvent>& event) = 0;
};

class TCefDomEventListenerOwn : public TCefBaseOwn, public ICefDomEventListener {
 public:
  TCefDomEventListenerOwn();
  void handle_event(const TRef<ICefDomEvent>&) override {}
};

class TCefFastDomEventListener : public TCefDomEventListenerOwn {
 public:
  explicit TCefFastDomEventListener(TCefDomEventListenerProc proc) : FProc(std::move(proc)) {}
  void handle_event(const TRef<ICefDomEvent>& event) override {
    TCefDomEventListenerOwn::handle_event(event);
    FProc(event);
  }

 private:
  TCefDomEventListenerProc FProc;
};

CEF_WRAPS(TCefDomDocumentRef, ICefDomDocument, TCefDomDocument);
CEF_WRAPS(TCefDomNodeRef, ICefDomNode, TCefDomNode);
CEF_WRAPS(TCefDomEventRef, ICefDomEvent, TCefDomEvent);

class TCefDomDocumentRef
    : public TCefBaseRefOf<TCefDomDocumentRef, ICefDomDocument, TCefDomDocument> {
  using T = TCefDomDocument;
  using TNode = TRef<ICefDomNode>;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  TCefDomDocumentType get_type() override {
    return CallEntry<TCefDomDocumentType>(Data(), &T::get_type);
  }
  TNode get_document() override { return CallEntry<TNode>(Data(), &T::get_document); }
  TNode get_body() override { return CallEntry<TNode>(Data(), &T::get_body); }
  TNode get_head() override { return CallEntry<TNode>(Data(), &T::get_head); }
  ustring get_title() override { return CallEntry<ustring>(Data(), &T::get_title); }
  TNode get_element_by_id(const ustring& id) override {
    return CallEntry<TNode>(Data(), &T::get_element_by_id, id);
  }
  TNode get_focused_node() override { return CallEntry<TNode>(Data(), &T::get_focused_node); }
  bool has_selection() override { return CallEntry<bool>(Data(), &T::has_selection); }
  TNode get_selection_start_node() override {
    return CallEntry<TNode>(Data(), &T::get_selection_start_node);
  }
  int32_t get_selection_start_offset() override {
    return CallEntry<int32_t>(Data(), &T::get_selection_start_offset);
  }
  TNode get_selection_end_node() override {
    return CallEntry<TNode>(Data(), &T::get_selection_end_node);
  }
  int32_t get_selection_end_offset() override {
    return CallEntry<int32_t>(Data(), &T::get_selection_end_offset);
  }
  ustring get_selection_as_markup() override {
    return CallEntry<ustring>(Data(), &T::get_selection_as_markup);
  }
  ustring get_selection_as_text() override {
    return CallEntry<ustring>(Data(), &T::get_selection_as_text);
  }
  ustring get_base_url() override { return CallEntry<ustring>(Data(), &T::get_base_url); }
  ustring get_complete_url(const ustring& partialURL) override {
    return CallEntry<ustring>(Data(), &T::get_complete_url, partialURL);
  }
};

class TCefDomNodeRef : public TCefBaseRefOf<TCefDomNodeRef, ICefDomNode, TCefDomNode> {
  using T = TCefDomNode;
  using TNode = TRef<ICefDomNode>;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  TCefDomNodeType get_type() override { return CallEntry<TCefDomNodeType>(Data(), &T::get_type); }
  bool is_text() override { return CallEntry<bool>(Data(), &T::is_text); }
  bool is_element() override { return CallEntry<bool>(Data(), &T::is_element); }
  bool is_editable() override { return CallEntry<bool>(Data(), &T::is_editable); }
  bool is_form_control_element() override {
    return CallEntry<bool>(Data(), &T::is_form_control_element);
  }
  ustring get_form_control_element_type() override {
    return CallEntry<ustring>(Data(), &T::get_form_control_element_type);
  }
  bool is_same(const TNode& that) override { return CallEntry<bool>(Data(), &T::is_same, that); }
  ustring get_name() override { return CallEntry<ustring>(Data(), &T::get_name); }
  ustring get_value() override { return CallEntry<ustring>(Data(), &T::get_value); }
  bool set_value(const ustring& value) override {
    return CallEntry<bool>(Data(), &T::set_value, value);
  }
  ustring get_as_markup() override { return CallEntry<ustring>(Data(), &T::get_as_markup); }
  TRef<ICefDomDocument> get_document() override {
    return CallEntry<TRef<ICefDomDocument>>(Data(), &T::get_document);
  }
  TNode get_parent() override { return CallEntry<TNode>(Data(), &T::get_parent); }
  TNode get_previous_sibling() override {
    return CallEntry<TNode>(Data(), &T::get_previous_sibling);
  }
  TNode get_next_sibling() override { return CallEntry<TNode>(Data(), &T::get_next_sibling); }
  bool has_children() override { return CallEntry<bool>(Data(), &T::has_children); }
  TNode get_first_child() override { return CallEntry<TNode>(Data(), &T::get_first_child); }
  TNode get_last_child() override { return CallEntry<TNode>(Data(), &T::get_last_child); }
  void add_event_listener(const ustring& eventType, const TRef<ICefDomEventListener>& listener,
                          bool useCapture) override {
    CallEntry<void>(Data(), &T::add_event_listener, eventType, listener, useCapture);
  }
  void add_event_listener(const ustring& eventType, const TCefDomEventListenerProc& proc,
                          bool useCapture) override {
    add_event_listener(eventType, TRef<ICefDomEventListener>(new TCefFastDomEventListener(proc)),
                       useCapture);
  }
  ustring get_element_tag_name() override {
    return CallEntry<ustring>(Data(), &T::get_element_tag_name);
  }
  bool has_element_attributes() override {
    return CallEntry<bool>(Data(), &T::has_element_attributes);
  }
  bool has_element_attribute(const ustring& attrName) override {
    return CallEntry<bool>(Data(), &T::has_element_attribute, attrName);
  }
  ustring get_element_attribute(const ustring& attrName) override {
    return CallEntry<ustring>(Data(), &T::get_element_attribute, attrName);
  }
  void get_element_attributes(std::vector<std::pair<ustring, ustring>>& attributes) override;
  bool set_element_attribute(const ustring& attrName, const ustring& value) override {
    return CallEntry<bool>(Data(), &T::set_element_attribute, attrName, value);
  }
  ustring get_element_inner_text() override {
    return CallEntry<ustring>(Data(), &T::get_element_inner_text);
  }
};

class TCefDomEventRef : public TCefBaseRefOf<TCefDomEventRef, ICefDomEvent, TCefDomEvent> {
  using T = TCefDomEvent;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  ustring get_type() override { return CallEntry<ustring>(Data(), &T::get_type); }
  TCefDomEventCategory get_category() override {
    return CallEntry<TCefDomEventCategory>(Data(), &T::get_category);
  }
  TCefDomEventPhase get_phase() override {
    return CallEntry<TCefDomEventPhase>(Data(), &T::get_phase);
  }
  bool can_bubble() override { return CallEntry<bool>(Data(), &T::can_bubble); }
  bool can_cancel() override { return CallEntry<bool>(Data(), &T::can_cancel); }
  TRef<ICefDomDocument> get_document() override {
    return CallEntry<TRef<ICefDomDocument>>(Data(), &T::get_document);
  }
  TRef<ICefDomNode> get_target() override {
    return CallEntry<TRef<ICefDomNode>>(Data(), &T::get_target);
  }
  TRef<ICefDomNode> get_current_target() override {
    return CallEntry<TRef<ICefDomNode>>(Data(), &T::get_current_target);
  }
};
