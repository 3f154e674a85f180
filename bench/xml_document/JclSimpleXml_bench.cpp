// Load and save speed of the XML document on a generated 10 MB document, beside pugixml and
// libxml2 on the same bytes as yardsticks. Trees are freed outside the timer. After the runs
// the MB/s of each (median and range over the repetitions) and the document's ratios to the
// yardsticks are printed; run with --benchmark_repetitions=5 or more for a spread.

#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <vector>

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

// Loads the document with load() each iteration; free() runs outside the timer.
template <class TLoad, class TFree>
void MeasureLoad(benchmark::State& state, TLoad load, TFree free) {
  const std::string& text = Document();
  for (auto _ : state) {
    auto tree = load(text);
    benchmark::DoNotOptimize(tree);
    state.PauseTiming();
    free(tree);
    state.ResumeTiming();
  }
  SetThroughput(state, text.size());
}

// Saves the tree with save(), which answers the size written, each iteration.
template <class TSave>
void MeasureSave(benchmark::State& state, TSave save) {
  size_t size = 0;
  for (auto _ : state) {
    size = save();
    benchmark::DoNotOptimize(size);
  }
  SetThroughput(state, size);
}

void BM_JclSimpleXmlLoad(benchmark::State& state) {
  MeasureLoad(
      state,
      [](const std::string& text) {
        auto xml = std::make_unique<TJclSimpleXML>();
        xml->LoadFromBytes(text);
        return xml;
      },
      [](std::unique_ptr<TJclSimpleXML>& xml) { xml.reset(); });
}

void BM_JclSimpleXmlSave(benchmark::State& state) {
  TJclSimpleXML xml;
  xml.LoadFromBytes(Document());
  MeasureSave(state, [&] { return xml.SaveToBytes().size(); });
}

void BM_PugixmlLoad(benchmark::State& state) {
  MeasureLoad(
      state,
      [&](const std::string& text) {
        auto document = std::make_unique<pugi::xml_document>();
        if (!document->load_buffer(text.data(), text.size()))
          state.SkipWithError("pugixml could not load the document");
        return document;
      },
      [](std::unique_ptr<pugi::xml_document>& document) { document.reset(); });
}

void BM_PugixmlSave(benchmark::State& state) {
  pugi::xml_document document;
  document.load_buffer(Document().data(), Document().size());
  MeasureSave(state, [&] {
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str().size();
  });
}

xmlDocPtr LibXml2Read(const std::string& text) {
  return xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr, 0);
}

void BM_LibXml2Load(benchmark::State& state) {
  MeasureLoad(
      state,
      [&](const std::string& text) {
        xmlDocPtr document = LibXml2Read(text);
        if (!document) state.SkipWithError("libxml2 could not load the document");
        return document;
      },
      [](xmlDocPtr document) { xmlFreeDoc(document); });
}

void BM_LibXml2Save(benchmark::State& state) {
  const std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> document(LibXml2Read(Document()), xmlFreeDoc);
  MeasureSave(state, [&] {
    xmlChar* bytes = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(document.get(), &bytes, &size, "UTF-8", 1);
    xmlFree(bytes);
    return static_cast<size_t>(size);
  });
}

BENCHMARK(BM_JclSimpleXmlLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JclSimpleXmlSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibXml2Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibXml2Save)->Unit(benchmark::kMillisecond);

// The console report, followed by MB/s per benchmark and the document's ratios.
class TRatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto rate = run.counters.find("bytes_per_second");
      if (run.run_type == Run::RT_Iteration && !run.error_occurred && rate != run.counters.end())
        FRates[run.run_name.function_name].push_back(rate->second.value / 1e6);
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nMB/s (CPU time): median [min, max] over %zu run(s)\n",
                FRates.empty() ? size_t{0} : FRates.begin()->second.size());
    for (auto& [name, rates] : FRates) {
      std::sort(rates.begin(), rates.end());
      std::printf("  %-22s %8.1f [%.1f, %.1f]\n", name.c_str(), Median(name), rates.front(),
                  rates.back());
    }
    for (const char* action : {"Load", "Save"})
      for (const char* yardstick : {"Pugixml", "LibXml2"}) PrintRatio(action, yardstick);
  }

 private:
  double Median(const std::string& name) const {
    const auto found = FRates.find(name);
    if (found == FRates.end() || found->second.empty()) return 0;
    return found->second[found->second.size() / 2];
  }

  void PrintRatio(const std::string& action, const std::string& yardstick) const {
    const double ours = Median("BM_JclSimpleXml" + action);
    const double theirs = Median("BM_" + yardstick + action);
    if (ours > 0 && theirs > 0)
      std::printf("  %s: JclSimpleXml / %s = %.2f\n", action.c_str(), yardstick.c_str(),
                  ours / theirs);
  }

  std::map<std::string, std::vector<double>> FRates;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  xmlCleanupParser();
  return 0;
}
