#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "JclSimpleXml.h"

namespace {

constexpr const char* kHeader = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n";

TEST(JclSimpleXmlWriter, NewDocumentIsWrittenWithHeaderIndentationAndCrLf) {
  TJclSimpleXML xml;
  xml.Root().SetName("Configuration");
  TJclSimpleXMLElem* form = xml.Root().Items().Add("MainForm");
  form->Items().Add("FormVersion", 0);
  form->Items().Add("FirstTime", "No");
  form->Items().Add("Empty");
  const std::string bytes = xml.SaveToBytes();
  EXPECT_EQ(bytes, std::string(kHeader) +
                       "<Configuration>\r\n"
                       "  <MainForm>\r\n"
                       "    <FormVersion>0</FormVersion>\r\n"
                       "    <FirstTime>No</FirstTime>\r\n"
                       "    <Empty/>\r\n"
                       "  </MainForm>\r\n"
                       "</Configuration>\r\n");
  // The header the writer created is kept, with its attributes in this order.
  TJclSimpleXMLElemHeader* header = xml.Prolog().FindHeader();
  ASSERT_NE(header, nullptr);
  ASSERT_EQ(header->PropertyCount(), 3u);
  EXPECT_EQ(header->Properties().Item(0)->Name(), "version");
  EXPECT_EQ(header->Properties().Item(2)->Name(), "standalone");
}

TEST(JclSimpleXmlWriter, HeaderNamesTheDocumentsCodePage) {
  TJclSimpleXML xml;
  xml.SetCodePage(1252);
  xml.Root().SetName("r");
  xml.Root().Items().Add("a", "\xC3\xA9");
  xml.SetOptions(kDefaultSimpleXMLOptions.Without(sxoAutoEncodeValue));
  EXPECT_EQ(xml.SaveToBytes(),
            "<?xml version=\"1.0\" encoding=\"Windows-1252\" standalone=\"no\"?>\r\n"
            "<r>\r\n  <a>\xE9</a>\r\n</r>\r\n");
}

TEST(JclSimpleXmlWriter, OptionsShapeTheOutput) {
  TJclSimpleXML xml;
  xml.Root().SetName("r");
  xml.Root().Items().Add("a", "1");
  xml.SetOptions(kDefaultSimpleXMLOptions.Without(sxoAutoIndent).With(sxoDoNotSaveProlog));
  EXPECT_EQ(xml.SaveToString(), "<r><a>1</a></r>");

  xml.SetOptions(kDefaultSimpleXMLOptions.With(sxoDoNotSaveProlog));
  xml.SetIndentString("\t");
  xml.SetBaseIndentString(" ");
  xml.SetIndentString("x");  // ignored: not whitespace
  xml.SetBaseIndentString("");
  EXPECT_EQ(xml.SaveToString(), " <r>\r\n \t<a>1</a>\r\n </r>\r\n");
}

TEST(JclSimpleXmlWriter, UnnamedRootIsWrittenAsItsChildren) {
  TJclSimpleXML xml;
  xml.SetOptions(kDefaultSimpleXMLOptions.With(sxoDoNotSaveProlog));
  xml.Root().Items().Add("a");
  xml.Root().Items().Add("b");
  EXPECT_EQ(xml.SaveToString(), "<a/>\r\n<b/>\r\n");
}

TEST(JclSimpleXmlWriter, PrologCommentWithoutHeaderGetsTheHeaderAfterIt) {
  TJclSimpleXML xml;
  xml.LoadFromString("<!--first--><r/>");
  EXPECT_EQ(xml.SaveToString(), "<!--first-->\r\n" + std::string(kHeader) + "<r/>\r\n");
}

TEST(JclSimpleXmlWriter, ValueEncodingFollowsTheOptions) {
  TJclSimpleXML xml;
  xml.SetOptions(kDefaultSimpleXMLOptions.With(sxoDoNotSaveProlog));
  xml.Root().SetName("r");
  TJclSimpleXMLElem* a = xml.Root().Items().Add("a", "\xC3\xA9\xE2\x82\xAC<&>\"'\x01\t");
  a->Properties().Add("q", "say \"hi\"");
  xml.Root().Items().Add("b", "\xF0\x9F\x98\x80");
  EXPECT_EQ(xml.SaveToString(),
            "<r>\r\n"
            "  <a q=\"say &quot;hi&quot;\">&#xE9;&#x20AC;&lt;&amp;&gt;&quot;&apos;&#x01;\t</a>\r\n"
            "  <b>&#xD83D;&#xDE00;</b>\r\n"
            "</r>\r\n");

  xml.SetOptions({sxoAutoEncodeEntity, sxoDoNotSaveProlog});
  EXPECT_EQ(xml.SaveToString(),
            "<r><a q=\"say &quot;hi&quot;\">\xC3\xA9\xE2\x82\xAC&lt;&amp;&gt;&quot;&apos;\x01\t</a>"
            "<b>\xF0\x9F\x98\x80</b></r>");

  xml.OnEncodeValue = [](TJclSimpleXML&, std::string& value) { value = "[" + value + "]"; };
  xml.SetOptions({sxoDoNotSaveProlog});
  xml.Root().Items().Clear();
  xml.Root().Items().Add("c", "<");
  EXPECT_EQ(xml.SaveToString(), "<r><c>[<]</c></r>");
}

TEST(JclSimpleXmlWriter, RoundTripKeepsEveryKindOfNode) {
  const std::string text =
      "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n"
      "<!-- prolog comment -->\r\n"
      "<!DOCTYPE r [<!ELEMENT r ANY>]>\r\n"
      "<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>\r\n"
      "<n:r a=\"1\" n:b=\"&lt;&#xE9;\">\r\n"
      "  <!-- body - comment -->\r\n"
      "  <![CDATA[<raw> & ]]]>\r\n"
      "  <same>1</same>\r\n"
      "  <same>2</same>\r\n"
      "  <caf\xC3\xA9>x</caf\xC3\xA9>\r\n"
      "  <?pi k=\"v\"?>\r\n"
      "</n:r>\r\n";
  TJclSimpleXML first;
  first.LoadFromString(text);
  const std::string saved = first.SaveToString();
  TJclSimpleXML second;
  second.LoadFromString(saved);
  EXPECT_EQ(second.SaveToString(), saved);
  EXPECT_EQ(saved, text);
  EXPECT_EQ(second.Root().FullName(), "n:r");
  EXPECT_EQ(second.Root().Properties().Value("b"), "<\xC3\xA9");
  EXPECT_EQ(second.Root().Items().Item(1)->Value(), "<raw> & ]");
}

TEST(JclSimpleXmlWriter, DocumentThatGrewOrShrankSinceItWasReadIsWrittenWhole) {
  TJclSimpleXML xml;
  xml.SetOptions(xml.Options().Without(sxoAutoIndent));
  xml.LoadFromBytes("<r/>");
  for (int i = 0; i < 1000; ++i) xml.Root().Items().Add("v", i);
  const std::string grown = xml.SaveToBytes();
  EXPECT_EQ(grown.substr(grown.size() - 24), "<v>998</v><v>999</v></r>");
  xml.Root().Items().Clear();
  EXPECT_EQ(xml.SaveToBytes(),
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?><r/>");
}

TEST(JclSimpleXmlWriter, ApostropheDelimitedAttributeIsWrittenWithDoubleQuotes) {
  TJclSimpleXML xml;
  xml.SetOptions(kDefaultSimpleXMLOptions.With(sxoDoNotSaveProlog).Without(sxoAutoIndent));
  xml.LoadFromString("<a b='x\"y'/>");
  EXPECT_EQ(xml.SaveToString(), "<a b=\"x&quot;y\"/>");
}

TEST(JclSimpleXmlWriter, SaveProgressCountsEveryNode) {
  TJclSimpleXML xml;
  xml.LoadFromString("<!--c--><r><a/><b><c/></b></r>");
  std::vector<std::pair<int64_t, int64_t>> reports;
  xml.OnSaveProgress = [&](TJclSimpleXML&, int64_t position, int64_t total) {
    reports.emplace_back(position, total);
  };
  xml.SaveToString();
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.front(), (std::pair<int64_t, int64_t>(0, 5)));
  EXPECT_EQ(reports.back(), (std::pair<int64_t, int64_t>(5, 5)));
}

TEST(JclSimpleXmlWriter, StreamHooksTransformTheBytes) {
  TJclSimpleXML xml;
  auto reverse = [](TJclSimpleXML&, std::istream& in, std::ostream& out) {
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    out << std::string(bytes.rbegin(), bytes.rend());
  };
  xml.OnEncodeStream = reverse;
  xml.OnDecodeStream = reverse;
  xml.SetOptions(kDefaultSimpleXMLOptions.With(sxoDoNotSaveProlog).Without(sxoAutoIndent));
  xml.Root().SetName("r");
  xml.Root().Items().Add("a", "1");
  std::stringstream stream;
  xml.SaveToStream(stream);
  EXPECT_EQ(stream.str(), ">r/<>a/<1>a<>r<");
  TJclSimpleXML copy;
  copy.OnDecodeStream = reverse;
  copy.LoadFromStream(stream);
  EXPECT_EQ(copy.Root().Items().Value("a"), "1");
}

}  // namespace
