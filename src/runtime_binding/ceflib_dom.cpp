#include "ceflib_dom.h"

#include "ceflib_entries.h"

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
