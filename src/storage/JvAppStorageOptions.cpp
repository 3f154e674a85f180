#include "JvAppStorageOptions.h"

#include <algorithm>

#include "JvAppStorageText.h"

namespace {

std::string FirstListEntry(const std::string& list) {
  return std::string(TrimBlanks(std::string_view(list).substr(0, list.find(','))));
}

bool IsListEntry(const std::string& list, const std::string& value) {
  const std::vector<std::string> entries = SplitCommaText(AsciiUpperCase(list));
  return std::find(entries.begin(), entries.end(), AsciiUpperCase(value)) != entries.end();
}

}  // namespace

TJvCustomAppStorageOptions::TJvCustomAppStorageOptions() {
  // The lists first: BooleanAsString only turns on while both default texts exist.
  SetBooleanStringTrueValues("TRUE, YES, Y");
  SetBooleanStringFalseValues("FALSE, NO, N");
  SetBooleanAsString(true);
}

void TJvCustomAppStorageOptions::Assign(const TJvCustomAppStorageOptions& source) {
  if (&source == this) return;
  SetBooleanStringTrueValues(source.BooleanStringTrueValues());
  SetBooleanStringFalseValues(source.BooleanStringFalseValues());
  SetBooleanAsString(source.BooleanAsString());
  SetEnumerationAsString(source.EnumerationAsString());
  SetTypedIntegerAsString(source.TypedIntegerAsString());
  SetSetAsString(source.SetAsString());
  SetDateTimeAsString(source.DateTimeAsString());
  SetFloatAsString(source.FloatAsString());
  SetDefaultIfReadConvertError(source.DefaultIfReadConvertError());
  SetDefaultIfValueNotExists(source.DefaultIfValueNotExists());
  SetStoreDefaultValues(source.StoreDefaultValues());
  SetStoreStringListAsSingleString(source.StoreStringListAsSingleString());
  SetUseOldItemNameFormat(source.UseOldItemNameFormat());
  SetUseTranslateStringEngineDateTimeFormats(source.UseTranslateStringEngineDateTimeFormats());
}

void TJvCustomAppStorageOptions::SetBooleanAsString(bool value) {
  FBooleanAsString = value && !DefaultTrueString().empty() && !DefaultFalseString().empty();
}

void TJvCustomAppStorageOptions::SetBooleanStringTrueValues(const std::string& value) {
  FBooleanStringTrueValues = value;
  FBooleanAsString = FBooleanAsString && !DefaultTrueString().empty();
}

void TJvCustomAppStorageOptions::SetBooleanStringFalseValues(const std::string& value) {
  FBooleanStringFalseValues = value;
  FBooleanAsString = FBooleanAsString && !DefaultFalseString().empty();
}

std::string TJvCustomAppStorageOptions::DefaultTrueString() const {
  return FirstListEntry(FBooleanStringTrueValues);
}

std::string TJvCustomAppStorageOptions::DefaultFalseString() const {
  return FirstListEntry(FBooleanStringFalseValues);
}

bool TJvCustomAppStorageOptions::IsValueTrueString(const std::string& value) const {
  return IsListEntry(FBooleanStringTrueValues, value);
}

bool TJvCustomAppStorageOptions::IsValueFalseString(const std::string& value) const {
  return IsListEntry(FBooleanStringFalseValues, value);
}
