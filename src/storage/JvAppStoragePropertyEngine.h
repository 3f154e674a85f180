#pragma once

#include <memory>
#include <string>
#include <typeindex>
#include <vector>

#include "JvAppStorage.h"

// An object that stores and restores (part of) itself. Objects that implement it have their
// published properties stored as well only when they also implement IAppStoragePublishedProps.
class IAppStorageHandler {
 public:
  virtual void ReadFromStorage(TJvCustomAppStorage& Storage, const std::string& BasePath) = 0;
  virtual void WriteToStorage(TJvCustomAppStorage& Storage, const std::string& BasePath) const = 0;

 protected:
  virtual ~IAppStorageHandler() = default;
};

// Marker: store the published properties next to what IAppStorageHandler stores.
class IAppStoragePublishedProps {
 protected:
  virtual ~IAppStoragePublishedProps() = default;
};

// Stores object-valued properties of a particular kind in its own way. The base supports
// nothing and does nothing.
class TJvAppStoragePropertyBaseEngine {
 public:
  virtual ~TJvAppStoragePropertyBaseEngine() = default;
  virtual bool Supports(const TObject& AObject, const TPropInfo& AProperty);
  virtual void ReadProperty(TJvCustomAppStorage& AStorage, const std::string& APath,
                            TObject& AObject, const TPropInfo& AProperty, bool Recursive,
                            bool ClearFirst, const TJvAppStorageIgnoreProperties& IgnoreProperties);
  virtual void WriteProperty(TJvCustomAppStorage& AStorage, const std::string& APath,
                             const TObject& AObject, const TPropInfo& AProperty, bool Recursive,
                             const TJvAppStorageIgnoreProperties& IgnoreProperties);
};

// The registered engines, asked in registration order.
class TJvAppStoragePropertyEngineList {
 public:
  template <class TEngine>
  void RegisterEngine() {
    FEngines.push_back(std::make_unique<TEngine>());
  }
  // Destroys the first engine of that class.
  template <class TEngine>
  void UnregisterEngine() {
    UnregisterEngine(typeid(TEngine));
  }
  // The first engine that supports the property, or nullptr.
  TJvAppStoragePropertyBaseEngine* GetEngine(const TObject& AObject,
                                             const TPropInfo& AProperty) const;

 private:
  void UnregisterEngine(std::type_index engineClass);

  std::vector<std::unique_ptr<TJvAppStoragePropertyBaseEngine>> FEngines;
};

// The process-wide engine list, made on first use; raises EJVCLAppStorageError once it was
// freed at program end.
TJvAppStoragePropertyEngineList& RegisteredAppStoragePropertyEngineList();
// The list when it exists, without making it.
TJvAppStoragePropertyEngineList* ExistingAppStoragePropertyEngineList();
// Program end: frees the list for good.
void FreeAppStoragePropertyEngineList();
