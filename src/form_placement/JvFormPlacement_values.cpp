#include "JvFormPlacement_values.h"

#include <charconv>

#include "JvAppStorage.h"
#include "JvFormPlacement.h"

namespace {

template <class... TVisitors>
struct TOverloaded : TVisitors... {
  using TVisitors::operator()...;
};

std::optional<int32_t> TextToInteger(const std::string& text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<bool> TextToBoolean(const std::string& text) {
  const std::string upper = AsciiUpperCase(text);
  if (upper == "TRUE") return true;
  if (upper == "FALSE") return false;
  return std::nullopt;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

char KeyByte(const std::string& key, size_t index) {
  return key.empty() ? 0 : key[index % key.size()];
}

}  // namespace

// --- Text forms

std::string StoredVariantToText(const TStoredVariant& value) {
  return std::visit(TOverloaded{[](std::monostate) { return std::string(); },
                                [](int32_t number) { return std::to_string(number); },
                                [](double number) { return ExtendedToText(number); },
                                [](TVarDate date) { return DateTimeToText(date.Value); },
                                [](bool flag) { return std::string(flag ? "True" : "False"); },
                                [](const std::string& text) { return text; }},
                    value);
}

std::optional<TStoredVariant> TextToStoredVariant(const std::string& text,
                                                  const TStoredVariant& like) {
  std::optional<TStoredVariant> converted;
  if (std::holds_alternative<int32_t>(like)) {
    if (const auto number = TextToInteger(text)) converted.emplace(*number);
  } else if (std::holds_alternative<double>(like)) {
    if (const auto number = TextToExtended(text)) converted.emplace(static_cast<double>(*number));
  } else if (std::holds_alternative<TVarDate>(like)) {
    if (const auto date = TextToDateTime(text)) converted.emplace(TVarDate{*date});
  } else if (std::holds_alternative<bool>(like)) {
    if (const auto flag = TextToBoolean(text)) converted.emplace(*flag);
  } else {
    converted.emplace(text);
  }
  return converted;
}

std::string ScrambleText(const std::string& text, const std::string& key) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string scrambled;
  scrambled.reserve(text.size() * 2);
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i] ^ KeyByte(key, i));
    scrambled += Digits[byte >> 4];
    scrambled += Digits[byte & 0x0F];
  }
  return scrambled;
}

std::optional<std::string> UnscrambleText(const std::string& text, const std::string& key) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::string plain;
  plain.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigitValue(text[i]);
    const int low = HexDigitValue(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    plain += static_cast<char>(static_cast<char>(high << 4 | low) ^ KeyByte(key, i / 2));
  }
  return plain;
}

// --- TJvStoredValue

void TJvStoredValue::SetName(const std::string& value) {
  FCollection.CheckUniqueName(value, this);
  FName = value;
}

std::string TJvStoredValue::StorageName() const {
  return TJvCustomAppStorage::ConcatPaths({FCollection.Path(), FName});
}

void TJvStoredValue::Save() {
  TStoredVariant value = FValue;
  if (OnSave) OnSave(this, value);
  TJvFormPlacement& storage = FCollection.Storage();
  const std::string name = StorageName();
  if (!FKeyString.empty()) {
    storage.WriteString(name, ScrambleText(StoredVariantToText(value), FKeyString));
    return;
  }
  std::visit(
      TOverloaded{[&](int32_t number) { storage.WriteInteger(name, number); },
                  [&](double number) { storage.WriteFloat(name, number); },
                  [&](TVarDate date) { storage.WriteDateTime(name, date.Value); },
                  [&](bool flag) { storage.WriteBoolean(name, flag); },
                  [&](const auto&) { storage.WriteString(name, StoredVariantToText(value)); }},
      value);
}

void TJvStoredValue::Restore() {
  TJvFormPlacement& storage = FCollection.Storage();
  const std::string name = StorageName();
  TStoredVariant value;
  if (!FKeyString.empty()) {
    // A damaged or foreign text keeps the current value.
    const std::string scrambled =
        storage.ReadString(name, ScrambleText(StoredVariantToText(FValue), FKeyString));
    const std::optional<std::string> text = UnscrambleText(scrambled, FKeyString);
    value = text ? TextToStoredVariant(*text, FValue).value_or(FValue) : FValue;
  } else {
    value = std::visit(
        TOverloaded{
            [&](int32_t number) -> TStoredVariant { return storage.ReadInteger(name, number); },
            [&](double number) -> TStoredVariant {
              return static_cast<double>(storage.ReadFloat(name, number));
            },
            [&](TVarDate date) -> TStoredVariant {
              return TVarDate{storage.ReadDateTime(name, date.Value)};
            },
            [&](bool flag) -> TStoredVariant { return storage.ReadBoolean(name, flag); },
            [&](const auto&) -> TStoredVariant {
              return storage.ReadString(name, StoredVariantToText(FValue));
            }},
        FValue);
  }
  if (OnRestore) OnRestore(this, value);
  FValue = std::move(value);
}

// --- TJvStoredValues

void TJvStoredValues::CheckUniqueName(const std::string& name, const TJvStoredValue* except) const {
  const int index = IndexOf(name);
  if (index >= 0 && &Items(index) != except)
    throw EJVCLException("String list does not allow duplicates");
}

TJvStoredValue& TJvStoredValues::Add(const std::string& name) {
  CheckUniqueName(name, nullptr);
  FItems.push_back(std::make_unique<TJvStoredValue>(*this, name));
  return *FItems.back();
}

int TJvStoredValues::IndexOf(const std::string& name) const {
  const std::string upper = AsciiUpperCase(name);
  for (size_t i = 0; i < FItems.size(); ++i)
    if (AsciiUpperCase(FItems[i]->Name()) == upper) return static_cast<int>(i);
  return -1;
}

TJvStoredValue* TJvStoredValues::StoredValue(const std::string& name) const {
  const int index = IndexOf(name);
  return index < 0 ? nullptr : &Items(index);
}

TStoredVariant TJvStoredValues::Values(const std::string& name) const {
  const TJvStoredValue* item = StoredValue(name);
  return item ? item->Value() : TStoredVariant{};
}

void TJvStoredValues::SetValues(const std::string& name, const TStoredVariant& value) {
  TJvStoredValue* item = StoredValue(name);
  (item ? *item : Add(name)).SetValue(value);
}

void TJvStoredValues::SaveValues() {
  for (const auto& item : FItems) item->Save();
}

void TJvStoredValues::RestoreValues() {
  for (const auto& item : FItems) item->Restore();
}
