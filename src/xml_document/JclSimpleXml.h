#pragma once

// In-memory XML document: a forgiving one-pass reader, a tree of elements with hashed
// by-name look-up, and an indenting writer.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "EnumSet.h"
#include "JclSimpleXml_stream.h"

class EJclSimpleXMLError : public EJclError {
 public:
  using EJclError::EJclError;
  const char* ClassName() const override { return "EJclSimpleXMLError"; }
};

enum TJclSimpleXMLOption : uint16_t {
  sxoAutoCreate,
  sxoAutoIndent,
  sxoAutoEncodeValue,
  sxoAutoEncodeEntity,
  sxoDoNotSaveProlog,
  sxoTrimPrecedingTextWhitespace,
  sxoTrimFollowingTextWhitespace,
  sxoKeepWhitespace,
  sxoDoNotSaveBOM,
  sxoCaseSensitive
};

using TJclSimpleXMLOptions = TSet<TJclSimpleXMLOption>;

constexpr TJclSimpleXMLOptions kDefaultSimpleXMLOptions = {sxoAutoIndent, sxoAutoEncodeValue,
                                                           sxoAutoEncodeEntity};

// The reader refuses the content of an element nested deeper than this (the root is at
// depth 1), so hostile input cannot exhaust the stack; whoever builds trees to be read back
// keeps within it.
constexpr size_t kMaxSimpleXMLDepth = 256;

class TJclSimpleXML;
class TJclSimpleXMLElem;
class TJclSimpleXMLElems;
class TJclSimpleXMLProps;

class TJclSimpleItem {
 public:
  explicit TJclSimpleItem(std::string name = {}) : FName(std::move(name)) {}
  virtual ~TJclSimpleItem() = default;
  TJclSimpleItem(const TJclSimpleItem&) = delete;
  TJclSimpleItem& operator=(const TJclSimpleItem&) = delete;

  const std::string& Name() const { return FName; }
  virtual void SetName(std::string_view name) { FName = name; }

 protected:
  std::string FName;
};

// An item with a text value and typed views of it.
class TJclSimpleData : public TJclSimpleItem {
 public:
  using TJclSimpleItem::TJclSimpleItem;

  const std::string& Value() const { return FValue; }
  void SetValue(std::string_view value) { FValue = value; }
  // -1 for text that is not an integer.
  int64_t IntValue() const;
  void SetIntValue(int64_t value);
  bool BoolValue() const;
  void SetBoolValue(bool value);
  // 0 for text that is not a number.
  double FloatValue() const;
  void SetFloatValue(double value);
  void* Data() const { return FData; }
  void SetData(void* data) { FData = data; }

 protected:
  std::string FValue;
  void* FData = nullptr;
};

class TJclSimpleXMLData : public TJclSimpleData {
 public:
  using TJclSimpleData::TJclSimpleData;

  const std::string& NameSpace() const { return FNameSpace; }
  void SetNameSpace(std::string_view nameSpace) { FNameSpace = nameSpace; }
  std::string FullName() const;

 protected:
  std::string FNameSpace;
};

// An attribute.
class TJclSimpleXMLProp : public TJclSimpleXMLData {
 public:
  TJclSimpleXMLProp(TJclSimpleXMLElem* parent, std::string name, std::string value);
  TJclSimpleXMLElem* Parent() const { return FParent; }

  void SaveToStringStream(TJclStringStream& stream) const;

 private:
  TJclSimpleXMLElem* FParent;
};

// Owning list of items with a by-name index, built on the first look-up. A look-up finds the
// last item of a name; without case sensitivity names compare upper-cased.
template <class T>
class TJclSimpleItemHashedList {
 public:
  explicit TJclSimpleItemHashedList(bool caseSensitive) : FCaseSensitive(caseSensitive) {}

  size_t Count() const { return FItems.size(); }
  T* Item(size_t index) const { return index < FItems.size() ? FItems[index].get() : nullptr; }
  T* Add(std::unique_ptr<T> item);
  T* Insert(size_t index, std::unique_ptr<T> item);
  std::unique_ptr<T> Extract(size_t index);
  void Move(size_t from, size_t to);
  void Clear();
  std::optional<size_t> IndexOf(const T* item) const;
  std::optional<size_t> IndexOfName(std::string_view name);
  T* ItemNamed(std::string_view name);
  bool SameName(std::string_view a, std::string_view b) const;
  // Call after an item's name changed or the order was changed from outside.
  void InvalidateNames() { FNameHash.reset(); }
  std::vector<std::unique_ptr<T>>& Items() { return FItems; }

 private:
  std::string Key(std::string_view name) const;

  bool FCaseSensitive;
  std::vector<std::unique_ptr<T>> FItems;
  std::unique_ptr<std::unordered_map<std::string, size_t>> FNameHash;
};

// The children of one name, in document order; a view kept up to date by its child list.
class TJclSimpleXMLNamedElems : public TJclSimpleItem {
 public:
  TJclSimpleXMLNamedElems(TJclSimpleXMLElems* elems, std::string name);

  void SetName(std::string_view name) override;
  size_t Count() const { return FItems.size(); }
  // With sxoAutoCreate, children of this name are appended until index exists; else null.
  TJclSimpleXMLElem* Item(size_t index);
  std::optional<size_t> IndexOf(const TJclSimpleXMLElem* elem) const;
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  friend class TJclSimpleXMLElems;
  TJclSimpleXMLElems* FElems;
  std::vector<TJclSimpleXMLElem*> FItems;
};

class TJclSimpleXMLElemClassic;

// The children of an element.
class TJclSimpleXMLElems {
 public:
  explicit TJclSimpleXMLElems(TJclSimpleXMLElem* parent);
  ~TJclSimpleXMLElems();

  TJclSimpleXMLElem* Parent() const { return FParent; }
  size_t Count() const { return FElems.Count(); }
  TJclSimpleXMLElem* Item(size_t index) const { return FElems.Item(index); }
  // The last child of that name; with sxoAutoCreate a missing one is appended.
  TJclSimpleXMLElem* ItemNamed(std::string_view name);
  TJclSimpleXMLNamedElems* NamedElems(std::string_view name);

  TJclSimpleXMLElemClassic* Add(std::string_view name);
  TJclSimpleXMLElemClassic* Add(std::string_view name, std::string_view value);
  TJclSimpleXMLElemClassic* Add(std::string_view name, const char* value) {
    return Add(name, std::string_view(value));
  }
  TJclSimpleXMLElemClassic* Add(std::string_view name, int64_t value);
  TJclSimpleXMLElemClassic* Add(std::string_view name, int value) {
    return Add(name, static_cast<int64_t>(value));
  }
  TJclSimpleXMLElemClassic* Add(std::string_view name, bool value);
  // The bytes from the stream's position on, as hexadecimal text.
  TJclSimpleXMLElemClassic* Add(std::string_view name, std::istream& stream);
  TJclSimpleXMLElem* Add(std::unique_ptr<TJclSimpleXMLElem> elem);
  TJclSimpleXMLElemClassic* AddFirst(std::string_view name);
  TJclSimpleXMLElem* AddFirst(std::unique_ptr<TJclSimpleXMLElem> elem);
  TJclSimpleXMLElem* AddComment(std::string_view name, std::string_view value);
  TJclSimpleXMLElem* AddCData(std::string_view name, std::string_view value);
  TJclSimpleXMLElem* AddText(std::string_view name, std::string_view value);
  TJclSimpleXMLElem* Insert(std::unique_ptr<TJclSimpleXMLElem> elem, size_t index);
  TJclSimpleXMLElemClassic* Insert(std::string_view name, size_t index);

  void Clear();
  // Out-of-range indexes and unknown names do nothing.
  void Delete(size_t index);
  void Delete(std::string_view name);
  // The element's former index, or nullopt when it is not a child.
  std::optional<size_t> Remove(TJclSimpleXMLElem* elem);
  void Move(size_t curIndex, size_t newIndex);
  std::optional<size_t> IndexOf(const TJclSimpleXMLElem* elem) const;
  std::optional<size_t> IndexOf(std::string_view name);
  // By name without regard to case.
  void Sort();
  // compare(a, b) of two child indexes, negative/zero/positive.
  void CustomSort(const std::function<int(size_t, size_t)>& compare);

  std::string Value(std::string_view name, std::string_view defaultValue = {});
  int64_t IntValue(std::string_view name, int64_t defaultValue = -1);
  double FloatValue(std::string_view name, double defaultValue = 0);
  bool BoolValue(std::string_view name, bool defaultValue = true);
  void BinaryValue(std::string_view name, std::ostream& stream);

  // Child-list reader: runs after the parent's start tag.
  void LoadFromStringStream(TJclStringStream& stream);

  class const_iterator;
  const_iterator begin() const;
  const_iterator end() const;

 private:
  friend class TJclSimpleXMLElem;
  friend class TJclSimpleXMLNamedElems;
  TJclSimpleXMLElem* Attach(std::unique_ptr<TJclSimpleXMLElem> elem, std::optional<size_t> index);
  template <class TElem>
  TElem* AddNew(std::string_view name, std::string_view value);
  TJclSimpleXMLElem* FindOrCreate(std::string_view name, std::string_view defaultText);
  void ChildRenamed();
  void RebuildNamedViews();
  bool AutoCreate() const;
  friend class TJclSimpleXMLElemClassic;
  // Reads the children of parent up to its end tag. A text that comes first is read without
  // making a node of it and handed back while it stays the only child; the caller keeps it or
  // attaches it.
  static std::optional<std::string> ReadChildList(TJclSimpleXMLElem& parent,
                                                  TJclStringStream& stream);
  static std::string ReadLoneText(TJclSimpleXMLElem& parent, TJclStringStream& stream);
  void ReadChild(std::unique_ptr<TJclSimpleXMLElem> child, TJclStringStream& stream);
  void ReadText(TJclStringStream& stream);

  TJclSimpleXMLElem* FParent;
  // The list object itself is created on the element's first use of it.
  TJclSimpleItemHashedList<TJclSimpleXMLElem> FElems;
  std::unique_ptr<TJclSimpleItemHashedList<TJclSimpleXMLNamedElems>> FNamedElems;
};

class TJclSimpleXMLElems::const_iterator {
 public:
  const_iterator(const TJclSimpleXMLElems* list, size_t index) : FList(list), FIndex(index) {}
  TJclSimpleXMLElem* operator*() const { return FList->Item(FIndex); }
  const_iterator& operator++() {
    ++FIndex;
    return *this;
  }
  bool operator==(const const_iterator& other) const { return FIndex == other.FIndex; }

 private:
  const TJclSimpleXMLElems* FList;
  size_t FIndex;
};

// The attributes of an element, in order; duplicates are allowed and a look-up by name,
// without regard to case, finds the first.
class TJclSimpleXMLProps {
 public:
  explicit TJclSimpleXMLProps(TJclSimpleXMLElem* parent) : FParent(parent) {}

  size_t Count() const { return FProperties.size(); }
  TJclSimpleXMLProp* Item(size_t index) const {
    return index < FProperties.size() ? FProperties[index].get() : nullptr;
  }
  // With sxoAutoCreate a missing attribute is appended.
  TJclSimpleXMLProp* ItemNamed(std::string_view name);

  TJclSimpleXMLProp* Add(std::string_view name, std::string_view value);
  TJclSimpleXMLProp* Add(std::string_view name, const char* value) {
    return Add(name, std::string_view(value));
  }
  TJclSimpleXMLProp* Add(std::string_view name, int64_t value);
  TJclSimpleXMLProp* Add(std::string_view name, int value) {
    return Add(name, static_cast<int64_t>(value));
  }
  TJclSimpleXMLProp* Add(std::string_view name, bool value);
  TJclSimpleXMLProp* Insert(size_t index, std::string_view name, std::string_view value);
  TJclSimpleXMLProp* Insert(size_t index, std::string_view name, const char* value) {
    return Insert(index, name, std::string_view(value));
  }
  TJclSimpleXMLProp* Insert(size_t index, std::string_view name, int64_t value);
  TJclSimpleXMLProp* Insert(size_t index, std::string_view name, bool value);
  void Clear() { FProperties.clear(); }
  void Delete(size_t index);
  void Delete(std::string_view name);

  std::string Value(std::string_view name, std::string_view defaultValue = {});
  int64_t IntValue(std::string_view name, int64_t defaultValue = -1);
  double FloatValue(std::string_view name, double defaultValue = 0);
  bool BoolValue(std::string_view name, bool defaultValue = true);

  // The first attribute of that name, never creating one.
  TJclSimpleXMLProp* Find(std::string_view name) const;

  // Attribute reader: runs after the whitespace that follows a tag name.
  void LoadFromStringStream(TJclStringStream& stream);
  void SaveToStringStream(TJclStringStream& stream) const;

  auto begin() const { return FProperties.begin(); }
  auto end() const { return FProperties.end(); }

 private:
  TJclSimpleXMLProp* FindOrCreate(std::string_view name, std::string_view defaultText);
  void AppendRead(std::string name, std::string nameSpace, std::string value);

  TJclSimpleXMLElem* FParent;
  std::vector<std::unique_ptr<TJclSimpleXMLProp>> FProperties;
};

// A node of the tree. Child and attribute lists are created on first use.
class TJclSimpleXMLElem : public TJclSimpleXMLData {
 public:
  explicit TJclSimpleXMLElem(TJclSimpleXMLElem* parent = nullptr);
  ~TJclSimpleXMLElem() override;

  // An empty name or the current one changes nothing.
  void SetName(std::string_view name) override;
  TJclSimpleXMLElem* Parent() const { return FParent; }
  TJclSimpleXML* SimpleXML() const { return FSimpleXML; }
  TJclSimpleXMLElems& Items();
  TJclSimpleXMLProps& Properties();
  size_t ItemCount() const { return FItems ? FItems->Count() : 0; }
  size_t PropertyCount() const { return FProps ? FProps->Count() : 0; }
  bool HasItems() const { return ItemCount() > 0; }
  bool HasProperties() const { return PropertyCount() > 0; }
  // This element and all its descendants.
  size_t ChildsCount() const;

  // Removes children and attributes; keeps name and value.
  void Clear();
  // Copies name, namespace, value, attributes and a deep copy of the children.
  void Assign(const TJclSimpleXMLElem& source);
  std::unique_ptr<TJclSimpleXMLElem> Clone() const;
  void LoadFromString(std::string_view text);
  std::string SaveToString();
  void GetBinaryValue(std::ostream& stream) const;
  std::optional<size_t> GetChildIndex(const TJclSimpleXMLElem* child) const;
  std::optional<size_t> GetNamedIndex(const TJclSimpleXMLElem* child) const;

  virtual void LoadFromStringStream(TJclStringStream& stream) = 0;
  // Non-const: writing completes the XML declaration's attributes.
  virtual void SaveToStringStream(TJclStringStream& stream, std::string_view level) = 0;

  TJclSimpleXMLOptions Options() const;
  // Value encoding of the owning document, or the full encoding without one.
  std::string EncodeValue(std::string_view value) const;
  void AppendEncodedValue(std::string& out, std::string_view value) const;
  void DecodeValueInPlace(std::string& value) const;

 protected:
  // An empty element of the same class.
  virtual std::unique_ptr<TJclSimpleXMLElem> CreateEmpty() const = 0;
  // OnTagParsed (withTag) and OnValueParsed with this element's name and value.
  void NotifyParsed(bool withTag) const;
  void NotifyValueParsed(const std::string& name, const std::string& value) const;
  // The text up to the next '<' as a text node of this element's document reads it: after the
  // load progress, decoded and trimmed by the document's options.
  std::string ReadText(TJclStringStream& stream) const;
  void NotifyLoadProgress(const TJclStringStream& stream) const;
  void NotifySaved() const;
  // CR LF with sxoAutoIndent, else nothing.
  std::string_view LineEnd() const;
  void DiscardChildren() { FItems.reset(); }
  // SetName that moves the name out of the string it is given.
  void TakeName(std::string& name);
  // Moves the children into pending and drops the child list.
  void TakeChildren(std::vector<std::unique_ptr<TJclSimpleXMLElem>>& pending);

 private:
  friend class TJclSimpleXMLElems;
  friend class TJclSimpleXMLElemsProlog;
  friend class TJclSimpleXML;
  friend class TJclSimpleXMLProps;
  void Attach(TJclSimpleXMLElem* parent, TJclSimpleXML* simpleXML);
  // The element before this one among its parent's children when this one is the last, for
  // the reader: a settings file repeats its shapes, so lists are sized from the sibling's.
  const TJclSimpleXMLElem* PreviousSiblingOfLast() const;
  // Tells the parent's child list that the name changed.
  void NotifyRenamed();

  TJclSimpleXMLElem* FParent;
  TJclSimpleXML* FSimpleXML = nullptr;
  std::unique_ptr<TJclSimpleXMLElems> FItems;
  std::unique_ptr<TJclSimpleXMLProps> FProps;
};

class TJclSimpleXMLElemClassic : public TJclSimpleXMLElem {
 public:
  using TJclSimpleXMLElem::TJclSimpleXMLElem;
  void LoadFromStringStream(TJclStringStream& stream) override;
  void SaveToStringStream(TJclStringStream& stream, std::string_view level) override;

 protected:
  std::unique_ptr<TJclSimpleXMLElem> CreateEmpty() const override;

 private:
  // Writes the element up to its children; false when nothing follows (it is complete).
  bool WriteStart(TJclStringStream& stream, std::string_view level);
  // The end tag after the children.
  void WriteEnd(TJclStringStream& stream, std::string_view level);
  // What the children's level adds to this element's.
  std::string_view ChildIndent() const;
  void WriteEndTag(TJclStringStream& stream) const;
  // A text that is the only child, read without making a node of it.
  std::optional<std::string> ReadChildren(TJclStringStream& stream);
  bool NameChildEarly(std::string& name, std::string& nameSpace);
};

class TJclSimpleXMLElemText : public TJclSimpleXMLElem {
 public:
  using TJclSimpleXMLElem::TJclSimpleXMLElem;
  void LoadFromStringStream(TJclStringStream& stream) override;
  void SaveToStringStream(TJclStringStream& stream, std::string_view level) override;

 protected:
  std::unique_ptr<TJclSimpleXMLElem> CreateEmpty() const override;
};

class TJclSimpleXMLElemComment : public TJclSimpleXMLElem {
 public:
  using TJclSimpleXMLElem::TJclSimpleXMLElem;
  void LoadFromStringStream(TJclStringStream& stream) override;
  void SaveToStringStream(TJclStringStream& stream, std::string_view level) override;

 protected:
  std::unique_ptr<TJclSimpleXMLElem> CreateEmpty() const override;
};

class TJclSimpleXMLElemCData : public TJclSimpleXMLElem {
 public:
  using TJclSimpleXMLElem::TJclSimpleXMLElem;
  void LoadFromStringStream(TJclStringStream& stream) override;
  void SaveToStringStream(TJclStringStream& stream, std::string_view level) override;

 protected:
  std::unique_ptr<TJclSimpleXMLElem> CreateEmpty() const override;
};

class TJclSimpleXMLElemProcessingInstruction : public TJclSimpleXMLElem {
 public:
  using TJclSimpleXMLElem::TJclSimpleXMLElem;
  void LoadFromStringStream(TJclStringStream& stream) override;
  void SaveToStringStream(TJclStringStream& stream, std::string_view level) override;

 protected:
  std::unique_ptr<TJclSimpleXMLElem> CreateEmpty() const override;
};

// The XML declaration.
class TJclSimpleXMLElemHeader : public TJclSimpleXMLElemProcessingInstruction {
 public:
  explicit TJclSimpleXMLElemHeader(TJclSimpleXMLElem* parent = nullptr);

  // "version", default "1.0".
  std::string Version();
  void SetVersion(std::string_view version);
  // "encoding"; when missing, the charset name of the document's code page.
  std::string Encoding();
  void SetEncoding(std::string_view encoding);
  // True exactly when "standalone" is "yes".
  bool StandAlone();
  void SetStandAlone(bool standAlone);

  void LoadFromStringStream(TJclStringStream& stream) override;
  void SaveToStringStream(TJclStringStream& stream, std::string_view level) override;

 protected:
  std::unique_ptr<TJclSimpleXMLElem> CreateEmpty() const override;

 private:
  // Stores the three attributes back, adding missing ones ("version" first).
  void CompleteAttributes();
};

class TJclSimpleXMLElemSheet : public TJclSimpleXMLElemProcessingInstruction {
 public:
  explicit TJclSimpleXMLElemSheet(TJclSimpleXMLElem* parent = nullptr);

 protected:
  std::unique_ptr<TJclSimpleXMLElem> CreateEmpty() const override;
};

class TJclSimpleXMLElemMSOApplication : public TJclSimpleXMLElemProcessingInstruction {
 public:
  explicit TJclSimpleXMLElemMSOApplication(TJclSimpleXMLElem* parent = nullptr);

 protected:
  std::unique_ptr<TJclSimpleXMLElem> CreateEmpty() const override;
};

class TJclSimpleXMLElemDocType : public TJclSimpleXMLElem {
 public:
  using TJclSimpleXMLElem::TJclSimpleXMLElem;
  void LoadFromStringStream(TJclStringStream& stream) override;
  void SaveToStringStream(TJclStringStream& stream, std::string_view level) override;

 protected:
  std::unique_ptr<TJclSimpleXMLElem> CreateEmpty() const override;
};

// The items before the root element.
class TJclSimpleXMLElemsProlog {
 public:
  explicit TJclSimpleXMLElemsProlog(TJclSimpleXML* simpleXML) : FSimpleXML(simpleXML) {}

  size_t Count() const { return FElems.size(); }
  TJclSimpleXMLElem* Item(size_t index) const {
    return index < FElems.size() ? FElems[index].get() : nullptr;
  }
  void Clear() { FElems.clear(); }
  TJclSimpleXMLElemComment* AddComment(std::string_view value);
  TJclSimpleXMLElemDocType* AddDocType(std::string_view value);
  TJclSimpleXMLElemSheet* AddStyleSheet(std::string_view type, std::string_view href);
  TJclSimpleXMLElemMSOApplication* AddMSOApplication(std::string_view progId);

  // The header's attributes; any of them creates the header when there is none.
  std::string Encoding();
  void SetEncoding(std::string_view encoding);
  std::string Version();
  void SetVersion(std::string_view version);
  bool StandAlone();
  void SetStandAlone(bool standAlone);

  TJclSimpleXMLElemHeader* FindHeader() const;
  TJclSimpleXMLElemHeader& EnsureHeader();

  void LoadFromStringStream(TJclStringStream& stream);
  void SaveToStringStream(TJclStringStream& stream);

 private:
  TJclSimpleXMLElem* Append(std::unique_ptr<TJclSimpleXMLElem> elem);
  void ReadItem(std::unique_ptr<TJclSimpleXMLElem> item, TJclStringStream& stream);
  template <class TElem>
  TElem* AppendNew() {
    return static_cast<TElem*>(Append(std::make_unique<TElem>()));
  }
  // The item a tag opening of the prolog starts, or null while it is undecided.
  static std::unique_ptr<TJclSimpleXMLElem> ClassifyItem(std::string_view tag, size_t tagLength,
                                                         bool endsInWhitespace);

  TJclSimpleXML* FSimpleXML;
  std::vector<std::unique_ptr<TJclSimpleXMLElem>> FElems;
};

class TJclSimpleXML {
 public:
  using TNameEvent = std::function<void(TJclSimpleXML& sender, const std::string& name)>;
  using TValueEvent =
      std::function<void(TJclSimpleXML& sender, const std::string& name, const std::string& value)>;
  using TProgressEvent =
      std::function<void(TJclSimpleXML& sender, int64_t position, int64_t total)>;
  using TValueHook = std::function<void(TJclSimpleXML& sender, std::string& value)>;
  using TStreamHook =
      std::function<void(TJclSimpleXML& sender, std::istream& in, std::ostream& out)>;

  TJclSimpleXML();
  ~TJclSimpleXML();
  TJclSimpleXML(const TJclSimpleXML&) = delete;
  TJclSimpleXML& operator=(const TJclSimpleXML&) = delete;

  void LoadFromFile(const std::string& fileName, TJclStringEncoding encoding = seAuto,
                    uint16_t codePage = CP_ACP);
  void LoadFromStream(std::istream& stream, TJclStringEncoding encoding = seAuto,
                      uint16_t codePage = CP_ACP);
  void LoadFromBytes(std::string_view bytes, TJclStringEncoding encoding = seAuto,
                     uint16_t codePage = CP_ACP);
  // Parses text in the program's own form (UTF-8); a declared encoding does not apply.
  void LoadFromString(std::string_view text);
  void LoadFromStringStream(TJclStringStream& stream);

  // Replaces the file atomically: a crash while saving leaves the old file or the new one.
  void SaveToFile(const std::string& fileName, TJclStringEncoding encoding = seAuto,
                  uint16_t codePage = CP_ACP);
  void SaveToStream(std::ostream& stream, TJclStringEncoding encoding = seAuto,
                    uint16_t codePage = CP_ACP);
  std::string SaveToBytes(TJclStringEncoding encoding = seAuto, uint16_t codePage = CP_ACP);
  // The document as text in the program's own form (UTF-8, no byte-order mark).
  std::string SaveToString();
  std::string SaveToStringEncoding(TJclStringEncoding encoding, uint16_t codePage);
  void SaveToStringStream(TJclStringStream& stream);

  TJclSimpleXMLElemClassic& Root() { return *FRoot; }
  TJclSimpleXMLElemsProlog& Prolog() { return *FProlog; }
  TJclSimpleXMLOptions Options() const { return FOptions; }
  void SetOptions(TJclSimpleXMLOptions options) { FOptions = options; }
  const std::string& IndentString() const { return FIndentString; }
  // Only non-empty text of the characters 9 to 13 and 32 is taken.
  void SetIndentString(std::string_view indent);
  const std::string& BaseIndentString() const { return FBaseIndentString; }
  void SetBaseIndentString(std::string_view indent);
  // Whether the text last loaded went on after its prolog with the start tag of a root
  // element; without one the root keeps its name and holds nothing.
  bool HasRootElement() const { return FRootFound; }
  const std::string& FileName() const { return FFileName; }
  // Loads the file at once.
  void SetFileName(const std::string& fileName);
  TJclStringEncoding Encoding() const { return FEncoding; }
  uint16_t CodePage() const { return FCodePage; }
  void SetCodePage(uint16_t codePage) { FCodePage = codePage; }
  std::string XMLData() { return SaveToString(); }
  void SetXMLData(std::string_view text) { LoadFromString(text); }

  TNameEvent OnTagParsed;
  TValueEvent OnValueParsed;
  TProgressEvent OnLoadProgress;
  TProgressEvent OnSaveProgress;
  TValueHook OnEncodeValue;
  TValueHook OnDecodeValue;
  TStreamHook OnEncodeStream;
  TStreamHook OnDecodeStream;

  std::string EncodeValue(std::string_view value);
  std::string DecodeValue(std::string value);

 private:
  friend class TJclSimpleXMLElem;
  void ClearContent();
  void AppendEncodedValue(std::string& out, std::string_view value);
  void DecodeValueInPlace(std::string& value);
  void ResolveAutoEncoding(TJclStringEncoding& encoding, uint16_t& codePage);
  // The document's bytes before OnEncodeStream; resolves seAuto in place.
  std::string WriteBytes(TJclStringEncoding& encoding, uint16_t& codePage);
  // Makes the header name codePage, the one the document is about to be written in.
  void DeclareEncoding(uint16_t codePage);
  void ReportLoadProgress(const TJclStringStream& stream);
  void NodeSaved();

  std::string FFileName;
  TJclSimpleXMLOptions FOptions = kDefaultSimpleXMLOptions;
  std::unique_ptr<TJclSimpleXMLElemClassic> FRoot;
  std::unique_ptr<TJclSimpleXMLElemsProlog> FProlog;
  std::string FIndentString = "  ";
  std::string FBaseIndentString;
  TJclStringEncoding FEncoding = seAnsi;
  uint16_t FCodePage = CP_ACP;
  int64_t FSaveCount = 0;
  int64_t FSaveCurrent = 0;
  bool FRootFound = false;
  // The size of the bytes last read or written, so that writing reserves room at once.
  size_t FSizeHint = 0;
};

// Text from a character stream as UTF-8 (used to turn saved bytes back into text).
std::string ReadAllText(TJclStringStream& stream);
