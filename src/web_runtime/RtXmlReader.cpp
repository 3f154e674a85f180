// The XML reader on libxml2's text reader, fed from a stream reader. The parser fetches no
// network resources and substitutes no entities, and libxml2 bounds what a document may
// expand to.

#include "RtXmlReader.h"

#include <libxml/xmlreader.h>

#include <string>

#include "RtGuard.h"
#include "RtObject.h"
#include "RtStream.h"
#include "RtStrings.h"
#include "RtText.h"

namespace {

const char* EncodingName(TCefXmlEncodingType encoding) {
  switch (encoding) {
    case XML_ENCODING_UTF8:
      return "UTF-8";
    case XML_ENCODING_UTF16LE:
      return "UTF-16LE";
    case XML_ENCODING_UTF16BE:
      return "UTF-16BE";
    case XML_ENCODING_ASCII:
      return "US-ASCII";
    case XML_ENCODING_NONE:
      break;
  }
  return nullptr;  // the document says, or UTF-8
}

TCefXmlNodeType NodeTypeOf(int readerType) {
  switch (readerType) {
    case XML_READER_TYPE_PROCESSING_INSTRUCTION:
      return XML_NODE_PROCESSING_INSTRUCTION;
    case XML_READER_TYPE_DOCUMENT_TYPE:
      return XML_NODE_DOCUMENT_TYPE;
    case XML_READER_TYPE_ELEMENT:
      return XML_NODE_ELEMENT_START;
    case XML_READER_TYPE_END_ELEMENT:
      return XML_NODE_ELEMENT_END;
    case XML_READER_TYPE_ATTRIBUTE:
      return XML_NODE_ATTRIBUTE;
    case XML_READER_TYPE_TEXT:
      return XML_NODE_TEXT;
    case XML_READER_TYPE_CDATA:
      return XML_NODE_CDATA;
    case XML_READER_TYPE_ENTITY_REFERENCE:
      return XML_NODE_ENTITY_REFERENCE;
    case XML_READER_TYPE_WHITESPACE:
    case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
      return XML_NODE_WHITESPACE;
    case XML_READER_TYPE_COMMENT:
      return XML_NODE_COMMENT;
    default:
      return XML_NODE_UNSUPPORTED;
  }
}

const char* AsText(const xmlChar* text) {
  return reinterpret_cast<const char*>(text);
}

const xmlChar* AsXml(const std::string& text) {
  return reinterpret_cast<const xmlChar*>(text.c_str());
}

// No namespace is null to libxml2, not empty.
const xmlChar* AsNamespace(const std::string& uri) {
  return uri.empty() ? nullptr : AsXml(uri);
}

TCefStringUserFreeUtf16 CopyOfXml(const xmlChar* text) {
  return NewUserFree(TextOrEmpty(AsText(text)));
}

// Text libxml2 allocated for the caller, copied and freed.
TCefStringUserFreeUtf16 TakeXml(xmlChar* text) {
  TCefStringUserFreeUtf16 copy = CopyOfXml(text);
  xmlFree(text);
  return copy;
}

class TRtXmlReader final : public TRtCounted {
 public:
  // Null when the parser cannot be set up; the stream's reference is taken either way.
  static TCefXmlReader* New(TCefStreamReader* stream, TCefXmlEncodingType encoding,
                            const std::string& uri) {
    TClientRef<TCefStreamReader> held(stream);
    if (!stream || !stream->read) return nullptr;
    auto* reader = new TRtXmlReader(std::move(held));
    reader->FReader =
        xmlReaderForIO(ReadStream, nullptr, reader, uri.empty() ? nullptr : uri.c_str(),
                       EncodingName(encoding), XML_PARSE_NONET);
    if (!reader->FReader) {
      reader->Release();
      return nullptr;
    }
    xmlTextReaderSetStructuredErrorHandler(reader->FReader, NoteError, reader);
    return &reader->FFace.Struct;
  }

 private:
  explicit TRtXmlReader(TClientRef<TCefStreamReader> stream) : FStream(std::move(stream)) {
    InitFace(FFace, this);
    TCefXmlReader& face = FFace.Struct;
    face.move_to_next_node = move_to_next_node;
    face.close = close;
    face.has_error = has_error;
    face.get_error = get_error;
    face.get_type = get_type;
    face.get_depth = get_depth;
    face.get_local_name = NodeText<xmlTextReaderConstLocalName>;
    face.get_prefix = NodeText<xmlTextReaderConstPrefix>;
    face.get_qualified_name = NodeText<xmlTextReaderConstName>;
    face.get_namespace_uri = NodeText<xmlTextReaderConstNamespaceUri>;
    face.get_base_uri = NodeText<xmlTextReaderConstBaseUri>;
    face.get_xml_lang = NodeText<xmlTextReaderConstXmlLang>;
    face.is_empty_element = Flag<xmlTextReaderIsEmptyElement>;
    face.has_value = Flag<xmlTextReaderHasValue>;
    face.get_value = NodeText<xmlTextReaderConstValue>;
    face.has_attributes = Flag<xmlTextReaderHasAttributes>;
    face.get_attribute_count = get_attribute_count;
    face.get_attribute_byindex = get_attribute_byindex;
    face.get_attribute_byqname = get_attribute_byqname;
    face.get_attribute_bylname = get_attribute_bylname;
    face.get_inner_xml = Markup<xmlTextReaderReadInnerXml>;
    face.get_outer_xml = Markup<xmlTextReaderReadOuterXml>;
    face.get_line_number = get_line_number;
    face.move_to_attribute_byindex = move_to_attribute_byindex;
    face.move_to_attribute_byqname = move_to_attribute_byqname;
    face.move_to_attribute_bylname = move_to_attribute_bylname;
    face.move_to_first_attribute = Flag<xmlTextReaderMoveToFirstAttribute>;
    face.move_to_next_attribute = Flag<xmlTextReaderMoveToNextAttribute>;
    face.move_to_carrying_element = Flag<xmlTextReaderMoveToElement>;
  }
  ~TRtXmlReader() override { Close(); }

  void Close() {
    if (FReader) xmlFreeTextReader(FReader);
    FReader = nullptr;
    FStream.reset();
  }

  // libxml2 pulls the document through here; -1 tells it the stream failed.
  static int ReadStream(void* context, char* buffer, int length) {
    return Guarded(
        "xml reader input",
        [&] {
          auto& stream = static_cast<TRtXmlReader*>(context)->FStream;
          if (!stream || length < 0) return -1;
          return int(stream->read(stream.get(), buffer, 1, size_t(length)));
        },
        -1);
  }

  static void NoteError(void* context, xmlErrorPtr error) {
    Guarded("xml reader error", [&] {
      if (error && error->level == XML_ERR_WARNING) return;
      auto* reader = static_cast<TRtXmlReader*>(context);
      std::string message = TextOrEmpty(error ? error->message : nullptr);
      while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
      if (!reader->FError.empty()) reader->FError += '\n';
      reader->FError += "line " + std::to_string(error ? error->line : 0) + ": " + message;
    });
  }

  static TRtXmlReader& Of(TCefXmlReader* self) { return OwnerOf<TRtXmlReader>(self); }

  // Asks the open parser; the fallback once closed or on failure.
  template <class TResult, class TAsk>
  static TResult Ask(TCefXmlReader* self, TResult fallback, TAsk ask) {
    return Guarded(
        "xml reader entry",
        [&] {
          xmlTextReaderPtr reader = Of(self).FReader;
          return reader ? TResult(ask(reader)) : fallback;
        },
        fallback);
  }
  // A yes-or-no question: libxml2 answers 1, 0 or -1 for failure.
  template <class TAsk>
  static int32_t Check(TCefXmlReader* self, TAsk ask) {
    return Ask(self, int32_t(0), [&](xmlTextReaderPtr reader) { return ask(reader) == 1; });
  }
  template <class TAsk>
  static TCefStringUserFreeUtf16 Text(TCefXmlReader* self, TAsk ask) {
    return Ask(self, TCefStringUserFreeUtf16(nullptr), ask);
  }

  // Nothing more after an error.
  static int32_t CEF_CALLBACK move_to_next_node(TCefXmlReader* self) {
    TRtXmlReader& owner = Of(self);
    if (!owner.FError.empty()) return 0;
    const int read = Ask(self, 0, xmlTextReaderRead);
    if (read < 0 && owner.FError.empty()) owner.FError = "the document is not well-formed";
    return read == 1;
  }
  static int32_t CEF_CALLBACK close(TCefXmlReader* self) {
    Of(self).Close();
    return 1;
  }
  static int32_t CEF_CALLBACK has_error(TCefXmlReader* self) { return !Of(self).FError.empty(); }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_error(TCefXmlReader* self) {
    return Guarded(
        "xml reader entry", [&] { return NewUserFree(Of(self).FError); },
        TCefStringUserFreeUtf16(nullptr));
  }
  static TCefXmlNodeType CEF_CALLBACK get_type(TCefXmlReader* self) {
    return Ask(self, XML_NODE_UNSUPPORTED,
               [](xmlTextReaderPtr reader) { return NodeTypeOf(xmlTextReaderNodeType(reader)); });
  }
  static int32_t CEF_CALLBACK get_depth(TCefXmlReader* self) {
    return Ask(self, int32_t(-1), xmlTextReaderDepth);
  }
  static size_t CEF_CALLBACK get_attribute_count(TCefXmlReader* self) {
    return Ask(self, size_t(0), [](xmlTextReaderPtr reader) {
      const int count = xmlTextReaderAttributeCount(reader);
      return count > 0 ? size_t(count) : 0;
    });
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_attribute_byindex(TCefXmlReader* self,
                                                                    int32_t index) {
    return Text(self,
                [&](xmlTextReaderPtr r) { return TakeXml(xmlTextReaderGetAttributeNo(r, index)); });
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_attribute_byqname(TCefXmlReader* self,
                                                                    TCefConstString* name) {
    return Text(self, [&](xmlTextReaderPtr r) {
      return TakeXml(xmlTextReaderGetAttribute(r, AsXml(ToUtf8(name))));
    });
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_attribute_bylname(TCefXmlReader* self,
                                                                    TCefConstString* localName,
                                                                    TCefConstString* uri) {
    return Text(self, [&](xmlTextReaderPtr r) {
      return TakeXml(
          xmlTextReaderGetAttributeNs(r, AsXml(ToUtf8(localName)), AsNamespace(ToUtf8(uri))));
    });
  }
  // Entries that are one libxml2 call about the current node.
  template <const xmlChar* (*Read)(xmlTextReaderPtr)>
  static TCefStringUserFreeUtf16 CEF_CALLBACK NodeText(TCefXmlReader* self) {
    return Text(self, [](xmlTextReaderPtr reader) { return CopyOfXml(Read(reader)); });
  }
  template <xmlChar* (*Read)(xmlTextReaderPtr)>
  static TCefStringUserFreeUtf16 CEF_CALLBACK Markup(TCefXmlReader* self) {
    return Text(self, [](xmlTextReaderPtr reader) { return TakeXml(Read(reader)); });
  }
  template <int (*Question)(xmlTextReaderPtr)>
  static int32_t CEF_CALLBACK Flag(TCefXmlReader* self) {
    return Check(self, Question);
  }
  static int32_t CEF_CALLBACK get_line_number(TCefXmlReader* self) {
    return Ask(self, int32_t(-1), xmlTextReaderGetParserLineNumber);
  }
  static int32_t CEF_CALLBACK move_to_attribute_byindex(TCefXmlReader* self, int32_t index) {
    return Check(self,
                 [&](xmlTextReaderPtr r) { return xmlTextReaderMoveToAttributeNo(r, index); });
  }
  static int32_t CEF_CALLBACK move_to_attribute_byqname(TCefXmlReader* self,
                                                        TCefConstString* name) {
    return Check(self, [&](xmlTextReaderPtr r) {
      return xmlTextReaderMoveToAttribute(r, AsXml(ToUtf8(name)));
    });
  }
  static int32_t CEF_CALLBACK move_to_attribute_bylname(TCefXmlReader* self,
                                                        TCefConstString* localName,
                                                        TCefConstString* uri) {
    return Check(self, [&](xmlTextReaderPtr r) {
      return xmlTextReaderMoveToAttributeNs(r, AsXml(ToUtf8(localName)), AsNamespace(ToUtf8(uri)));
    });
  }

  TFace<TCefXmlReader> FFace;
  TClientRef<TCefStreamReader> FStream;
  xmlTextReaderPtr FReader = nullptr;
  std::string FError;  // empty while the document reads well
};

}  // namespace

extern "C" {

TCefXmlReader* cef_xml_reader_create(TCefStreamReader* stream, TCefXmlEncodingType encoding,
                                     TCefConstString* uri) {
  return Guarded(
      "cef_xml_reader_create", [&] { return TRtXmlReader::New(stream, encoding, ToUtf8(uri)); },
      (TCefXmlReader*)nullptr);
}

}  // extern "C"
