// Load and save speed of the XML document on a generated 10 MB document, beside pugixml on
// the same bytes as a yardstick.

#include <benchmark/benchmark.h>

#include <pugixml.hpp>
#include <sstream>
#include <string>

#include "JclSimpleXml.h"

namespace {

constexpr size_t kDocumentSize = 10 * 1024 * 1024;

// A settings-like document: folders of values with attributes, entities and non-ASCII text.
const std::string& Document() {
  static const std::string* const document = [] {
    auto* text = new std::string(
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"
        "<Configuration>\r\n");
    for (int folder = 0; text->size() < kDocumentSize; ++folder) {
      *text += "  <Form" + std::to_string(folder) + " kind=\"window\" id=\"" +
               std::to_string(folder) + "\">\r\n";
      for (int value = 0; value < 8; ++value)
        *text += "    <Value" + std::to_string(value) + ">200,120,1224,888 &amp; caf&#xE9; " +
                 std::to_string(folder * value) + "</Value" + std::to_string(value) + ">\r\n";
      *text += "    <Comment>Fen\xC3\xAAtre &lt;principale&gt;</Comment>\r\n  </Form" +
               std::to_string(folder) + ">\r\n";
    }
    *text += "</Configuration>\r\n";
    return text;
  }();
  return *document;
}

void SetThroughput(benchmark::State& state, size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_JclSimpleXmlLoad(benchmark::State& state) {
  const std::string& text = Document();
  for (auto _ : state) {
    TJclSimpleXML xml;
    xml.LoadFromBytes(text);
    benchmark::DoNotOptimize(xml.Root().ItemCount());
  }
  SetThroughput(state, text.size());
}

void BM_JclSimpleXmlSave(benchmark::State& state) {
  TJclSimpleXML xml;
  xml.LoadFromBytes(Document());
  size_t size = 0;
  for (auto _ : state) {
    const std::string bytes = xml.SaveToBytes();
    size = bytes.size();
    benchmark::DoNotOptimize(bytes.data());
  }
  SetThroughput(state, size);
}

void BM_PugixmlLoad(benchmark::State& state) {
  const std::string& text = Document();
  for (auto _ : state) {
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_buffer(text.data(), text.size());
    if (!result) state.SkipWithError(result.description());
    benchmark::DoNotOptimize(document.first_child());
  }
  SetThroughput(state, text.size());
}

void BM_PugixmlSave(benchmark::State& state) {
  pugi::xml_document document;
  document.load_buffer(Document().data(), Document().size());
  size_t size = 0;
  for (auto _ : state) {
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    size = out.str().size();
    benchmark::DoNotOptimize(size);
  }
  SetThroughput(state, size);
}

BENCHMARK(BM_JclSimpleXmlLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JclSimpleXmlSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlSave)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
