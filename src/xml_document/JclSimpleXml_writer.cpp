// Writers of the element kinds: every element is followed by CR LF and children are indented
// when sxoAutoIndent is set.

#include <vector>

#include "JclSimpleXml.h"
#include "JclSimpleXml_text.h"

namespace {

// "[namespace:]name".
void WriteQualifiedName(TJclStringStream& stream, const TJclSimpleXMLData& item) {
  if (!item.NameSpace().empty()) {
    stream.WriteString(item.NameSpace());
    stream.WriteString(":");
  }
  stream.WriteString(item.Name());
}

// The value as owner's document encodes it, fully encoded without an owner; produced straight
// into the output where the stream allows.
void WriteEncodedValue(TJclStringStream& stream, const TJclSimpleXMLElem* owner,
                       std::string_view value) {
  stream.WriteProduced([&](std::string& out) {
    if (owner)
      owner->AppendEncodedValue(out, value);
    else
      AppendFullEncoded(out, value);
  });
}

}  // namespace

std::string_view TJclSimpleXMLElem::LineEnd() const {
  return Options().Contains(sxoAutoIndent) ? "\r\n" : "";
}

void TJclSimpleXMLProp::SaveToStringStream(TJclStringStream& stream) const {
  stream.WriteString(" ");
  WriteQualifiedName(stream, *this);
  stream.WriteString("=\"");
  WriteEncodedValue(stream, FParent, FValue);
  stream.WriteString("\"");
}

void TJclSimpleXMLProps::SaveToStringStream(TJclStringStream& stream) const {
  for (const auto& prop : FProperties) prop->SaveToStringStream(stream);
}

// Written with a stack of open elements rather than one call per level, so that no depth of
// tree can exhaust the stack. Each open element's level is a prefix of its children's, so one
// string holds them all.
void TJclSimpleXMLElemClassic::SaveToStringStream(TJclStringStream& stream,
                                                  std::string_view level) {
  struct TOpenElement {
    TJclSimpleXMLElemClassic* Elem;
    size_t LevelLength;
    size_t NextChild;
  };
  std::string levels(level);
  std::vector<TOpenElement> open;
  const auto enter = [&](TJclSimpleXMLElemClassic& elem) {
    if (!elem.WriteStart(stream, levels)) return;
    open.push_back({&elem, levels.size(), 0});
    levels += elem.ChildIndent();
  };
  enter(*this);
  while (!open.empty()) {
    TOpenElement& top = open.back();
    if (top.NextChild == top.Elem->ItemCount()) {
      levels.resize(top.LevelLength);
      top.Elem->WriteEnd(stream, levels);
      open.pop_back();
      continue;
    }
    TJclSimpleXMLElem* child = top.Elem->Items().Item(top.NextChild++);
    if (auto* classic = dynamic_cast<TJclSimpleXMLElemClassic*>(child))
      enter(*classic);
    else
      child->SaveToStringStream(stream, levels);
  }
}

// Names are written as they are, like attribute names: encoding one that holds characters
// above 127 would make it unreadable. An unnamed element is written as its children only.
bool TJclSimpleXMLElemClassic::WriteStart(TJclStringStream& stream, std::string_view level) {
  if (FName.empty()) {
    if (HasItems()) return true;
    NotifySaved();
    return false;
  }
  stream.WriteString(level);
  stream.WriteString("<");
  WriteQualifiedName(stream, *this);
  if (HasProperties()) Properties().SaveToStringStream(stream);
  if (HasItems()) {
    stream.WriteString(">");
    stream.WriteString(LineEnd());
    return true;
  }
  if (!FValue.empty()) {
    stream.WriteString(">");
    WriteEncodedValue(stream, this, FValue);
    WriteEndTag(stream);
  } else {
    stream.WriteString("/>");
    stream.WriteString(LineEnd());
  }
  NotifySaved();
  return false;
}

void TJclSimpleXMLElemClassic::WriteEnd(TJclStringStream& stream, std::string_view level) {
  if (!FName.empty()) {
    stream.WriteString(level);
    WriteEndTag(stream);
  }
  NotifySaved();
}

std::string_view TJclSimpleXMLElemClassic::ChildIndent() const {
  if (FName.empty() || !Options().Contains(sxoAutoIndent)) return {};
  return SimpleXML() ? std::string_view(SimpleXML()->IndentString()) : std::string_view("  ");
}

void TJclSimpleXMLElemClassic::WriteEndTag(TJclStringStream& stream) const {
  stream.WriteString("</");
  WriteQualifiedName(stream, *this);
  stream.WriteString(">");
  stream.WriteString(LineEnd());
}

void TJclSimpleXMLElemText::SaveToStringStream(TJclStringStream& stream, std::string_view level) {
  if (!FValue.empty()) {
    stream.WriteString(level);
    WriteEncodedValue(stream, this, FValue);
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
  WriteQualifiedName(stream, *this);
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
