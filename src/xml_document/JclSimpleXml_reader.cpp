// The one-pass reader: a small state machine per element kind over the character stream.

#include <algorithm>

#include "JclSimpleXml.h"
#include "JclSimpleXml_text.h"

using namespace std::string_view_literals;

namespace {

long long Position(const TJclStringStream& stream) {
  return static_cast<long long>(stream.PeekPosition());
}

[[noreturn]] void RaiseAt(const char* message, const TJclStringStream& stream) {
  throw EJclSimpleXMLError(Format("%s at position %lld", message, Position(stream)));
}

// The text around the quoted character found, kept apart so every format string is a literal.
struct TFoundMessage {
  const char* Before;
  const char* After;
  const char* Closing = "";
};

[[noreturn]] void RaiseFound(const TFoundMessage& message, char32_t found,
                             const TJclStringStream& stream) {
  throw EJclSimpleXMLError(Format("%s\"%s\"%s at position %lld%s", message.Before,
                                  Utf8FromCodePoint(found).c_str(), message.After, Position(stream),
                                  message.Closing));
}

[[noreturn]] void RaiseMalformedTag(const TJclStringStream& stream) {
  RaiseAt("Invalid XML Element: malformed tag found (no valid name)", stream);
}

[[noreturn]] void RaiseExpectedEndOfTag(char32_t found, const TJclStringStream& stream) {
  RaiseFound({"Invalid XML Element: Expected end of tag but ", " found"}, found, stream);
}

[[noreturn]] void RaiseExpectedBeginningOfTag(char32_t found, const TJclStringStream& stream) {
  RaiseFound({"Invalid XML Element: Expected beginning of tag but ", " found"}, found, stream);
}

[[noreturn]] void RaiseUnexpectedEnd(const char* kind, const TJclStringStream& stream) {
  throw EJclSimpleXMLError(
      Format("%s: Unexpected end of data at position %lld", kind, Position(stream)));
}

bool IsTagNameChar(char32_t ch) {
  return IsNameChar(ch) || ch == '-' || ch == '.';
}

// The length of the leading characters of run, whole UTF-8 characters, of one class: ASCII
// bytes by the class table, the rest decoded and judged by above127.
template <TXmlCharClass charClass, bool (*above127)(char32_t)>
inline size_t RunLength(std::string_view run) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(run.data());
  size_t pos = 0;
  while (true) {
    while (pos < run.size() && HasXmlClass(bytes[pos], charClass)) ++pos;
    if (pos == run.size() || bytes[pos] < 0x80) return pos;
    size_t next = pos;
    if (!above127(DecodeUtf8(run, next))) return pos;
    pos = next;
  }
}

// Table and rules agree with IsTagNameChar and IsXmlWhitespace.
size_t NameRunLength(std::string_view run) {
  return RunLength<xccName, IsNameCharAbove127>(run);
}

size_t WhitespaceRunLength(std::string_view run) {
  return RunLength<xccWhitespace, IsXmlWhitespaceAbove127>(run);
}

// The length of run up to the first stop, an ASCII character, or all of it.
size_t RunLengthBefore(std::string_view run, char stop) {
  return std::min(run.find(stop), run.size());
}

// Passes over the characters at the read cursor, a decoded run at a time, as far as length(run)
// says, appending them to out when it is given. Stops before the first that does not belong,
// which the caller then reads as one character, so errors report the position they always did.
template <class TLength>
void ReadRunWhile(TJclStringStream& stream, TLength length, std::string* out) {
  while (true) {
    const std::string_view run = stream.ReadRun();
    const size_t taken = length(run);
    if (out) out->append(run.substr(0, taken));
    stream.SkipRead(taken);
    if (taken < run.size() || run.empty()) return;
  }
}

void ReadNameRun(TJclStringStream& stream, std::string& name) {
  ReadRunWhile(stream, NameRunLength, &name);
}

void SkipWhitespaceRun(TJclStringStream& stream) {
  ReadRunWhile(stream, WhitespaceRunLength, nullptr);
}

// Reads the first character after whitespace; false at the end of the data.
bool ReadAfterWhitespace(TJclStringStream& stream, char32_t& ch) {
  do {
    SkipWhitespaceRun(stream);
    if (!stream.ReadUCS4(ch)) return false;
  } while (IsXmlWhitespace(ch));
  return true;
}

// Moves the peek cursor over the characters as far as length(run) says, a decoded run at a time.
template <class TLength>
void PeekWhile(TJclStringStream& stream, TLength length) {
  while (true) {
    const std::string_view run = stream.PeekRun();
    const size_t taken = length(run);
    stream.SkipPeeked(taken);
    if (taken < run.size() || run.empty()) return;
  }
}

// Peeks over everything up to the next '<', noting whether it held whitespace and other text.
// Whitespace after other text changes nothing the caller decides, so text once seen is passed
// over without looking at its characters.
void PeekOverText(TJclStringStream& stream, bool& textSeen, bool& whitespaceSeen) {
  PeekWhile(stream, [&](std::string_view run) {
    size_t length = 0;
    if (!textSeen) {
      length = WhitespaceRunLength(run);
      if (length > 0) whitespaceSeen = true;
      if (length == run.size() || run[length] == '<') return length;
      textSeen = true;
    }
    return length + RunLengthBefore(run.substr(length), '<');
  });
}

bool IsElementNameEnd(char c) {
  return c == ' ' || c == ':' || c == '>' || c == '/';
}

// A tag that starts with neither "<!" nor "<?" can only be an element: the characters up to
// the one that says so need no keeping. Runs are whole UTF-8 characters, whose bytes past the
// first are never ASCII, so a byte search stops where a character-wise one would.
void PeekOverElementName(TJclStringStream& stream) {
  PeekWhile(stream, [](std::string_view run) {
    size_t length = 0;
    while (length < run.size() && !IsElementNameEnd(run[length])) ++length;
    return length;
  });
}

// Reads the next character or raises the end-of-data error of the given kind.
char32_t ReadRequired(TJclStringStream& stream, const char* kind) {
  char32_t ch;
  if (!stream.ReadUCS4(ch)) RaiseUnexpectedEnd(kind, stream);
  return ch;
}

// Reads keyword character by character, skipping whitespace before and between them.
void MatchKeyword(TJclStringStream& stream, std::string_view keyword, const char* kind) {
  for (const char expected : keyword) {
    char32_t ch;
    do {
      ch = ReadRequired(stream, kind);
    } while (IsXmlWhitespace(ch));
    if (ch != static_cast<unsigned char>(expected))
      throw EJclSimpleXMLError(Format("%s: expected \"%c\" but found \"%s\" at position %lld", kind,
                                      expected, Utf8FromCodePoint(ch).c_str(), Position(stream)));
  }
}

// The start of a tag name "[namespace:]name", shared by elements and processing instructions.
struct TTagName {
  std::string Name;
  std::string NameSpace;
  bool NameSpaceTaken = false;

  // Takes ch when it belongs to the name; a first ':' splits off the namespace.
  bool Take(char32_t ch) {
    if (IsTagNameChar(ch)) {
      AppendUtf8(Name, ch);
      return true;
    }
    if (ch != ':' || NameSpaceTaken) return false;
    NameSpace = std::move(Name);
    Name.clear();
    NameSpaceTaken = true;
    return true;
  }
};

// Each level of elements costs stack in the recursive reader.
size_t NestingDepth(const TJclSimpleXMLElem* elem) {
  size_t depth = 0;
  for (; elem && depth <= kMaxSimpleXMLDepth; elem = elem->Parent()) ++depth;
  return depth;
}

bool IsTrimmable(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

std::string_view TrimText(std::string_view text, TJclSimpleXMLOptions options) {
  if (options.Contains(sxoTrimPrecedingTextWhitespace))
    while (!text.empty() && IsTrimmable(text.front())) text.remove_prefix(1);
  if (options.Contains(sxoTrimFollowingTextWhitespace))
    while (!text.empty() && IsTrimmable(text.back())) text.remove_suffix(1);
  return text;
}

void CheckEndName(const std::string& name, const std::string& nameSpace, const std::string& endName,
                  const TJclStringStream& stream) {
  const bool matches =
      nameSpace.empty() ? endName == name : SameText(nameSpace + ":" + name, endName);
  if (!matches)
    throw EJclSimpleXMLError(
        Format("Invalid XML Element: Erroneous end of tag, expecting </%s> but </%s> found at "
               "position %lld",
               name.c_str(), endName.c_str(), Position(stream)));
}

// Only whitespace may follow the name of an end tag.
void SkipToTagEnd(TJclStringStream& stream) {
  char32_t ch;
  while (stream.ReadUCS4(ch) && ch != '>')
    if (!IsXmlWhitespace(ch)) RaiseExpectedEndOfTag(ch, stream);
}

}  // namespace

// --- classic element ---

void TJclSimpleXMLElemClassic::LoadFromStringStream(TJclStringStream& stream) {
  TTagName tag;
  // The start tag's name, in this element once it carries it.
  const std::string* startName = &tag.Name;
  const std::string* startNameSpace = &tag.NameSpace;
  std::optional<std::string> loneText;
  // Start tag, children and end tag; data that ends on the way ends the element as it stands.
  auto readElement = [&] {
    char32_t ch;
    if (!ReadAfterWhitespace(stream, ch)) return;
    if (ch != '<') RaiseExpectedBeginningOfTag(ch, stream);
    do {
      ReadNameRun(stream, tag.Name);
      if (!stream.ReadUCS4(ch)) return;
    } while (tag.Take(ch));
    if (ch != '/' && ch != '>' && (!IsXmlWhitespace(ch) || tag.Name.empty()))
      RaiseMalformedTag(stream);
    if (NameChildEarly(tag.Name, tag.NameSpace)) {
      startName = &FName;
      startNameSpace = &FNameSpace;
    }
    if (IsXmlWhitespace(ch)) {
      Properties().LoadFromStringStream(stream);
      if (!ReadAfterWhitespace(stream, ch)) return;
      if (ch != '/' && ch != '>') RaiseExpectedEndOfTag(ch, stream);
    }
    if (ch == '/') {
      if (stream.ReadUCS4(ch) && ch != '>') RaiseExpectedEndOfTag(ch, stream);
      return;
    }
    loneText = ReadChildren(stream);
    if (!ReadAfterWhitespace(stream, ch)) return;
    if (ch != '<') RaiseExpectedEndOfTag(ch, stream);
    if (!stream.ReadUCS4(ch)) return;
    if (ch != '/') RaiseExpectedEndOfTag(ch, stream);
    std::string endName;
    while (true) {
      ReadNameRun(stream, endName);
      if (!stream.ReadUCS4(ch)) return;
      if (!IsTagNameChar(ch) && ch != ':') break;
      AppendUtf8(endName, ch);
    }
    if (ch != '>' && !IsXmlWhitespace(ch)) RaiseMalformedTag(stream);
    CheckEndName(*startName, *startNameSpace, endName, stream);
    if (ch != '>') SkipToTagEnd(stream);
  };
  NotifyLoadProgress(stream);
  try {
    readElement();
  } catch (...) {
    // Cut short, the element keeps its text as the child node it was read as.
    if (loneText) Items().AddText({}, *loneText);
    throw;
  }
  if (startName == &tag.Name) {
    SetName(tag.Name);
    FNameSpace = std::move(tag.NameSpace);
  }
  FValue = loneText ? std::move(*loneText) : std::string();
  NotifyParsed(true);
}

// A child carries its name from its start tag on, so a reader error further in leaves it,
// and what it holds, where it was found. The root keeps its old name until it completes. A
// name taken is moved out of name; answers whether it was.
bool TJclSimpleXMLElemClassic::NameChildEarly(std::string& name, std::string& nameSpace) {
  if (!Parent()) return false;
  if (name.empty()) {
    FNameSpace = nameSpace;
    return false;
  }
  TakeName(name);
  FNameSpace = std::move(nameSpace);
  return true;
}

std::optional<std::string> TJclSimpleXMLElemClassic::ReadChildren(TJclStringStream& stream) {
  if (HasItems()) Items().Clear();
  std::optional<std::string> loneText = TJclSimpleXMLElems::ReadChildList(*this, stream);
  if (ItemCount() == 0) DiscardChildren();
  return loneText;
}

// --- child list ---

void TJclSimpleXMLElems::LoadFromStringStream(TJclStringStream& stream) {
  Clear();
  if (const std::optional<std::string> text = ReadChildList(*FParent, stream)) AddText({}, *text);
}

// The list is created with the first child attached to it, so an element without children
// costs none.
std::optional<std::string> TJclSimpleXMLElems::ReadChildList(TJclSimpleXMLElem& parent,
                                                             TJclStringStream& stream) {
  if (NestingDepth(&parent) > kMaxSimpleXMLDepth)
    RaiseAt("Invalid XML Element: elements nested too deeply", stream);
  parent.NotifyLoadProgress(stream);
  const bool keepWhitespace = parent.Options().Contains(sxoKeepWhitespace);
  bool textSeen = false;
  bool whitespaceSeen = false;
  auto textPending = [&] { return textSeen || (whitespaceSeen && keepWhitespace); };
  const TJclSimpleXMLElem* previous = parent.PreviousSiblingOfLast();
  const size_t expectedCount = previous ? previous->ItemCount() : 0;
  auto children = [&]() -> TJclSimpleXMLElems& {
    if (!parent.FItems) parent.Items().FElems.Items().reserve(expectedCount);
    return *parent.FItems;
  };
  std::optional<std::string> loneText;
  // Anything read after a first text makes it a child node, in its place.
  auto attachLoneText = [&] {
    if (loneText) children().AddText({}, *loneText);
    loneText.reset();
  };
  auto readText = [&] {
    if (parent.ItemCount() == 0 && !loneText) {
      loneText = ReadLoneText(parent, stream);
      return;
    }
    attachLoneText();
    children().ReadText(stream);
  };
  bool inTag = false;
  std::string tag;
  char32_t ch;
  while (true) {
    if (!inTag) PeekOverText(stream, textSeen, whitespaceSeen);
    if (!stream.PeekUCS4(ch)) break;
    if (!inTag) {
      inTag = ch == '<';
      if (inTag)
        tag.assign(1, '<');
      else if (IsXmlWhitespace(ch))
        whitespaceSeen = true;
      else
        textSeen = true;
      continue;
    }
    std::unique_ptr<TJclSimpleXMLElem> child;
    if (ch == ' ' || ch == ':' || ch == '>' || (ch == '/' && tag != "<"sv)) {
      child = std::make_unique<TJclSimpleXMLElemClassic>(&parent);
    } else if (ch == '/') {
      if (textPending()) readText();
      return loneText;
    } else if (textPending()) {
      readText();
      textSeen = whitespaceSeen = false;
      continue;
    } else if (tag.size() == 1 && ch != '!' && ch != '?') {
      PeekOverElementName(stream);
      if (!stream.PeekUCS4(ch)) break;
      child = std::make_unique<TJclSimpleXMLElemClassic>(&parent);
    } else {
      if (!IsXmlWhitespace(ch) || tag != "<![CDATA"sv) AppendUtf8(tag, ch);
      if (tag == "<![CDATA["sv)
        child = std::make_unique<TJclSimpleXMLElemCData>(&parent);
      else if (tag == "<!--"sv)
        child = std::make_unique<TJclSimpleXMLElemComment>(&parent);
      else if (tag == "<?"sv)
        child = std::make_unique<TJclSimpleXMLElemProcessingInstruction>(&parent);
      if (!child) continue;
    }
    attachLoneText();
    children().ReadChild(std::move(child), stream);
    inTag = false;
  }
  return loneText;
}

const TJclSimpleXMLElem* TJclSimpleXMLElem::PreviousSiblingOfLast() const {
  const size_t count = FParent ? FParent->ItemCount() : 0;
  if (count < 2 || FParent->FItems->Item(count - 1) != this) return nullptr;
  return FParent->FItems->Item(count - 2);
}

// Attached before it reads itself, so an element keeps what it read when an error comes
// further on. Any other kind cut short is dropped: written back half read (a processing
// instruction without its name) it could not be read again.
void TJclSimpleXMLElems::ReadChild(std::unique_ptr<TJclSimpleXMLElem> child,
                                   TJclStringStream& stream) {
  TJclSimpleXMLElem* attached = Attach(std::move(child), std::nullopt);
  try {
    attached->LoadFromStringStream(stream);
  } catch (...) {
    if (!dynamic_cast<TJclSimpleXMLElemClassic*>(attached)) Remove(attached);
    throw;
  }
}

void TJclSimpleXMLElems::ReadText(TJclStringStream& stream) {
  ReadChild(std::make_unique<TJclSimpleXMLElemText>(FParent), stream);
}

// The text as a text node reads it, with the same events, without making the node.
std::string TJclSimpleXMLElems::ReadLoneText(TJclSimpleXMLElem& parent, TJclStringStream& stream) {
  std::string text = parent.ReadText(stream);
  parent.NotifyValueParsed({}, text);
  return text;
}

// --- attribute list ---

void TJclSimpleXMLProps::LoadFromStringStream(TJclStringStream& stream) {
  enum class TState { Between, Name, BeforeEquals, BeforeValue, Value };
  static constexpr TFoundMessage kUnexpected{
      "Invalid XML Element: Unexpected character in property declaration (", " found", ")"};
  TState state = TState::Between;
  TTagName name;
  std::string value;
  char32_t quote = 0;
  char32_t ch;
  while (true) {
    if (state == TState::Between) {
      if (!stream.PeekUCS4(ch) || ch == '/' || ch == '>' || ch == '?') return;
      if (!IsXmlWhitespace(ch) && !IsAttributeNameStart(ch)) RaiseFound(kUnexpected, ch, stream);
    }
    if (state == TState::Name)
      ReadNameRun(stream, name.Name);
    else if (state == TState::Value)
      ReadRunWhile(
          stream,
          [quote](std::string_view run) { return RunLengthBefore(run, static_cast<char>(quote)); },
          &value);
    if (!stream.ReadUCS4(ch)) return;
    switch (state) {
      case TState::Between:
        if (IsXmlWhitespace(ch)) break;
        name = TTagName();
        AppendUtf8(name.Name, ch);
        state = TState::Name;
        break;
      case TState::Name:
        if (IsTagNameChar(ch)) {
          AppendUtf8(name.Name, ch);
        } else if (ch == ':') {
          name.NameSpace = std::move(name.Name);
          name.Name.clear();
        } else if (ch == '=') {
          state = TState::BeforeValue;
        } else if (IsXmlWhitespace(ch)) {
          state = TState::BeforeEquals;
        } else {
          RaiseFound(kUnexpected, ch, stream);
        }
        break;
      case TState::BeforeEquals:
        if (ch == '=')
          state = TState::BeforeValue;
        else if (!IsXmlWhitespace(ch))
          RaiseFound(kUnexpected, ch, stream);
        break;
      case TState::BeforeValue:
        if (ch == '"' || ch == '\'') {
          quote = ch;
          value.clear();
          state = TState::Value;
        } else if (!IsXmlWhitespace(ch)) {
          RaiseFound({"Invalid XML Element: Unexpected character in property declaration. "
                      "Expecting \" or ' but ",
                      "  found"},
                     ch, stream);
        }
        break;
      case TState::Value:
        if (ch != quote) {
          AppendUtf8(value, ch);
          break;
        }
        FParent->DecodeValueInPlace(value);
        AppendRead(std::move(name.Name), std::move(name.NameSpace), std::move(value));
        state = TState::Between;
        break;
    }
  }
}

void TJclSimpleXMLProps::AppendRead(std::string name, std::string nameSpace, std::string value) {
  if (FProperties.empty()) {
    const TJclSimpleXMLElem* previous = FParent->PreviousSiblingOfLast();
    if (previous) FProperties.reserve(previous->PropertyCount());
  }
  auto prop = std::make_unique<TJclSimpleXMLProp>(FParent, std::move(name), std::move(value));
  prop->SetNameSpace(std::move(nameSpace));
  FProperties.push_back(std::move(prop));
}

// --- text, comment, CDATA ---

void TJclSimpleXMLElemText::LoadFromStringStream(TJclStringStream& stream) {
  FValue = ReadText(stream);
  NotifyParsed(false);
}

std::string TJclSimpleXMLElem::ReadText(TJclStringStream& stream) const {
  NotifyLoadProgress(stream);
  std::string text;
  // The first look is at the peek cursor, wherever the child list left it; from the first
  // character read on, the text follows the read cursor up to a '<', which stays unread but
  // peeked.
  char32_t ch;
  if (stream.PeekUCS4(ch) && ch != '<') {
    stream.ReadUCS4(ch);
    AppendUtf8(text, ch);
    ReadRunWhile(
        stream, [](std::string_view run) { return RunLengthBefore(run, '<'); }, &text);
    stream.PeekUCS4(ch);
  }
  DecodeValueInPlace(text);
  const std::string_view trimmed = TrimText(text, Options());
  if (trimmed.size() == text.size() || (trimmed.empty() && Options().Contains(sxoKeepWhitespace)))
    return text;
  return std::string(trimmed);
}

void TJclSimpleXMLElemComment::LoadFromStringStream(TJclStringStream& stream) {
  static constexpr const char* kKind = "Invalid Comment";
  NotifyLoadProgress(stream);
  MatchKeyword(stream, "<!--", kKind);
  std::string body;
  while (true) {
    char32_t ch = ReadRequired(stream, kKind);
    if (ch == '-') {
      ch = ReadRequired(stream, kKind);
      if (ch == '-') break;
      body += '-';
    }
    AppendUtf8(body, ch);
  }
  if (ReadRequired(stream, kKind) != '>')
    RaiseAt("Invalid Comment: \"--\" not allowed inside comments", stream);
  FValue = std::move(body);
  NotifyParsed(false);
}

void TJclSimpleXMLElemCData::LoadFromStringStream(TJclStringStream& stream) {
  static constexpr const char* kKind = "Invalid CDATA";
  NotifyLoadProgress(stream);
  MatchKeyword(stream, "<![CDATA[", kKind);
  std::string body;
  size_t brackets = 0;
  while (true) {
    const char32_t ch = ReadRequired(stream, kKind);
    if (ch == ']') {
      if (brackets == 2)
        body += ']';
      else
        ++brackets;
      continue;
    }
    if (ch == '>' && brackets == 2) break;
    body.append(brackets, ']');
    brackets = 0;
    AppendUtf8(body, ch);
  }
  FValue = std::move(body);
  NotifyParsed(false);
}

// --- processing instruction, header, document type ---

// An unterminated processing instruction or document type is reported as "Invalid Comment:
// Unexpected end of data" on purpose: these cases have always carried that message and callers
// may match on it. It is not a copy-and-paste slip; do not "correct" it.
constexpr const char* kUnterminatedMarkup = "Invalid Comment";

void TJclSimpleXMLElemProcessingInstruction::LoadFromStringStream(TJclStringStream& stream) {
  enum class TState { BeforeTag, Question, Name, AfterAttributes, End };
  TState state = TState::BeforeTag;
  TTagName tag;
  NotifyLoadProgress(stream);
  while (true) {
    const char32_t ch = ReadRequired(stream, kUnterminatedMarkup);
    switch (state) {
      case TState::BeforeTag:
        if (ch == '<')
          state = TState::Question;
        else if (!IsXmlWhitespace(ch))
          RaiseExpectedBeginningOfTag(ch, stream);
        break;
      case TState::Question:
        if (ch != '?') RaiseMalformedTag(stream);
        state = TState::Name;
        break;
      case TState::Name:
        if (tag.Take(ch)) break;
        if (ch == '?') {
          state = TState::End;
        } else if (IsXmlWhitespace(ch) && !tag.Name.empty()) {
          Properties().LoadFromStringStream(stream);
          state = TState::AfterAttributes;
        } else {
          RaiseMalformedTag(stream);
        }
        break;
      case TState::AfterAttributes:
        if (ch == '?')
          state = TState::End;
        else if (!IsXmlWhitespace(ch))
          RaiseExpectedEndOfTag(ch, stream);
        break;
      case TState::End:
        if (ch != '>') RaiseExpectedEndOfTag(ch, stream);
        SetName(tag.Name);
        FNameSpace = std::move(tag.NameSpace);
        return;
    }
  }
}

void TJclSimpleXMLElemHeader::LoadFromStringStream(TJclStringStream& stream) {
  TJclSimpleXMLElemProcessingInstruction::LoadFromStringStream(stream);
  const TJclSimpleXMLProp* encoding = Properties().Find("encoding");
  const bool declared = encoding && !encoding->Value().empty();
  stream.ApplyDeclaredCodePage(declared ? CodePageFromCharsetName(encoding->Value()) : CP_ACP);
}

void TJclSimpleXMLElemDocType::LoadFromStringStream(TJclStringStream& stream) {
  NotifyLoadProgress(stream);
  MatchKeyword(stream, "<!DOCTYPE", "Invalid Header");
  std::string content;
  char32_t terminator = '>';
  while (true) {
    const char32_t ch = ReadRequired(stream, kUnterminatedMarkup);
    if (ch == '>' && terminator == '>') break;
    if (ch == '[')
      terminator = ']';
    else if (ch == ']' && terminator == ']')
      terminator = '>';
    AppendUtf8(content, ch);
  }
  size_t start = 0;
  while (start < content.size() && IsIndentChar(static_cast<unsigned char>(content[start])))
    ++start;
  FValue = content.substr(start);
  NotifyParsed(false);
}

// --- prolog ---

void TJclSimpleXMLElemsProlog::LoadFromStringStream(TJclStringStream& stream) {
  std::string tag;
  size_t tagLength = 0;
  char32_t ch;
  while (stream.PeekUCS4(ch)) {
    if (tag.empty()) {
      if (IsXmlWhitespace(ch)) continue;
      if (ch != '<') RaiseAt("Invalid Document: Unexpected text in file prolog", stream);
      tag.assign(1, '<');
      tagLength = 1;
      continue;
    }
    if (!IsXmlWhitespace(ch) || tag != "<![CDATA"sv) {
      AppendUtf8(tag, ch);
      ++tagLength;
    }
    if (tag == "<![CDATA["sv) return;
    std::unique_ptr<TJclSimpleXMLElem> item = ClassifyItem(tag, tagLength, IsXmlWhitespace(ch));
    if (!item) {
      if (tagLength >= 2 && tag[1] != '!' && tag[1] != '?') return;
      continue;
    }
    ReadItem(std::move(item), stream);
    tag.clear();
  }
}

// An item cut short is dropped, so it is never written back half read.
void TJclSimpleXMLElemsProlog::ReadItem(std::unique_ptr<TJclSimpleXMLElem> item,
                                        TJclStringStream& stream) {
  TJclSimpleXMLElem* appended = Append(std::move(item));
  try {
    appended->LoadFromStringStream(stream);
  } catch (...) {
    FElems.pop_back();
    throw;
  }
}

std::unique_ptr<TJclSimpleXMLElem> TJclSimpleXMLElemsProlog::ClassifyItem(std::string_view tag,
                                                                          size_t tagLength,
                                                                          bool endsInWhitespace) {
  if (tag == "<!--"sv) return std::make_unique<TJclSimpleXMLElemComment>();
  if (tag == "<?xml-stylesheet"sv) return std::make_unique<TJclSimpleXMLElemSheet>();
  if (tag == "<?xml "sv) return std::make_unique<TJclSimpleXMLElemHeader>();
  if (tag == "<!DOCTYPE"sv) return std::make_unique<TJclSimpleXMLElemDocType>();
  if (tag == "<?mso-application"sv) return std::make_unique<TJclSimpleXMLElemMSOApplication>();
  if (tagLength > 3 && tag[1] == '?' && endsInWhitespace)
    return std::make_unique<TJclSimpleXMLElemProcessingInstruction>();
  return nullptr;
}
