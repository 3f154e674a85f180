#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Classes.h"
#include "DateUtils.h"

// A date and time, told apart from a plain number so that it is stored as a date.
struct TVarDate {
  TDateTime Value = 0;
  friend bool operator==(const TVarDate&, const TVarDate&) = default;
};

// The value of a stored value: unassigned (std::monostate) or one of the kinds the storage
// writes with an operation of its own.
using TStoredVariant = std::variant<std::monostate, int32_t, double, TVarDate, bool, std::string>;

inline bool VarIsAssigned(const TStoredVariant& value) {
  return !std::holds_alternative<std::monostate>(value);
}

class TJvFormPlacement;
class TJvStoredValues;

using TJvStoredValueEvent = std::function<void(TObject* Sender, TStoredVariant& AValue)>;

// One named value that a form storage saves and restores with its placement.
class TJvStoredValue : public TObject {
 public:
  TJvStoredValue(TJvStoredValues& collection, std::string name)
      : FCollection(collection), FName(std::move(name)) {}

  const std::string& Name() const { return FName; }
  // Names are unique in the collection, whatever their letter case.
  void SetName(const std::string& value);
  const TStoredVariant& Value() const { return FValue; }
  void SetValue(const TStoredVariant& value) { FValue = value; }
  // A non-empty key stores the value as scrambled text.
  const std::string& KeyString() const { return FKeyString; }
  void SetKeyString(const std::string& value) { FKeyString = value; }
  void Clear() { FValue = std::monostate{}; }

  void Save();
  void Restore();

  TJvStoredValueEvent OnSave;
  TJvStoredValueEvent OnRestore;

 private:
  std::string StorageName() const;

  TJvStoredValues& FCollection;
  std::string FName;
  TStoredVariant FValue;
  std::string FKeyString;
};

// The named values of a form storage, kept below its path + Path.
class TJvStoredValues {
 public:
  explicit TJvStoredValues(TJvFormPlacement& storage) : FStorage(storage) {}

  TJvFormPlacement& Storage() const { return FStorage; }
  const std::string& Path() const { return FPath; }
  void SetPath(const std::string& value) { FPath = value; }

  // Raises EJVCLException when the name is taken.
  TJvStoredValue& Add(const std::string& name);
  int IndexOf(const std::string& name) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  TJvStoredValue& Items(int index) const { return *FItems.at(static_cast<size_t>(index)); }
  TJvStoredValue* StoredValue(const std::string& name) const;
  // Unassigned when there is no value of that name.
  TStoredVariant Values(const std::string& name) const;
  // Creates the value when there is none of that name.
  void SetValues(const std::string& name, const TStoredVariant& value);

  void SaveValues();
  void RestoreValues();

 private:
  friend class TJvStoredValue;
  void CheckUniqueName(const std::string& name, const TJvStoredValue* except) const;

  TJvFormPlacement& FStorage;
  std::string FPath;
  std::vector<std::unique_ptr<TJvStoredValue>> FItems;
};

// Text forms of stored variants, for values kept under a key.
std::string StoredVariantToText(const TStoredVariant& value);
// The text as a value of the same kind as like; nullopt when it does not convert.
std::optional<TStoredVariant> TextToStoredVariant(const std::string& text,
                                                  const TStoredVariant& like);
// Reversible scrambling of a value's text with a key: hexadecimal digits, so any text stores.
std::string ScrambleText(const std::string& text, const std::string& key);
std::optional<std::string> UnscrambleText(const std::string& text, const std::string& key);
