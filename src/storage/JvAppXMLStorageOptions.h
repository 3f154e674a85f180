#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "JclSimpleXml.h"
#include "JvAppStorageOptions.h"

class TJvCustomAppXMLStorage;

// The characters an element name may hold as they stand: "-", ".", ":", "_", digits and
// ASCII letters.
bool IsNodeNameChar(char c);
// The UTF-8 characters of text, each with its continuation bytes; stray bytes stand alone.
std::vector<std::string_view> SplitUtf8Characters(std::string_view text);

enum TJvAppFileStorageBackupType { afsbtNone, afsbtCreateBefore, afsbtRenameAfter };

// The minimum age of the newest history copy before another one is made.
enum TJvAppFileStorageBackupHistoryType {
  afsbhtNone,
  afsbhtAllways,
  afsbht1Minute,
  afsbht15Minute,
  afsbht1Hour,
  afsbht4Hour,
  afsbht12Hour,
  afsbht1Day,
  afsbht3Day,
  afsbht1Week,
  afsbht1Month
};

// Options of a storage kept in one file: backups made by each flush.
class TJvAppFileStorageOptions : public TJvCustomAppStorageOptions {
 public:
  void Assign(const TJvCustomAppStorageOptions& source) override;

  int32_t BackupHistoryCount() const { return FBackupHistoryCount; }
  void SetBackupHistoryCount(int32_t value) { FBackupHistoryCount = value; }
  TJvAppFileStorageBackupHistoryType BackupHistoryType() const { return FBackupHistoryType; }
  void SetBackupHistoryType(TJvAppFileStorageBackupHistoryType value) {
    FBackupHistoryType = value;
  }
  TJvAppFileStorageBackupType BackupType() const { return FBackupType; }
  void SetBackupType(TJvAppFileStorageBackupType value) { FBackupType = value; }
  bool BackupKeepFileAfterFlush() const { return FBackupKeepFileAfterFlush; }
  void SetBackupKeepFileAfterFlush(bool value) { FBackupKeepFileAfterFlush = value; }

 private:
  int32_t FBackupHistoryCount = 0;
  TJvAppFileStorageBackupHistoryType FBackupHistoryType = afsbhtNone;
  TJvAppFileStorageBackupType FBackupType = afsbtNone;
  bool FBackupKeepFileAfterFlush = false;
};

// Options of the XML storage. While attached to a storage, the three encoding and indenting
// switches live in the document's options, so both always agree.
class TJvAppXMLStorageOptions : public TJvAppFileStorageOptions {
 public:
  void Assign(const TJvCustomAppStorageOptions& source) override;

  bool AutoEncodeEntity() const;
  void SetAutoEncodeEntity(bool value);
  bool AutoEncodeValue() const;
  void SetAutoEncodeValue(bool value);
  bool AutoIndent() const;
  void SetAutoIndent(bool value);
  uint16_t CodePage() const { return FCodePage; }
  void SetCodePage(uint16_t value) { FCodePage = value; }
  TJclStringEncoding Encoding() const { return FEncoding; }
  void SetEncoding(TJclStringEncoding value) { FEncoding = value; }
  // Both replacements may hold only characters allowed in element names; the whitespace one
  // no whitespace either. A refused value raises EJVCLException and the old one stays.
  const std::string& InvalidCharReplacement() const { return FInvalidCharReplacement; }
  void SetInvalidCharReplacement(const std::string& value);
  const std::string& WhiteSpaceReplacement() const { return FWhiteSpaceReplacement; }
  void SetWhiteSpaceReplacement(const std::string& value);

 private:
  friend class TJvCustomAppXMLStorage;

  // The characters an element name may hold as they stand: "-", ".", ":", "_", digits and
  // ASCII letters.
  bool IsNodeNameChar(char c);
  // The UTF-8 characters of text, each with its continuation bytes; stray bytes stand alone.
  std::vector<std::string_view> SplitUtf8Characters(std::string_view text);
  // Hands the switches over to the storage's document.
  void AttachTo(TJvCustomAppXMLStorage* storage);
  bool DocumentOption(TJclSimpleXMLOption option, bool field) const;
  void SetDocumentOption(TJclSimpleXMLOption option, bool& field, bool value);

  bool FAutoEncodeEntity = true;
  bool FAutoEncodeValue = true;
  bool FAutoIndent = true;
  uint16_t FCodePage = CP_ACP;
  TJclStringEncoding FEncoding = seAuto;
  std::string FInvalidCharReplacement = "_";
  std::string FWhiteSpaceReplacement;
  TJvCustomAppXMLStorage* FStorage = nullptr;
};
