// Every input either loads or raises one of the reader's own errors; a loaded document also
// saves, and its output is read again. That output need not load: the reader accepts
// malformed input (an unnamed root, for one) that the writer then renders as it stands.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "JclSimpleXml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TJclSimpleXML xml;
  try {
    xml.LoadFromBytes(bytes);
  } catch (const EJclError&) {
    return 0;
  }
  TJclSimpleXML copy;
  try {
    copy.LoadFromString(xml.SaveToString());
  } catch (const EJclError&) {
  }
  return 0;
}
