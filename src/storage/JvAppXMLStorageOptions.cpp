#include "JvAppXMLStorageOptions.h"

#include "JvAppStorage.h"
#include "JvAppXMLStorage.h"

namespace {

bool IsWhiteSpace(char c) {
  return (c >= 9 && c <= 13) || c == ' ';
}

// Raises when value holds a character that may not stand in an element name.
void CheckReplacement(const std::string& value, const char* propertyName) {
  for (std::string_view c : SplitUtf8Characters(value))
    if (c.size() > 1 || !IsNodeNameChar(c.front()))
      throw EJVCLException(Format("\"%s\" is not an allowed character for the %s property.",
                                  std::string(c).c_str(), propertyName));
}

}  // namespace

bool IsNodeNameChar(char c) {
  return c == '-' || c == '.' || c == ':' || c == '_' || (c >= '0' && c <= '9') ||
         (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::vector<std::string_view> SplitUtf8Characters(std::string_view text) {
  std::vector<std::string_view> characters;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = pos + 1;
    if (static_cast<unsigned char>(text[pos]) >= 0xC0)
      while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    characters.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  return characters;
}

void TJvAppFileStorageOptions::Assign(const TJvCustomAppStorageOptions& source) {
  if (const auto* file = dynamic_cast<const TJvAppFileStorageOptions*>(&source)) {
    SetBackupType(file->BackupType());
    SetBackupKeepFileAfterFlush(file->BackupKeepFileAfterFlush());
    SetBackupHistoryCount(file->BackupHistoryCount());
    SetBackupHistoryType(file->BackupHistoryType());
  }
  TJvCustomAppStorageOptions::Assign(source);
}

void TJvAppXMLStorageOptions::Assign(const TJvCustomAppStorageOptions& source) {
  if (const auto* xml = dynamic_cast<const TJvAppXMLStorageOptions*>(&source)) {
    SetWhiteSpaceReplacement(xml->WhiteSpaceReplacement());
    SetAutoEncodeValue(xml->AutoEncodeValue());
    SetAutoEncodeEntity(xml->AutoEncodeEntity());
    SetAutoIndent(xml->AutoIndent());
    SetInvalidCharReplacement(xml->InvalidCharReplacement());
    SetCodePage(xml->CodePage());
    SetEncoding(xml->Encoding());
  }
  TJvAppFileStorageOptions::Assign(source);
}

void TJvAppXMLStorageOptions::AttachTo(TJvCustomAppXMLStorage* storage) {
  FStorage = storage;
}

bool TJvAppXMLStorageOptions::DocumentOption(TJclSimpleXMLOption option, bool field) const {
  return FStorage ? FStorage->Xml().Options().Contains(option) : field;
}

void TJvAppXMLStorageOptions::SetDocumentOption(TJclSimpleXMLOption option, bool& field,
                                                bool value) {
  field = value;
  if (!FStorage) return;
  TJclSimpleXML& document = FStorage->Xml();
  const TJclSimpleXMLOptions options = document.Options();
  document.SetOptions(value ? options.With(option) : options.Without(option));
}

bool TJvAppXMLStorageOptions::AutoEncodeEntity() const {
  return DocumentOption(sxoAutoEncodeEntity, FAutoEncodeEntity);
}

void TJvAppXMLStorageOptions::SetAutoEncodeEntity(bool value) {
  SetDocumentOption(sxoAutoEncodeEntity, FAutoEncodeEntity, value);
}

bool TJvAppXMLStorageOptions::AutoEncodeValue() const {
  return DocumentOption(sxoAutoEncodeValue, FAutoEncodeValue);
}

void TJvAppXMLStorageOptions::SetAutoEncodeValue(bool value) {
  SetDocumentOption(sxoAutoEncodeValue, FAutoEncodeValue, value);
}

bool TJvAppXMLStorageOptions::AutoIndent() const {
  return DocumentOption(sxoAutoIndent, FAutoIndent);
}

void TJvAppXMLStorageOptions::SetAutoIndent(bool value) {
  SetDocumentOption(sxoAutoIndent, FAutoIndent, value);
}

void TJvAppXMLStorageOptions::SetInvalidCharReplacement(const std::string& value) {
  if (value == FInvalidCharReplacement) return;
  CheckReplacement(value, "InvalidCharReplacement");
  FInvalidCharReplacement = value;
}

void TJvAppXMLStorageOptions::SetWhiteSpaceReplacement(const std::string& value) {
  if (value == FWhiteSpaceReplacement) return;
  for (char c : value)
    if (IsWhiteSpace(c))
      throw EJVCLException("The WhiteSpaceReplacement property cannot contain any white spaces.");
  CheckReplacement(value, "WhiteSpaceReplacement");
  FWhiteSpaceReplacement = value;
}
