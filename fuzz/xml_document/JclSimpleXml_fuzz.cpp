// Every input either loads or raises one of the reader's own errors. The same characters are
// read twice, as UTF-8 a full buffer of runs at a time and as UTF-16 one character per refill,
// as a character-wise reader sees them: both must give the same tree and the same error at the
// same position. A loaded document also saves, and its output is read again. That output need
// not load: the reader accepts malformed input (an unnamed root, for one) that the writer then
// renders as it stands.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <typeinfo>
#include <utility>
#include <vector>

#include "JclSimpleXml.h"

namespace {

void DumpItem(TJclSimpleXMLElem& elem, size_t depth, std::string& out) {
  out.append(depth, ' ');
  out += typeid(elem).name();
  out += " [" + elem.NameSpace() + "][" + elem.Name() + "][" + elem.Value() + "]";
  for (size_t i = 0; i < elem.PropertyCount(); ++i) {
    const TJclSimpleXMLProp* prop = elem.Properties().Item(i);
    out += " (" + prop->NameSpace() + "][" + prop->Name() + "][" + prop->Value() + ")";
  }
  out += '\n';
}

// The prolog and the tree, one line per item, children indented below their parent.
std::string DumpDocument(TJclSimpleXML& xml) {
  std::string out;
  for (size_t i = 0; i < xml.Prolog().Count(); ++i) DumpItem(*xml.Prolog().Item(i), 0, out);
  std::vector<std::pair<TJclSimpleXMLElem*, size_t>> pending{{&xml.Root(), 0}};
  while (!pending.empty()) {
    const auto [elem, depth] = pending.back();
    pending.pop_back();
    DumpItem(*elem, depth, out);
    for (size_t i = elem->ItemCount(); i-- > 0;)
      pending.emplace_back(elem->Items().Item(i), depth + 1);
  }
  return out;
}

// The tree and the error (empty when none) that reading the stream gives.
std::pair<std::string, std::string> Read(TJclStringStream& stream) {
  TJclSimpleXML xml;
  std::string error;
  try {
    xml.LoadFromStringStream(stream);
  } catch (const EJclError& e) {
    error = std::string(e.ClassName()) + ": " + e.Message();
  }
  return {DumpDocument(xml), error};
}

void CheckCharacterWiseReadingAgrees(std::string_view bytes) {
  TJclUTF8Stream inRuns(bytes);
  const auto runs = Read(inRuns);

  TJclUTF8Stream decoder(bytes);
  std::string utf16;
  MakeCodePageCodec(CP_UTF16LE)->Encode(ReadAllText(decoder), utf16);
  TJclUTF16Stream oneByOne(utf16);
  oneByOne.SetBufferSize(1);
  if (Read(oneByOne) != runs) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckCharacterWiseReadingAgrees(bytes);
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
