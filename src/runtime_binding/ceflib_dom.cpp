#include "ceflib_dom.h"

#include "ceflib_entries.h"

TRef<ICefDomDocument> FromRuntime(TCefDomDocument* data) {
  return TCefDomDocumentRef::UnWrap(data);
}

TRef<ICefDomNode> FromRuntime(TCefDomNode* data) {
  return TCefDomNodeRef::UnWrap(data);
}

TRef<ICefDomEvent> FromRuntime(TCefDomEvent* data) {
  return TCefDomEventRef::UnWrap(data);
}

TCefDomVisitorOwn::TCefDomVisitorOwn() : TCefBaseOwn(sizeof(TCefDomVisitor)) {
  SetEntry<&ICefDomVisitor::visit>(this, Data<TCefDomVisitor>()->visit);
}

TCefDomEventListenerOwn::TCefDomEventListenerOwn() : TCefBaseOwn(sizeof(TCefDomEventListener)) {
  SetEntry<&ICefDomEventListener::handle_event>(this, Data<TCefDomEventListener>()->handle_event);
}

void TCefDomNodeRef::get_element_attributes(std::vector<std::pair<ustring, ustring>>& attributes) {
  TRuntimeStringMapHolder map;
  CallEntry<void>(Data(), &T::get_element_attributes, map.get());
  map.ReadInto(attributes);
}
