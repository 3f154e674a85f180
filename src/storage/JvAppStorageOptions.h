#pragma once

#include <string>

// How a storage represents numbers, booleans, dates, enumerations and sets. Concrete storages
// derive their own options from this class and extend Assign.
class TJvCustomAppStorageOptions {
 public:
  TJvCustomAppStorageOptions();
  virtual ~TJvCustomAppStorageOptions() = default;

  // Copies every option through the setters, so the boolean-text rules hold afterwards.
  virtual void Assign(const TJvCustomAppStorageOptions& source);

  bool BooleanAsString() const { return FBooleanAsString; }
  // Stays false while either default boolean text is empty.
  void SetBooleanAsString(bool value);
  const std::string& BooleanStringTrueValues() const { return FBooleanStringTrueValues; }
  void SetBooleanStringTrueValues(const std::string& value);
  const std::string& BooleanStringFalseValues() const { return FBooleanStringFalseValues; }
  void SetBooleanStringFalseValues(const std::string& value);

  // The first entry of each list, trimmed: the text written for true and false.
  std::string DefaultTrueString() const;
  std::string DefaultFalseString() const;
  bool IsValueTrueString(const std::string& value) const;
  bool IsValueFalseString(const std::string& value) const;

  bool EnumerationAsString() const { return FEnumAsStr; }
  void SetEnumerationAsString(bool value) { FEnumAsStr = value; }
  bool TypedIntegerAsString() const { return FIntAsStr; }
  void SetTypedIntegerAsString(bool value) { FIntAsStr = value; }
  bool SetAsString() const { return FSetAsStr; }
  void SetSetAsString(bool value) { FSetAsStr = value; }
  bool DateTimeAsString() const { return FDateTimeAsString; }
  void SetDateTimeAsString(bool value) { FDateTimeAsString = value; }
  bool FloatAsString() const { return FFloatAsString; }
  void SetFloatAsString(bool value) { FFloatAsString = value; }
  bool DefaultIfReadConvertError() const { return FDefaultIfReadConvertError; }
  void SetDefaultIfReadConvertError(bool value) { FDefaultIfReadConvertError = value; }
  bool DefaultIfValueNotExists() const { return FDefaultIfValueNotExists; }
  void SetDefaultIfValueNotExists(bool value) { FDefaultIfValueNotExists = value; }
  bool StoreDefaultValues() const { return FStoreDefaultValues; }
  void SetStoreDefaultValues(bool value) { FStoreDefaultValues = value; }
  bool StoreStringListAsSingleString() const { return FStoreStringListAsSingleString; }
  void SetStoreStringListAsSingleString(bool value) { FStoreStringListAsSingleString = value; }
  bool UseOldItemNameFormat() const { return FUseOldItemNameFormat; }
  void SetUseOldItemNameFormat(bool value) { FUseOldItemNameFormat = value; }
  bool UseTranslateStringEngineDateTimeFormats() const {
    return FUseTranslateStringEngineDateTimeFormats;
  }
  void SetUseTranslateStringEngineDateTimeFormats(bool value) {
    FUseTranslateStringEngineDateTimeFormats = value;
  }

 private:
  bool FBooleanAsString = false;
  std::string FBooleanStringTrueValues;
  std::string FBooleanStringFalseValues;
  bool FEnumAsStr = true;
  bool FIntAsStr = true;
  bool FSetAsStr = false;
  bool FDateTimeAsString = true;
  bool FFloatAsString = false;
  bool FDefaultIfReadConvertError = false;
  bool FDefaultIfValueNotExists = true;
  bool FStoreDefaultValues = true;
  bool FStoreStringListAsSingleString = false;
  bool FUseOldItemNameFormat = true;
  bool FUseTranslateStringEngineDateTimeFormats = false;
};

// The options class a plain storage creates.
using TJvAppStorageOptions = TJvCustomAppStorageOptions;
