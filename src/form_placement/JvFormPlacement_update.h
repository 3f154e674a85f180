#pragma once

#include "JvAppStorage.h"

// Runs work inside the storage's BeginUpdate ... EndUpdate, ending the bracket also when work
// raises, so an automatic flush writes the medium once.
template <class TWork>
void InsideUpdate(TJvCustomAppStorage& storage, TWork&& work) {
  storage.BeginUpdate();
  try {
    work();
  } catch (...) {
    storage.EndUpdate();
    throw;
  }
  storage.EndUpdate();
}
