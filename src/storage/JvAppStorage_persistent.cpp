// Objects saved and restored through their published properties.
#include <algorithm>
#include <charconv>

#include "JvAppStorage.h"
#include "JvAppStoragePropertyEngine.h"

namespace {

bool IsIgnored(const TJvAppStorageIgnoreProperties& ignoreProperties, std::string_view name) {
  return std::any_of(ignoreProperties.begin(), ignoreProperties.end(),
                     [&](const std::string& ignored) { return SameAsciiText(ignored, name); });
}

bool IsDateTime(const TPropInfo& info) {
  return info.PropType && info.PropType->Name == DateTimeType.Name;
}

const TTypeInfo& OrdinalType(const TPropInfo& info) {
  return info.PropType ? *info.PropType : IntegerType;
}

bool IsOrdinal(TPropKind kind) {
  return kind == TPropKind::pkInteger || kind == TPropKind::pkChar || kind == TPropKind::pkWChar ||
         kind == TPropKind::pkEnumeration;
}

// Objects whose content object persistence can store.
bool IsPersistable(const TObject& object) {
  return object.ClassInfo() || dynamic_cast<const TCollection*>(&object) ||
         dynamic_cast<const IAppStorageHandler*>(&object);
}

const TPropInfo& PublishedProperty(const TObject& object, const std::string& name) {
  const TPropInfo* info = GetPropInfo(object, name);
  if (!info) throw EJVCLAppStorageError("Unknown property '" + name + "'");
  return *info;
}

}  // namespace

void TJvCustomAppStorage::WritePersistent(const std::string& path, const TObject* persObj,
                                          bool recursive,
                                          const TJvAppStorageIgnoreProperties& ignoreProperties) {
  if (!persObj) return;
  const auto* handler = dynamic_cast<const IAppStorageHandler*>(persObj);
  if (handler) handler->WriteToStorage(*this, path);
  if (handler && !dynamic_cast<const IAppStoragePublishedProps*>(persObj)) return;
  const TPublishedClass* classInfo = persObj->ClassInfo();
  if (!classInfo) return;
  for (const TPropInfo* info : GetPropList(*classInfo)) {
    const std::string name(info->Name);
    if (IsIgnored(ignoreProperties, name)) continue;
    WriteProperty(ChildPath(path, TranslatePropertyName(persObj, name, false)), *persObj, name,
                  recursive, ignoreProperties);
  }
}

void TJvCustomAppStorage::ReadPersistent(const std::string& path, TObject* persObj, bool recursive,
                                         bool clearFirst,
                                         const TJvAppStorageIgnoreProperties& ignoreProperties) {
  if (!persObj) return;
  auto* handler = dynamic_cast<IAppStorageHandler*>(persObj);
  if (handler) handler->ReadFromStorage(*this, path);
  if (handler && !dynamic_cast<IAppStoragePublishedProps*>(persObj)) return;
  const TPublishedClass* classInfo = persObj->ClassInfo();
  if (!classInfo) return;
  for (const TPropInfo* info : GetPropList(*classInfo)) {
    const std::string name(info->Name);
    if (IsIgnored(ignoreProperties, name)) continue;
    ReadProperty(ChildPath(path, TranslatePropertyName(persObj, name, false)), *persObj, name,
                 recursive, clearFirst, ignoreProperties);
  }
}

bool TJvCustomAppStorage::PropertyHoldsDefault(const TObject& persObj,
                                               const TPropInfo& info) const {
  const TPropValue value = info.Get(persObj);
  switch (info.Kind) {
    case TPropKind::pkInteger:
    case TPropKind::pkChar:
    case TPropKind::pkWChar:
    case TPropKind::pkEnumeration:
      return info.Default && std::get<int64_t>(value) == *info.Default;
    case TPropKind::pkSet:
      return info.Default &&
             std::get<TSetValue>(value) == TSetValue(static_cast<uint64_t>(*info.Default));
    case TPropKind::pkFloat:
      return std::get<Extended>(value) == 0;
    case TPropKind::pkString:
    case TPropKind::pkVariant:
      return std::get<std::string>(value).empty();
    case TPropKind::pkWString:
      return std::get<ustring>(value).empty();
    case TPropKind::pkInt64:
      return std::get<int64_t>(value) == 0;
    case TPropKind::pkClass:
    case TPropKind::pkMethod:
      return false;
  }
  return false;
}

void TJvCustomAppStorage::WriteProperty(const std::string& path, const TObject& persObj,
                                        const std::string& propName, bool recursive,
                                        const TJvAppStorageIgnoreProperties& ignoreProperties) {
  const TPropInfo& info = PublishedProperty(persObj, propName);
  if (!StorageOptions().StoreDefaultValues()) {
    if (!info.Set || !info.Stored || PropertyHoldsDefault(persObj, info)) return;
  }
  if (info.Kind == TPropKind::pkClass)
    return WriteObjectProperty(path, persObj, info, recursive, ignoreProperties);
  const TPropValue value = info.Get(persObj);
  switch (info.Kind) {
    case TPropKind::pkInteger:
    case TPropKind::pkChar:
    case TPropKind::pkWChar:
      if (StorageOptions().TypedIntegerAsString())
        WriteEnumeration(path, OrdinalType(info), static_cast<int32_t>(std::get<int64_t>(value)));
      else
        WriteInteger(path, static_cast<int32_t>(std::get<int64_t>(value)));
      break;
    case TPropKind::pkEnumeration:
      WriteEnumeration(path, OrdinalType(info), static_cast<int32_t>(std::get<int64_t>(value)));
      break;
    case TPropKind::pkFloat:
      if (IsDateTime(info))
        WriteDateTime(path, static_cast<TDateTime>(std::get<Extended>(value)));
      else
        WriteFloat(path, std::get<Extended>(value));
      break;
    case TPropKind::pkString:
    case TPropKind::pkVariant:
      WriteString(path, std::get<std::string>(value));
      break;
    case TPropKind::pkSet:
      WriteSet(path, *info.PropType, std::get<TSetValue>(value));
      break;
    case TPropKind::pkWString:
      WriteWideString(path, std::get<ustring>(value));
      break;
    case TPropKind::pkInt64:
      WriteString(path, std::to_string(std::get<int64_t>(value)));
      break;
    case TPropKind::pkClass:
    case TPropKind::pkMethod:
      break;
  }
}

void TJvCustomAppStorage::ReadProperty(const std::string& path, TObject& persObj,
                                       const std::string& propName, bool recursive, bool clearFirst,
                                       const TJvAppStorageIgnoreProperties& ignoreProperties) {
  const TPropInfo& info = PublishedProperty(persObj, propName);
  if (info.Kind == TPropKind::pkClass)
    return ReadObjectProperty(path, persObj, info, recursive, clearFirst, ignoreProperties);
  // What was written of a read-only property cannot be put back.
  if (!info.Set || info.Kind == TPropKind::pkMethod) return;
  const TPropValue current = info.Get(persObj);
  TPropValue value = current;
  if (IsOrdinal(info.Kind)) {
    value = static_cast<int64_t>(
        ReadEnumeration(path, OrdinalType(info), static_cast<int32_t>(std::get<int64_t>(current))));
  } else if (info.Kind == TPropKind::pkFloat) {
    const Extended Default = std::get<Extended>(current);
    value = IsDateTime(info)
                ? static_cast<Extended>(ReadDateTime(path, static_cast<TDateTime>(Default)))
                : ReadFloat(path, Default);
  } else if (info.Kind == TPropKind::pkString || info.Kind == TPropKind::pkVariant) {
    value = ReadString(path, std::get<std::string>(current));
  } else if (info.Kind == TPropKind::pkSet) {
    value = ReadSet(path, *info.PropType, std::get<TSetValue>(current));
  } else if (info.Kind == TPropKind::pkWString) {
    value = ReadWideString(path, std::get<ustring>(current));
  } else if (info.Kind == TPropKind::pkInt64) {
    const int64_t Default = std::get<int64_t>(current);
    const std::string text = ReadString(path, std::to_string(Default));
    int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) {
      if (!StorageOptions().DefaultIfReadConvertError())
        throw EConvertError("'" + text + "' is not a valid integer value");
      number = Default;
    }
    value = number;
  }
  info.Set(persObj, value);
}

// A string list, a collection or another object in the property's folder; an engine that
// supports the property takes it over.
void TJvCustomAppStorage::WriteObjectProperty(
    const std::string& path, const TObject& persObj, const TPropInfo& info, bool recursive,
    const TJvAppStorageIgnoreProperties& ignoreProperties) {
  const TObject* value = std::get<TObject*>(info.Get(persObj));
  if (!value) return;
  if (TJvAppStoragePropertyEngineList* engines = ExistingAppStoragePropertyEngineList();
      engines && recursive) {
    if (TJvAppStoragePropertyBaseEngine* engine = engines->GetEngine(persObj, info))
      return engine->WriteProperty(*this, path, persObj, info, recursive, ignoreProperties);
  }
  if (const auto* strings = dynamic_cast<const TStringList*>(value))
    return WriteStringList(path, *strings, "Item");
  if (!recursive || !IsPersistable(*value)) return;
  if (const auto* collection = dynamic_cast<const TCollection*>(value))
    return WriteCollection(path, *collection, "Item");
  WritePersistent(path, value, recursive, ignoreProperties);
}

void TJvCustomAppStorage::ReadObjectProperty(
    const std::string& path, TObject& persObj, const TPropInfo& info, bool recursive,
    bool clearFirst, const TJvAppStorageIgnoreProperties& ignoreProperties) {
  TObject* value = std::get<TObject*>(info.Get(persObj));
  if (!value) return;
  if (TJvAppStoragePropertyEngineList* engines = ExistingAppStoragePropertyEngineList();
      engines && recursive) {
    if (TJvAppStoragePropertyBaseEngine* engine = engines->GetEngine(persObj, info))
      return engine->ReadProperty(*this, path, persObj, info, recursive, clearFirst,
                                  ignoreProperties);
  }
  if (auto* strings = dynamic_cast<TStringList*>(value)) {
    ReadStringList(path, *strings, clearFirst, "Item");
    return;
  }
  if (!recursive || !IsPersistable(*value)) return;
  if (auto* collection = dynamic_cast<TCollection*>(value)) {
    ReadCollection(path, *collection, clearFirst, "Item");
    return;
  }
  ReadPersistent(path, value, recursive, clearFirst, ignoreProperties);
}
