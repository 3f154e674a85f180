#include <algorithm>
#include <istream>
#include <numeric>
#include <ostream>

#include "JclSimpleXml.h"
#include "JclSimpleXml_text.h"

namespace {

std::string BoolText(bool value) {
  return value ? "-1" : "0";
}

std::optional<bool> TextToBool(std::string_view text) {
  if (auto number = TextToInt64(text)) return *number != 0;
  if (auto number = TextToFloat(text)) return *number != 0;
  if (SameText(text, "True")) return true;
  if (SameText(text, "False")) return false;
  return std::nullopt;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

// --- typed values ---

int64_t TJclSimpleData::IntValue() const {
  return TextToInt64(FValue).value_or(-1);
}

void TJclSimpleData::SetIntValue(int64_t value) {
  FValue = std::to_string(value);
}

bool TJclSimpleData::BoolValue() const {
  return TextToBool(FValue).value_or(false);
}

void TJclSimpleData::SetBoolValue(bool value) {
  FValue = BoolText(value);
}

double TJclSimpleData::FloatValue() const {
  return TextToFloat(FValue).value_or(0);
}

void TJclSimpleData::SetFloatValue(double value) {
  FValue = FloatToText(value);
}

std::string TJclSimpleXMLData::FullName() const {
  return FNameSpace.empty() ? FName : FNameSpace + ":" + FName;
}

TJclSimpleXMLProp::TJclSimpleXMLProp(TJclSimpleXMLElem* parent, std::string name, std::string value)
    : TJclSimpleXMLData(std::move(name)), FParent(parent) {
  FValue = std::move(value);
}

// --- hashed list ---

template <class T>
std::string TJclSimpleItemHashedList<T>::Key(std::string_view name) const {
  return FCaseSensitive ? std::string(name) : UpperCase(name);
}

template <class T>
bool TJclSimpleItemHashedList<T>::SameName(std::string_view a, std::string_view b) const {
  return FCaseSensitive ? a == b : SameText(a, b);
}

template <class T>
T* TJclSimpleItemHashedList<T>::Add(std::unique_ptr<T> item) {
  T* added = item.get();
  FItems.push_back(std::move(item));
  if (FNameHash) (*FNameHash)[Key(added->Name())] = FItems.size() - 1;
  return added;
}

template <class T>
T* TJclSimpleItemHashedList<T>::Insert(size_t index, std::unique_ptr<T> item) {
  T* inserted = item.get();
  FItems.insert(FItems.begin() + static_cast<ptrdiff_t>(std::min(index, FItems.size())),
                std::move(item));
  FNameHash.reset();
  return inserted;
}

template <class T>
std::unique_ptr<T> TJclSimpleItemHashedList<T>::Extract(size_t index) {
  std::unique_ptr<T> item = std::move(FItems[index]);
  FItems.erase(FItems.begin() + static_cast<ptrdiff_t>(index));
  FNameHash.reset();
  return item;
}

template <class T>
void TJclSimpleItemHashedList<T>::Move(size_t from, size_t to) {
  std::unique_ptr<T> item = Extract(from);
  FItems.insert(FItems.begin() + static_cast<ptrdiff_t>(std::min(to, FItems.size())),
                std::move(item));
}

template <class T>
void TJclSimpleItemHashedList<T>::Clear() {
  FItems.clear();
  FNameHash.reset();
}

template <class T>
std::optional<size_t> TJclSimpleItemHashedList<T>::IndexOf(const T* item) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].get() == item) return i;
  return std::nullopt;
}

template <class T>
std::optional<size_t> TJclSimpleItemHashedList<T>::IndexOfName(std::string_view name) {
  if (!FNameHash) {
    FNameHash = std::make_unique<std::unordered_map<std::string, size_t>>();
    for (size_t i = 0; i < FItems.size(); ++i) (*FNameHash)[Key(FItems[i]->Name())] = i;
  }
  const auto found = FNameHash->find(Key(name));
  if (found == FNameHash->end()) return std::nullopt;
  return found->second;
}

template <class T>
T* TJclSimpleItemHashedList<T>::ItemNamed(std::string_view name) {
  const auto index = IndexOfName(name);
  return index ? FItems[*index].get() : nullptr;
}

template class TJclSimpleItemHashedList<TJclSimpleXMLElem>;
template class TJclSimpleItemHashedList<TJclSimpleXMLNamedElems>;

// --- same-name views ---

TJclSimpleXMLNamedElems::TJclSimpleXMLNamedElems(TJclSimpleXMLElems* elems, std::string name)
    : TJclSimpleItem(std::move(name)), FElems(elems) {}

void TJclSimpleXMLNamedElems::SetName(std::string_view) {
  throw EJclSimpleXMLError("Property is read-only");
}

TJclSimpleXMLElem* TJclSimpleXMLNamedElems::Item(size_t index) {
  if (FElems->AutoCreate())
    while (FItems.size() <= index) FElems->Add(Name());
  return index < FItems.size() ? FItems[index] : nullptr;
}

std::optional<size_t> TJclSimpleXMLNamedElems::IndexOf(const TJclSimpleXMLElem* elem) const {
  const auto found = std::find(FItems.begin(), FItems.end(), elem);
  if (found == FItems.end()) return std::nullopt;
  return static_cast<size_t>(found - FItems.begin());
}

// --- child list ---

TJclSimpleXMLElems::TJclSimpleXMLElems(TJclSimpleXMLElem* parent)
    : FParent(parent), FElems(parent->Options().Contains(sxoCaseSensitive)) {}

TJclSimpleXMLElems::~TJclSimpleXMLElems() = default;

bool TJclSimpleXMLElems::AutoCreate() const {
  return FParent->Options().Contains(sxoAutoCreate);
}

TJclSimpleXMLElem* TJclSimpleXMLElems::Attach(std::unique_ptr<TJclSimpleXMLElem> elem,
                                              std::optional<size_t> index) {
  elem->Attach(FParent, FParent->FSimpleXML);
  if (!index) {
    TJclSimpleXMLElem* added = FElems.Add(std::move(elem));
    if (FNamedElems)
      if (TJclSimpleXMLNamedElems* view = FNamedElems->ItemNamed(added->Name()))
        view->FItems.push_back(added);
    return added;
  }
  TJclSimpleXMLElem* inserted = FElems.Insert(*index, std::move(elem));
  RebuildNamedViews();
  return inserted;
}

void TJclSimpleXMLElems::RebuildNamedViews() {
  if (!FNamedElems) return;
  for (auto& view : FNamedElems->Items()) {
    view->FItems.clear();
    for (auto& child : FElems.Items())
      if (FElems.SameName(child->Name(), view->Name())) view->FItems.push_back(child.get());
  }
}

void TJclSimpleXMLElems::ChildRenamed() {
  FElems.InvalidateNames();
  RebuildNamedViews();
}

template <class TElem>
TElem* TJclSimpleXMLElems::AddNew(std::string_view name, std::string_view value) {
  auto elem = std::make_unique<TElem>(FParent);
  elem->FName = name;
  elem->SetValue(value);
  return static_cast<TElem*>(Attach(std::move(elem), std::nullopt));
}

TJclSimpleXMLElemClassic* TJclSimpleXMLElems::Add(std::string_view name) {
  return AddNew<TJclSimpleXMLElemClassic>(name, {});
}

TJclSimpleXMLElemClassic* TJclSimpleXMLElems::Add(std::string_view name, std::string_view value) {
  return AddNew<TJclSimpleXMLElemClassic>(name, value);
}

TJclSimpleXMLElemClassic* TJclSimpleXMLElems::Add(std::string_view name, int64_t value) {
  return AddNew<TJclSimpleXMLElemClassic>(name, std::to_string(value));
}

TJclSimpleXMLElemClassic* TJclSimpleXMLElems::Add(std::string_view name, bool value) {
  return AddNew<TJclSimpleXMLElemClassic>(name, BoolText(value));
}

TJclSimpleXMLElemClassic* TJclSimpleXMLElems::Add(std::string_view name, std::istream& stream) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  char block[8192];
  while (stream.read(block, sizeof block) || stream.gcount() > 0) {
    for (std::streamsize i = 0; i < stream.gcount(); ++i) {
      const auto byte = static_cast<unsigned char>(block[i]);
      hex += kHex[byte >> 4];
      hex += kHex[byte & 0xF];
    }
  }
  return AddNew<TJclSimpleXMLElemClassic>(name, hex);
}

TJclSimpleXMLElem* TJclSimpleXMLElems::Add(std::unique_ptr<TJclSimpleXMLElem> elem) {
  return Attach(std::move(elem), std::nullopt);
}

TJclSimpleXMLElemClassic* TJclSimpleXMLElems::AddFirst(std::string_view name) {
  return Insert(name, 0);
}

TJclSimpleXMLElem* TJclSimpleXMLElems::AddFirst(std::unique_ptr<TJclSimpleXMLElem> elem) {
  return Insert(std::move(elem), 0);
}

TJclSimpleXMLElem* TJclSimpleXMLElems::AddComment(std::string_view name, std::string_view value) {
  return AddNew<TJclSimpleXMLElemComment>(name, value);
}

TJclSimpleXMLElem* TJclSimpleXMLElems::AddCData(std::string_view name, std::string_view value) {
  return AddNew<TJclSimpleXMLElemCData>(name, value);
}

TJclSimpleXMLElem* TJclSimpleXMLElems::AddText(std::string_view name, std::string_view value) {
  return AddNew<TJclSimpleXMLElemText>(name, value);
}

TJclSimpleXMLElem* TJclSimpleXMLElems::Insert(std::unique_ptr<TJclSimpleXMLElem> elem,
                                              size_t index) {
  return Attach(std::move(elem), index);
}

TJclSimpleXMLElemClassic* TJclSimpleXMLElems::Insert(std::string_view name, size_t index) {
  auto elem = std::make_unique<TJclSimpleXMLElemClassic>(FParent);
  elem->FName = name;
  return static_cast<TJclSimpleXMLElemClassic*>(Attach(std::move(elem), index));
}

void TJclSimpleXMLElems::Clear() {
  FElems.Clear();
  RebuildNamedViews();
}

void TJclSimpleXMLElems::Delete(size_t index) {
  if (index >= Count()) return;
  const std::unique_ptr<TJclSimpleXMLElem> removed = FElems.Extract(index);
  if (FNamedElems)
    for (auto& view : FNamedElems->Items()) std::erase(view->FItems, removed.get());
}

void TJclSimpleXMLElems::Delete(std::string_view name) {
  if (const auto index = IndexOf(name)) Delete(*index);
}

std::optional<size_t> TJclSimpleXMLElems::Remove(TJclSimpleXMLElem* elem) {
  const auto index = IndexOf(elem);
  if (index) Delete(*index);
  return index;
}

void TJclSimpleXMLElems::Move(size_t curIndex, size_t newIndex) {
  if (curIndex >= Count() || newIndex >= Count()) return;
  FElems.Move(curIndex, newIndex);
  RebuildNamedViews();
}

std::optional<size_t> TJclSimpleXMLElems::IndexOf(const TJclSimpleXMLElem* elem) const {
  return FElems.IndexOf(elem);
}

std::optional<size_t> TJclSimpleXMLElems::IndexOf(std::string_view name) {
  return FElems.IndexOfName(name);
}

void TJclSimpleXMLElems::Sort() {
  CustomSort([this](size_t a, size_t b) {
    const std::string left = UpperCase(Item(a)->Name());
    const std::string right = UpperCase(Item(b)->Name());
    return left.compare(right);
  });
}

void TJclSimpleXMLElems::CustomSort(const std::function<int(size_t, size_t)>& compare) {
  if (Count() < 2) return;
  std::vector<size_t> order(Count());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return compare(a, b) < 0; });
  auto& items = FElems.Items();
  std::vector<std::unique_ptr<TJclSimpleXMLElem>> sorted;
  sorted.reserve(items.size());
  for (const size_t index : order) sorted.push_back(std::move(items[index]));
  items = std::move(sorted);
  FElems.InvalidateNames();
  RebuildNamedViews();
}

TJclSimpleXMLElem* TJclSimpleXMLElems::FindOrCreate(std::string_view name,
                                                    std::string_view defaultText) {
  if (TJclSimpleXMLElem* found = FElems.ItemNamed(name)) return found;
  return AutoCreate() ? Add(name, defaultText) : nullptr;
}

TJclSimpleXMLElem* TJclSimpleXMLElems::ItemNamed(std::string_view name) {
  return FindOrCreate(name, {});
}

TJclSimpleXMLNamedElems* TJclSimpleXMLElems::NamedElems(std::string_view name) {
  if (!FNamedElems)
    FNamedElems = std::make_unique<TJclSimpleItemHashedList<TJclSimpleXMLNamedElems>>(
        FParent->Options().Contains(sxoCaseSensitive));
  if (TJclSimpleXMLNamedElems* view = FNamedElems->ItemNamed(name)) return view;
  auto view = std::make_unique<TJclSimpleXMLNamedElems>(this, std::string(name));
  for (auto& child : FElems.Items())
    if (FElems.SameName(child->Name(), name)) view->FItems.push_back(child.get());
  return FNamedElems->Add(std::move(view));
}

std::string TJclSimpleXMLElems::Value(std::string_view name, std::string_view defaultValue) {
  const TJclSimpleXMLElem* elem = FindOrCreate(name, defaultValue);
  return elem ? elem->Value() : std::string(defaultValue);
}

int64_t TJclSimpleXMLElems::IntValue(std::string_view name, int64_t defaultValue) {
  const TJclSimpleXMLElem* elem = FindOrCreate(name, std::to_string(defaultValue));
  return elem ? elem->IntValue() : defaultValue;
}

double TJclSimpleXMLElems::FloatValue(std::string_view name, double defaultValue) {
  const TJclSimpleXMLElem* elem = FindOrCreate(name, FloatToText(defaultValue));
  return elem ? elem->FloatValue() : defaultValue;
}

bool TJclSimpleXMLElems::BoolValue(std::string_view name, bool defaultValue) {
  const TJclSimpleXMLElem* elem = FindOrCreate(name, BoolText(defaultValue));
  return elem ? TextToBool(elem->Value()).value_or(defaultValue) : defaultValue;
}

void TJclSimpleXMLElems::BinaryValue(std::string_view name, std::ostream& stream) {
  if (const TJclSimpleXMLElem* elem = FindOrCreate(name, {})) elem->GetBinaryValue(stream);
}

TJclSimpleXMLElems::const_iterator TJclSimpleXMLElems::begin() const {
  return const_iterator(this, 0);
}

TJclSimpleXMLElems::const_iterator TJclSimpleXMLElems::end() const {
  return const_iterator(this, Count());
}

// --- attribute list ---

TJclSimpleXMLProp* TJclSimpleXMLProps::Find(std::string_view name) const {
  for (const auto& prop : FProperties)
    if (SameText(prop->Name(), name)) return prop.get();
  return nullptr;
}

TJclSimpleXMLProp* TJclSimpleXMLProps::FindOrCreate(std::string_view name,
                                                    std::string_view defaultText) {
  if (TJclSimpleXMLProp* found = Find(name)) return found;
  return FParent->Options().Contains(sxoAutoCreate) ? Add(name, defaultText) : nullptr;
}

TJclSimpleXMLProp* TJclSimpleXMLProps::ItemNamed(std::string_view name) {
  return FindOrCreate(name, {});
}

TJclSimpleXMLProp* TJclSimpleXMLProps::Add(std::string_view name, std::string_view value) {
  return Insert(FProperties.size(), name, value);
}

TJclSimpleXMLProp* TJclSimpleXMLProps::Add(std::string_view name, int64_t value) {
  return Add(name, std::string_view(std::to_string(value)));
}

TJclSimpleXMLProp* TJclSimpleXMLProps::Add(std::string_view name, bool value) {
  return Add(name, std::string_view(BoolText(value)));
}

TJclSimpleXMLProp* TJclSimpleXMLProps::Insert(size_t index, std::string_view name,
                                              std::string_view value) {
  auto prop = std::make_unique<TJclSimpleXMLProp>(FParent, std::string(name), std::string(value));
  TJclSimpleXMLProp* inserted = prop.get();
  index = std::min(index, FProperties.size());
  FProperties.insert(FProperties.begin() + static_cast<ptrdiff_t>(index), std::move(prop));
  return inserted;
}

TJclSimpleXMLProp* TJclSimpleXMLProps::Insert(size_t index, std::string_view name, int64_t value) {
  return Insert(index, name, std::string_view(std::to_string(value)));
}

TJclSimpleXMLProp* TJclSimpleXMLProps::Insert(size_t index, std::string_view name, bool value) {
  return Insert(index, name, std::string_view(BoolText(value)));
}

void TJclSimpleXMLProps::Delete(size_t index) {
  if (index < FProperties.size())
    FProperties.erase(FProperties.begin() + static_cast<ptrdiff_t>(index));
}

void TJclSimpleXMLProps::Delete(std::string_view name) {
  for (size_t i = 0; i < FProperties.size(); ++i) {
    if (SameText(FProperties[i]->Name(), name)) {
      Delete(i);
      return;
    }
  }
}

std::string TJclSimpleXMLProps::Value(std::string_view name, std::string_view defaultValue) {
  const TJclSimpleXMLProp* prop = FindOrCreate(name, defaultValue);
  return prop ? prop->Value() : std::string(defaultValue);
}

int64_t TJclSimpleXMLProps::IntValue(std::string_view name, int64_t defaultValue) {
  const TJclSimpleXMLProp* prop = FindOrCreate(name, std::to_string(defaultValue));
  return prop ? prop->IntValue() : defaultValue;
}

double TJclSimpleXMLProps::FloatValue(std::string_view name, double defaultValue) {
  const TJclSimpleXMLProp* prop = FindOrCreate(name, FloatToText(defaultValue));
  return prop ? prop->FloatValue() : defaultValue;
}

bool TJclSimpleXMLProps::BoolValue(std::string_view name, bool defaultValue) {
  const TJclSimpleXMLProp* prop = FindOrCreate(name, BoolText(defaultValue));
  return prop ? TextToBool(prop->Value()).value_or(defaultValue) : defaultValue;
}

// --- element ---

TJclSimpleXMLElem::TJclSimpleXMLElem(TJclSimpleXMLElem* parent)
    : FParent(parent), FSimpleXML(parent ? parent->FSimpleXML : nullptr) {}

// The descendants are freed one at a time rather than one call per level, so that no depth of
// tree can exhaust the stack.
TJclSimpleXMLElem::~TJclSimpleXMLElem() {
  if (!FItems) return;
  std::vector<std::unique_ptr<TJclSimpleXMLElem>> pending;
  TakeChildren(pending);
  while (!pending.empty()) {
    const std::unique_ptr<TJclSimpleXMLElem> elem = std::move(pending.back());
    pending.pop_back();
    elem->TakeChildren(pending);
  }
}

void TJclSimpleXMLElem::TakeChildren(std::vector<std::unique_ptr<TJclSimpleXMLElem>>& pending) {
  if (!FItems) return;
  for (auto& child : FItems->FElems.Items()) pending.push_back(std::move(child));
  FItems.reset();
}

void TJclSimpleXMLElem::Attach(TJclSimpleXMLElem* parent, TJclSimpleXML* simpleXML) {
  FParent = parent;
  // The reader attaches every element before it has children.
  if (!HasItems()) {
    FSimpleXML = simpleXML;
    return;
  }
  std::vector<TJclSimpleXMLElem*> pending{this};
  while (!pending.empty()) {
    TJclSimpleXMLElem* elem = pending.back();
    pending.pop_back();
    if (elem->FSimpleXML == simpleXML) continue;
    elem->FSimpleXML = simpleXML;
    if (elem->FItems)
      for (TJclSimpleXMLElem* child : *elem->FItems) pending.push_back(child);
  }
}

TJclSimpleXMLOptions TJclSimpleXMLElem::Options() const {
  return FSimpleXML ? FSimpleXML->Options() : kDefaultSimpleXMLOptions;
}

void TJclSimpleXMLElem::SetName(std::string_view name) {
  if (name.empty() || name == FName) return;
  FName = name;
  NotifyRenamed();
}

void TJclSimpleXMLElem::TakeName(std::string& name) {
  if (name.empty() || name == FName) return;
  FName = std::move(name);
  NotifyRenamed();
}

void TJclSimpleXMLElem::NotifyRenamed() {
  if (FParent && FParent->FItems) FParent->FItems->ChildRenamed();
}

TJclSimpleXMLElems& TJclSimpleXMLElem::Items() {
  if (!FItems) FItems = std::make_unique<TJclSimpleXMLElems>(this);
  return *FItems;
}

TJclSimpleXMLProps& TJclSimpleXMLElem::Properties() {
  if (!FProps) FProps = std::make_unique<TJclSimpleXMLProps>(this);
  return *FProps;
}

size_t TJclSimpleXMLElem::ChildsCount() const {
  size_t count = 0;
  std::vector<const TJclSimpleXMLElem*> pending{this};
  while (!pending.empty()) {
    const TJclSimpleXMLElem* elem = pending.back();
    pending.pop_back();
    ++count;
    if (elem->FItems)
      for (const TJclSimpleXMLElem* child : *elem->FItems) pending.push_back(child);
  }
  return count;
}

void TJclSimpleXMLElem::Clear() {
  if (FItems) FItems->Clear();
  if (FProps) FProps->Clear();
}

void TJclSimpleXMLElem::Assign(const TJclSimpleXMLElem& source) {
  if (&source == this) return;
  Clear();
  FName = source.FName;
  FNameSpace = source.FNameSpace;
  FValue = source.FValue;
  NotifyRenamed();
  if (source.FProps)
    for (const auto& prop : *source.FProps)
      Properties().Add(prop->Name(), prop->Value())->SetNameSpace(prop->NameSpace());
  if (source.FItems)
    for (const TJclSimpleXMLElem* child : *source.FItems) Items().Add(child->Clone());
}

std::unique_ptr<TJclSimpleXMLElem> TJclSimpleXMLElem::Clone() const {
  std::unique_ptr<TJclSimpleXMLElem> copy = CreateEmpty();
  copy->Assign(*this);
  return copy;
}

void TJclSimpleXMLElem::LoadFromString(std::string_view text) {
  TJclUTF8Stream stream(text);
  LoadFromStringStream(stream);
}

std::string TJclSimpleXMLElem::SaveToString() {
  std::string text;
  TJclUTF8Stream stream(&text);
  SaveToStringStream(stream, {});
  return text;
}

void TJclSimpleXMLElem::GetBinaryValue(std::ostream& stream) const {
  std::string bytes;
  bytes.reserve(FValue.size() / 2);
  for (size_t i = 0; i + 1 < FValue.size(); i += 2) {
    const int high = HexDigitValue(FValue[i]);
    const int low = HexDigitValue(FValue[i + 1]);
    bytes += static_cast<char>(high < 0 || low < 0 ? 0 : high * 16 + low);
  }
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::optional<size_t> TJclSimpleXMLElem::GetChildIndex(const TJclSimpleXMLElem* child) const {
  return FItems ? FItems->IndexOf(child) : std::nullopt;
}

std::optional<size_t> TJclSimpleXMLElem::GetNamedIndex(const TJclSimpleXMLElem* child) const {
  if (!FItems || !FItems->IndexOf(child)) return std::nullopt;
  return FItems->NamedElems(child->Name())->IndexOf(child);
}

std::string TJclSimpleXMLElem::EncodeValue(std::string_view value) const {
  std::string encoded;
  AppendEncodedValue(encoded, value);
  return encoded;
}

void TJclSimpleXMLElem::AppendEncodedValue(std::string& out, std::string_view value) const {
  if (FSimpleXML)
    FSimpleXML->AppendEncodedValue(out, value);
  else
    AppendFullEncoded(out, value);
}

void TJclSimpleXMLElem::DecodeValueInPlace(std::string& value) const {
  if (FSimpleXML)
    FSimpleXML->DecodeValueInPlace(value);
  else
    FullDecode(value);
}

// --- element kinds ---

std::unique_ptr<TJclSimpleXMLElem> TJclSimpleXMLElemClassic::CreateEmpty() const {
  return std::make_unique<TJclSimpleXMLElemClassic>();
}
std::unique_ptr<TJclSimpleXMLElem> TJclSimpleXMLElemText::CreateEmpty() const {
  return std::make_unique<TJclSimpleXMLElemText>();
}
std::unique_ptr<TJclSimpleXMLElem> TJclSimpleXMLElemComment::CreateEmpty() const {
  return std::make_unique<TJclSimpleXMLElemComment>();
}
std::unique_ptr<TJclSimpleXMLElem> TJclSimpleXMLElemCData::CreateEmpty() const {
  return std::make_unique<TJclSimpleXMLElemCData>();
}
std::unique_ptr<TJclSimpleXMLElem> TJclSimpleXMLElemProcessingInstruction::CreateEmpty() const {
  return std::make_unique<TJclSimpleXMLElemProcessingInstruction>();
}
std::unique_ptr<TJclSimpleXMLElem> TJclSimpleXMLElemHeader::CreateEmpty() const {
  return std::make_unique<TJclSimpleXMLElemHeader>();
}
std::unique_ptr<TJclSimpleXMLElem> TJclSimpleXMLElemSheet::CreateEmpty() const {
  return std::make_unique<TJclSimpleXMLElemSheet>();
}
std::unique_ptr<TJclSimpleXMLElem> TJclSimpleXMLElemMSOApplication::CreateEmpty() const {
  return std::make_unique<TJclSimpleXMLElemMSOApplication>();
}
std::unique_ptr<TJclSimpleXMLElem> TJclSimpleXMLElemDocType::CreateEmpty() const {
  return std::make_unique<TJclSimpleXMLElemDocType>();
}

TJclSimpleXMLElemSheet::TJclSimpleXMLElemSheet(TJclSimpleXMLElem* parent)
    : TJclSimpleXMLElemProcessingInstruction(parent) {
  FName = "xml-stylesheet";
}

TJclSimpleXMLElemMSOApplication::TJclSimpleXMLElemMSOApplication(TJclSimpleXMLElem* parent)
    : TJclSimpleXMLElemProcessingInstruction(parent) {
  FName = "mso-application";
}

TJclSimpleXMLElemHeader::TJclSimpleXMLElemHeader(TJclSimpleXMLElem* parent)
    : TJclSimpleXMLElemProcessingInstruction(parent) {
  FName = "xml";
}

std::string TJclSimpleXMLElemHeader::Version() {
  const TJclSimpleXMLProp* prop = Properties().Find("version");
  return prop ? prop->Value() : "1.0";
}

void TJclSimpleXMLElemHeader::SetVersion(std::string_view version) {
  if (TJclSimpleXMLProp* prop = Properties().Find("version"))
    prop->SetValue(version);
  else
    Properties().Insert(0, "version", version);
}

std::string TJclSimpleXMLElemHeader::Encoding() {
  if (const TJclSimpleXMLProp* prop = Properties().Find("encoding")) return prop->Value();
  uint16_t codePage = SimpleXML() ? SimpleXML()->CodePage() : CP_UTF16LE;
  if (codePage == CP_ACP) codePage = SystemAnsiCodePage();
  return CharsetNameFromCodePage(codePage);
}

void TJclSimpleXMLElemHeader::SetEncoding(std::string_view encoding) {
  if (TJclSimpleXMLProp* prop = Properties().Find("encoding"))
    prop->SetValue(encoding);
  else
    Properties().Add("encoding", encoding);
}

bool TJclSimpleXMLElemHeader::StandAlone() {
  const TJclSimpleXMLProp* prop = Properties().Find("standalone");
  return prop && prop->Value() == "yes";
}

void TJclSimpleXMLElemHeader::SetStandAlone(bool standAlone) {
  const char* text = standAlone ? "yes" : "no";
  if (TJclSimpleXMLProp* prop = Properties().Find("standalone"))
    prop->SetValue(text);
  else
    Properties().Add("standalone", text);
}

void TJclSimpleXMLElemHeader::CompleteAttributes() {
  SetVersion(Version());
  SetEncoding(Encoding());
  SetStandAlone(StandAlone());
}

// --- prolog ---

TJclSimpleXMLElem* TJclSimpleXMLElemsProlog::Append(std::unique_ptr<TJclSimpleXMLElem> elem) {
  TJclSimpleXMLElem* appended = elem.get();
  appended->Attach(nullptr, FSimpleXML);
  FElems.push_back(std::move(elem));
  return appended;
}

TJclSimpleXMLElemHeader* TJclSimpleXMLElemsProlog::FindHeader() const {
  for (const auto& elem : FElems)
    if (auto* header = dynamic_cast<TJclSimpleXMLElemHeader*>(elem.get())) return header;
  return nullptr;
}

TJclSimpleXMLElemHeader& TJclSimpleXMLElemsProlog::EnsureHeader() {
  if (TJclSimpleXMLElemHeader* header = FindHeader()) return *header;
  return *AppendNew<TJclSimpleXMLElemHeader>();
}

TJclSimpleXMLElemComment* TJclSimpleXMLElemsProlog::AddComment(std::string_view value) {
  EnsureHeader();
  auto* comment = AppendNew<TJclSimpleXMLElemComment>();
  comment->SetValue(value);
  return comment;
}

TJclSimpleXMLElemDocType* TJclSimpleXMLElemsProlog::AddDocType(std::string_view value) {
  EnsureHeader();
  auto* docType = AppendNew<TJclSimpleXMLElemDocType>();
  docType->SetValue(value);
  return docType;
}

TJclSimpleXMLElemSheet* TJclSimpleXMLElemsProlog::AddStyleSheet(std::string_view type,
                                                                std::string_view href) {
  EnsureHeader();
  auto* sheet = AppendNew<TJclSimpleXMLElemSheet>();
  sheet->Properties().Add("type", type);
  sheet->Properties().Add("href", href);
  return sheet;
}

TJclSimpleXMLElemMSOApplication* TJclSimpleXMLElemsProlog::AddMSOApplication(
    std::string_view progId) {
  EnsureHeader();
  auto* application = AppendNew<TJclSimpleXMLElemMSOApplication>();
  application->Properties().Add("progid", progId);
  return application;
}

std::string TJclSimpleXMLElemsProlog::Encoding() {
  return EnsureHeader().Encoding();
}
void TJclSimpleXMLElemsProlog::SetEncoding(std::string_view encoding) {
  EnsureHeader().SetEncoding(encoding);
}
std::string TJclSimpleXMLElemsProlog::Version() {
  return EnsureHeader().Version();
}
void TJclSimpleXMLElemsProlog::SetVersion(std::string_view version) {
  EnsureHeader().SetVersion(version);
}
bool TJclSimpleXMLElemsProlog::StandAlone() {
  return EnsureHeader().StandAlone();
}
void TJclSimpleXMLElemsProlog::SetStandAlone(bool standAlone) {
  EnsureHeader().SetStandAlone(standAlone);
}
