// Writers of the element kinds: every element is followed by CR LF and children are indented
// when sxoAutoIndent is set.

#include "JclSimpleXml.h"
#include "JclSimpleXml_text.h"

std::string_view TJclSimpleXMLElem::LineEnd() const {
  return Options().Contains(sxoAutoIndent) ? "\r\n" : "";
}

void TJclSimpleXMLProp::SaveToStringStream(TJclStringStream& stream) const {
  stream.WriteString(" ");
  if (!FNameSpace.empty()) {
    stream.WriteString(FNameSpace);
    stream.WriteString(":");
  }
  stream.WriteString(FName);
  stream.WriteString("=\"");
  stream.WriteString(FParent ? FParent->EncodeValue(FValue) : FullEncode(FValue));
  stream.WriteString("\"");
}

void TJclSimpleXMLProps::SaveToStringStream(TJclStringStream& stream) const {
  for (const auto& prop : FProperties) prop->SaveToStringStream(stream);
}

// Names are written as they are, like attribute names: encoding one that holds characters
// above 127 would make it unreadable.
void TJclSimpleXMLElemClassic::SaveToStringStream(TJclStringStream& stream,
                                                  std::string_view level) {
  if (FName.empty()) {
    if (HasItems())
      for (TJclSimpleXMLElem* child : Items()) child->SaveToStringStream(stream, level);
  } else {
    const std::string fullName = FullName();
    stream.WriteString(level);
    stream.WriteString("<");
    stream.WriteString(fullName);
    if (HasProperties()) Properties().SaveToStringStream(stream);
    if (HasItems()) {
      SaveChildren(stream, level);
      stream.WriteString(level);
      WriteEndTag(stream, fullName);
    } else if (!FValue.empty()) {
      stream.WriteString(">");
      stream.WriteString(EncodeValue(FValue));
      WriteEndTag(stream, fullName);
    } else {
      stream.WriteString("/>");
      stream.WriteString(LineEnd());
    }
  }
  NotifySaved();
}

void TJclSimpleXMLElemClassic::SaveChildren(TJclStringStream& stream, std::string_view level) {
  stream.WriteString(">");
  stream.WriteString(LineEnd());
  std::string childLevel(level);
  if (Options().Contains(sxoAutoIndent))
    childLevel += SimpleXML() ? SimpleXML()->IndentString() : std::string("  ");
  for (TJclSimpleXMLElem* child : Items()) child->SaveToStringStream(stream, childLevel);
}

void TJclSimpleXMLElemClassic::WriteEndTag(TJclStringStream& stream,
                                           std::string_view fullName) const {
  stream.WriteString("</");
  stream.WriteString(fullName);
  stream.WriteString(">");
  stream.WriteString(LineEnd());
}

void TJclSimpleXMLElemText::SaveToStringStream(TJclStringStream& stream, std::string_view level) {
  if (!FValue.empty()) {
    stream.WriteString(level);
    stream.WriteString(EncodeValue(FValue));
    stream.WriteString(LineEnd());
  }
  NotifySaved();
}

// Comment, CDATA and document-type bodies are written as they are.
void TJclSimpleXMLElemComment::SaveToStringStream(TJclStringStream& stream,
                                                  std::string_view level) {
  stream.WriteString(level);
  stream.WriteString("<!--");
  stream.WriteString(FValue);
  stream.WriteString("-->");
  stream.WriteString(LineEnd());
  NotifySaved();
}

void TJclSimpleXMLElemCData::SaveToStringStream(TJclStringStream& stream, std::string_view level) {
  stream.WriteString(level);
  stream.WriteString("<![CDATA[");
  stream.WriteString(FValue);
  stream.WriteString("]]>");
  stream.WriteString(LineEnd());
  NotifySaved();
}

void TJclSimpleXMLElemDocType::SaveToStringStream(TJclStringStream& stream,
                                                  std::string_view level) {
  stream.WriteString(level);
  stream.WriteString("<!DOCTYPE ");
  stream.WriteString(FValue);
  stream.WriteString(">");
  stream.WriteString(LineEnd());
  NotifySaved();
}

void TJclSimpleXMLElemProcessingInstruction::SaveToStringStream(TJclStringStream& stream,
                                                                std::string_view level) {
  stream.WriteString(level);
  stream.WriteString("<?");
  if (!FNameSpace.empty()) {
    stream.WriteString(FNameSpace);
    stream.WriteString(":");
  }
  stream.WriteString(FName);
  if (HasProperties()) Properties().SaveToStringStream(stream);
  stream.WriteString("?>");
  stream.WriteString(LineEnd());
  NotifySaved();
}

void TJclSimpleXMLElemHeader::SaveToStringStream(TJclStringStream& stream, std::string_view level) {
  CompleteAttributes();
  TJclSimpleXMLElemProcessingInstruction::SaveToStringStream(stream, level);
}

void TJclSimpleXMLElemsProlog::SaveToStringStream(TJclStringStream& stream) {
  EnsureHeader();
  for (const auto& item : FElems) item->SaveToStringStream(stream, {});
}
