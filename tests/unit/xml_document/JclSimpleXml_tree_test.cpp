#include <gtest/gtest.h>

#include <glib.h>

#include <clocale>
#include <memory>
#include <sstream>

#include "JclSimpleXml.h"
#include "JclSimpleXml_text.h"

namespace {

TEST(JclSimpleXmlTree, LookUpByNameFindsTheLastOfThatNameInAnyCase) {
  TJclSimpleXML xml;
  xml.LoadFromString("<r><a>1</a><b/><A>2</A></r>");
  TJclSimpleXMLElems& items = xml.Root().Items();
  EXPECT_EQ(items.ItemNamed("a")->Value(), "2");
  EXPECT_EQ(items.ItemNamed("A")->Value(), "2");
  EXPECT_EQ(items.ItemNamed("missing"), nullptr);
  EXPECT_EQ(items.Count(), 3u);

  // Appending, inserting and renaming keep the index right.
  items.Add("a", "3");
  EXPECT_EQ(items.Value("a"), "3");
  items.Insert("a", 0)->SetValue("0");
  EXPECT_EQ(items.Value("a"), "3");
  items.Item(4)->SetName("z");
  EXPECT_EQ(items.Value("a"), "2");
  items.Delete("a");
  EXPECT_EQ(items.Value("a"), "1");
  EXPECT_EQ(items.Count(), 4u);
}

TEST(JclSimpleXmlTree, CaseSensitiveListsTellNamesApart) {
  TJclSimpleXML xml;
  xml.SetOptions(xml.Options().With(sxoCaseSensitive));
  xml.LoadFromString("<r><a>1</a><A>2</A></r>");
  EXPECT_EQ(xml.Root().Items().Value("a"), "1");
  EXPECT_EQ(xml.Root().Items().Value("A"), "2");
  EXPECT_EQ(xml.Root().Items().NamedElems("a")->Count(), 1u);
}

TEST(JclSimpleXmlTree, NamedViewsFollowTheChildList) {
  TJclSimpleXML xml;
  xml.LoadFromString("<r><a>1</a><b/><a>2</a></r>");
  TJclSimpleXMLElems& items = xml.Root().Items();
  TJclSimpleXMLNamedElems* view = items.NamedElems("A");
  ASSERT_EQ(view->Count(), 2u);
  EXPECT_EQ(view->Item(1)->Value(), "2");
  EXPECT_EQ(xml.Root().GetNamedIndex(view->Item(1)), 1u);

  items.Add("a", "3");
  items.Item(1)->SetName("a");
  ASSERT_EQ(view->Count(), 4u);
  EXPECT_EQ(view->Item(1)->Name(), "a");
  EXPECT_EQ(view->Item(3)->Value(), "3");
  items.Delete(static_cast<size_t>(0));
  EXPECT_EQ(view->Count(), 3u);
  items.Move(0, 2);
  EXPECT_EQ(view->Item(2)->Value(), "");
  EXPECT_EQ(view->Item(3), nullptr);
  EXPECT_THROW(view->SetName("x"), EJclSimpleXMLError);

  xml.SetOptions(xml.Options().With(sxoAutoCreate));
  EXPECT_NE(view->Item(4), nullptr);
  EXPECT_EQ(view->Count(), 5u);
  EXPECT_EQ(items.Count(), 5u);
}

TEST(JclSimpleXmlTree, AutoCreateAddsMissingChildrenAndAttributes) {
  TJclSimpleXML xml;
  TJclSimpleXMLElems& items = xml.Root().Items();
  EXPECT_EQ(items.IntValue("n", 7), 7);
  EXPECT_EQ(items.Count(), 0u);
  xml.SetOptions(xml.Options().With(sxoAutoCreate));
  EXPECT_EQ(items.IntValue("n", 7), 7);
  EXPECT_EQ(items.Value("s", "d"), "d");
  EXPECT_TRUE(items.BoolValue("b", true));
  ASSERT_EQ(items.Count(), 3u);
  EXPECT_EQ(items.Item(0)->Value(), "7");
  EXPECT_EQ(items.Item(2)->Value(), "-1");
  EXPECT_NE(items.ItemNamed("new"), nullptr);
  EXPECT_EQ(xml.Root().Properties().Value("p", "v"), "v");
  EXPECT_EQ(xml.Root().PropertyCount(), 1u);
}

TEST(JclSimpleXmlTree, TypedValues) {
  TJclSimpleXML xml;
  xml.LoadFromString(
      "<r><i>-42</i><h>$FF</h><x>4x</x><t>TRUE</t><f>false</f><n>0</n><e></e><z>2</z>"
      "<fl>1.5</fl></r>");
  TJclSimpleXMLElems& items = xml.Root().Items();
  EXPECT_EQ(items.IntValue("i"), -42);
  EXPECT_EQ(items.IntValue("h"), 255);
  EXPECT_EQ(items.IntValue("x", 9), -1);
  EXPECT_EQ(items.IntValue("missing", 9), 9);
  EXPECT_TRUE(items.BoolValue("t", false));
  EXPECT_FALSE(items.BoolValue("f", true));
  EXPECT_FALSE(items.BoolValue("n", true));
  EXPECT_TRUE(items.BoolValue("z", false));
  EXPECT_TRUE(items.BoolValue("e", true));
  EXPECT_FALSE(items.BoolValue("x", false));
  EXPECT_DOUBLE_EQ(items.FloatValue("fl"), 1.5);
  EXPECT_DOUBLE_EQ(items.FloatValue("x", 3), 0);

  TJclSimpleXMLElem* value = items.Add("v");
  const struct {
    double Number;
    const char* Text;
  } floats[] = {{0.1 + 0.2, "0.3"},   {100, "100"},       {-2.5, "-2.5"},
                {0.00001, "0.00001"}, {0.000001, "1E-6"}, {123456789012345.0, "123456789012345"},
                {1e15, "1E15"},       {1.5e20, "1.5E20"}, {1.0 / 3, "0.333333333333333"}};
  for (const auto& f : floats) {
    value->SetFloatValue(f.Number);
    EXPECT_EQ(value->Value(), f.Text);
  }
  value->SetBoolValue(true);
  EXPECT_EQ(value->Value(), "-1");
  value->SetIntValue(INT64_MIN);
  EXPECT_EQ(value->IntValue(), INT64_MIN);
}

TEST(JclSimpleXmlTree, BinaryValuesAreHexadecimalText) {
  TJclSimpleXML xml;
  std::istringstream bytes(std::string("\x00\x7F\xAB\xFF", 4));
  TJclSimpleXMLElem* elem = xml.Root().Items().Add("bin", bytes);
  EXPECT_EQ(elem->Value(), "007FABFF");
  elem->SetValue("0aZZff");
  std::ostringstream out;
  xml.Root().Items().BinaryValue("bin", out);
  EXPECT_EQ(out.str(), std::string("\x0A\x00\xFF", 3));
}

TEST(JclSimpleXmlTree, AssignMakesADeepCopyOfTheSameKinds) {
  TJclSimpleXML xml;
  xml.LoadFromString("<r a='1'><!--c--><b><c>x</c></b><![CDATA[d]]></r>");
  TJclSimpleXML other;
  other.Root().Assign(xml.Root());
  xml.LoadFromString("<gone/>");
  other.SetOptions(other.Options().With(sxoDoNotSaveProlog).Without(sxoAutoIndent));
  EXPECT_EQ(other.SaveToString(), "<r a=\"1\"><!--c--><b><c>x</c></b><![CDATA[d]]></r>");
  EXPECT_EQ(other.Root().ChildsCount(), 5u);
  EXPECT_EQ(other.Root().Items().Item(1)->Items().Item(0)->SimpleXML(), &other);
}

TEST(JclSimpleXmlTree, SortAndRemove) {
  TJclSimpleXML xml;
  xml.LoadFromString("<r><c/><A/><b/></r>");
  TJclSimpleXMLElems& items = xml.Root().Items();
  items.Sort();
  EXPECT_EQ(items.Item(0)->Name(), "A");
  EXPECT_EQ(items.Item(2)->Name(), "c");
  EXPECT_EQ(items.ItemNamed("c"), items.Item(2));
  EXPECT_EQ(items.Remove(items.Item(1)), 1u);
  EXPECT_EQ(items.Remove(&xml.Root()), std::nullopt);
  items.Delete(99);
  EXPECT_EQ(items.Count(), 2u);
}

TEST(JclSimpleXmlTree, PrologPropertiesCreateTheHeader) {
  TJclSimpleXML xml;
  EXPECT_EQ(xml.Prolog().Version(), "1.0");
  EXPECT_EQ(xml.Prolog().Count(), 1u);
  xml.Prolog().SetEncoding("iso-8859-1");
  xml.Prolog().SetStandAlone(true);
  xml.Prolog().AddStyleSheet("text/xsl", "a.xsl");
  xml.Root().SetName("r");
  xml.SetOptions(xml.Options().Without(sxoAutoIndent));
  EXPECT_EQ(xml.SaveToString(),
            "<?xml version=\"1.0\" encoding=\"iso-8859-1\" standalone=\"yes\"?>"
            "<?xml-stylesheet type=\"text/xsl\" href=\"a.xsl\"?><r/>");
}

// Far deeper than the stack would allow one call per level.
TEST(JclSimpleXmlTree, DeepTreeBuiltInMemorySavesAndFrees) {
  constexpr size_t depth = 100000;
  auto xml = std::make_unique<TJclSimpleXML>();
  xml->SetOptions(xml->Options().With(sxoDoNotSaveProlog).Without(sxoAutoIndent));
  xml->Root().SetName("r");
  TJclSimpleXMLElem* elem = &xml->Root();
  for (size_t i = 0; i < depth; ++i) elem = elem->Items().Add("e");
  elem->SetValue("v");
  EXPECT_EQ(xml->Root().ChildsCount(), depth + 1);
  const std::string saved = xml->SaveToString();
  EXPECT_EQ(saved.size(), std::string("<r></r>").size() + depth * 7 + 1);
  EXPECT_TRUE(saved.starts_with("<r><e><e>"));
  EXPECT_NE(saved.find("<e>v</e></e>"), std::string::npos);
  xml.reset();
}

}  // namespace

namespace {

// The ASCII table against the Unicode categories it stands for.
TEST(JclSimpleXmlCharClasses, AsciiTableFollowsTheUnicodeRules) {
  for (char32_t ch = 0; ch < 128; ++ch) {
    const GUnicodeType type = g_unichar_type(ch);
    const bool letter = type == G_UNICODE_UPPERCASE_LETTER || type == G_UNICODE_LOWERCASE_LETTER;
    const bool listed = ch == '-' || ch == '.' || ch == '_';
    EXPECT_EQ(IsAttributeNameStart(ch), letter || listed) << static_cast<unsigned>(ch);
    EXPECT_EQ(IsNameChar(ch), letter || listed || type == G_UNICODE_DECIMAL_NUMBER)
        << static_cast<unsigned>(ch);
    // White_Space, or the bidirectional class S (segment separators 9, 11 and 31).
    const bool whitespace = g_unichar_isspace(ch) || ch == 9 || ch == 11 || ch == 31;
    EXPECT_EQ(IsXmlWhitespace(ch), whitespace) << static_cast<unsigned>(ch);
  }
  EXPECT_TRUE(IsXmlWhitespace(0x3000));
  EXPECT_FALSE(IsXmlWhitespace(0x200B));
  EXPECT_TRUE(IsAttributeNameStart(0xE9));
  EXPECT_FALSE(IsAttributeNameStart(0x0660));  // Arabic-Indic digit zero: Nd
  EXPECT_TRUE(IsNameChar(0x0660));
  EXPECT_TRUE(IsNameChar(0x203F));  // undertie: Pc
  EXPECT_FALSE(IsNameChar(0xD7));   // multiplication sign: Sm
}

}  // namespace
