#pragma once

#include <cstdint>

#include "cef_capi.h"

// Layout of the XML reader, which the shared interface leaves opaque (see RtStream.h). It
// walks a document node by node; after an error it moves no further and get_error says why.
extern "C" {

typedef enum TCefXmlNodeType {
  XML_NODE_UNSUPPORTED,
  XML_NODE_PROCESSING_INSTRUCTION,
  XML_NODE_DOCUMENT_TYPE,
  XML_NODE_ELEMENT_START,
  XML_NODE_ELEMENT_END,
  XML_NODE_ATTRIBUTE,
  XML_NODE_TEXT,
  XML_NODE_CDATA,
  XML_NODE_ENTITY_REFERENCE,
  XML_NODE_WHITESPACE,
  XML_NODE_COMMENT
} TCefXmlNodeType;

struct TCefXmlReader {
  TCefBase base;
  int32_t(CEF_CALLBACK* move_to_next_node)(TCefXmlReader* self);
  // Frees the parser and the stream; every entry then answers nothing.
  int32_t(CEF_CALLBACK* close)(TCefXmlReader* self);
  int32_t(CEF_CALLBACK* has_error)(TCefXmlReader* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_error)(TCefXmlReader* self);
  TCefXmlNodeType(CEF_CALLBACK* get_type)(TCefXmlReader* self);
  int32_t(CEF_CALLBACK* get_depth)(TCefXmlReader* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_local_name)(TCefXmlReader* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_prefix)(TCefXmlReader* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_qualified_name)(TCefXmlReader* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_namespace_uri)(TCefXmlReader* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_base_uri)(TCefXmlReader* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_xml_lang)(TCefXmlReader* self);
  int32_t(CEF_CALLBACK* is_empty_element)(TCefXmlReader* self);
  int32_t(CEF_CALLBACK* has_value)(TCefXmlReader* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_value)(TCefXmlReader* self);
  int32_t(CEF_CALLBACK* has_attributes)(TCefXmlReader* self);
  size_t(CEF_CALLBACK* get_attribute_count)(TCefXmlReader* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_attribute_byindex)(TCefXmlReader* self, int32_t index);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_attribute_byqname)(TCefXmlReader* self,
                                                               TCefConstString* qualifiedName);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_attribute_bylname)(TCefXmlReader* self,
                                                               TCefConstString* localName,
                                                               TCefConstString* namespaceURI);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_inner_xml)(TCefXmlReader* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_outer_xml)(TCefXmlReader* self);
  int32_t(CEF_CALLBACK* get_line_number)(TCefXmlReader* self);
  int32_t(CEF_CALLBACK* move_to_attribute_byindex)(TCefXmlReader* self, int32_t index);
  int32_t(CEF_CALLBACK* move_to_attribute_byqname)(TCefXmlReader* self,
                                                   TCefConstString* qualifiedName);
  int32_t(CEF_CALLBACK* move_to_attribute_bylname)(TCefXmlReader* self, TCefConstString* localName,
                                                   TCefConstString* namespaceURI);
  int32_t(CEF_CALLBACK* move_to_first_attribute)(TCefXmlReader* self);
  int32_t(CEF_CALLBACK* move_to_next_attribute)(TCefXmlReader* self);
  int32_t(CEF_CALLBACK* move_to_carrying_element)(TCefXmlReader* self);
};

}  // extern "C"
