#include "JvAppXMLStorage.h"

TJvCustomAppXMLStorage::TJvCustomAppXMLStorage(TComponent* AOwner)
    : TJvCustomAppMemoryFileStorage(AOwner, std::make_unique<TJvAppXMLStorageOptions>()),
      FXml(std::make_unique<TJclSimpleXML>()) {
  // Our files carry no byte-order mark; the header names the encoding.
  FXml->SetOptions(FXml->Options().With(sxoDoNotSaveBOM));
  TJvAppXMLStorageOptions& options = StorageOptions();
  options.AttachTo(this);
  options.SetAutoEncodeValue(true);
  options.SetAutoEncodeEntity(true);
  options.SetAutoIndent(true);
  SetRootNodeName("Configuration");
}

std::string TJvCustomAppXMLStorage::RootNodeName() const {
  return FXml->Root().Name();
}

void TJvCustomAppXMLStorage::SetRootNodeName(const std::string& value) {
  if (value.empty()) throw EPropertyError("The node must be given a name");
  FXml->Root().SetName(ConvertNodeName(value));
  SetRoot(value);
}

std::string TJvCustomAppXMLStorage::AsString() {
  EnsureHeader();
  return FXml->SaveToString();
}

void TJvCustomAppXMLStorage::SetAsString(const std::string& value) {
  FXml->LoadFromString(value);
}

void TJvCustomAppXMLStorage::EnsureHeader() {
  if (!FXml->Prolog().FindHeader()) FXml->Prolog().SetEncoding("UTF-8");
}

void TJvCustomAppXMLStorage::ClearContent() {
  FXml->Root().Clear();
}

void TJvCustomAppXMLStorage::SaveContentFile(const std::string& fileName) {
  EnsureHeader();
  const TJvAppXMLStorageOptions& options = StorageOptions();
  FXml->SaveToFile(fileName, options.Encoding(), options.CodePage());
}

void TJvCustomAppXMLStorage::LoadContentFile(const std::string& fileName) {
  const TJvAppXMLStorageOptions& options = StorageOptions();
  FXml->LoadFromFile(fileName, options.Encoding(), options.CodePage());
}
