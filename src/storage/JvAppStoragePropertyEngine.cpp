#include "JvAppStoragePropertyEngine.h"

#include <algorithm>

namespace {

constinit TJvAppStoragePropertyEngineList* EngineList = nullptr;
constinit bool EngineListFreed = false;

}  // namespace

bool TJvAppStoragePropertyBaseEngine::Supports(const TObject&, const TPropInfo&) {
  return false;
}

void TJvAppStoragePropertyBaseEngine::ReadProperty(TJvCustomAppStorage&, const std::string&,
                                                   TObject&, const TPropInfo&, bool, bool,
                                                   const TJvAppStorageIgnoreProperties&) {}

void TJvAppStoragePropertyBaseEngine::WriteProperty(TJvCustomAppStorage&, const std::string&,
                                                    const TObject&, const TPropInfo&, bool,
                                                    const TJvAppStorageIgnoreProperties&) {}

TJvAppStoragePropertyBaseEngine* TJvAppStoragePropertyEngineList::GetEngine(
    const TObject& AObject, const TPropInfo& AProperty) const {
  for (const auto& engine : FEngines)
    if (engine->Supports(AObject, AProperty)) return engine.get();
  return nullptr;
}

void TJvAppStoragePropertyEngineList::UnregisterEngine(std::type_index engineClass) {
  const auto found = std::find_if(FEngines.begin(), FEngines.end(), [&](const auto& engine) {
    return std::type_index(typeid(*engine)) == engineClass;
  });
  if (found != FEngines.end()) FEngines.erase(found);
}

TJvAppStoragePropertyEngineList& RegisteredAppStoragePropertyEngineList() {
  if (EngineListFreed)
    throw EJVCLAppStorageError("The property engine list is no longer available");
  if (!EngineList) EngineList = new TJvAppStoragePropertyEngineList;
  return *EngineList;
}

TJvAppStoragePropertyEngineList* ExistingAppStoragePropertyEngineList() {
  return EngineList;
}

void FreeAppStoragePropertyEngineList() {
  delete EngineList;
  EngineList = nullptr;
  EngineListFreed = true;
}
