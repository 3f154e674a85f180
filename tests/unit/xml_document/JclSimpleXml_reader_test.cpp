#include <gtest/gtest.h>

#include <string>

#include "JclSimpleXml.h"

namespace {

std::string LoadError(const std::string& text) {
  TJclSimpleXML xml;
  try {
    xml.LoadFromString(text);
  } catch (const EJclSimpleXMLError& e) {
    return e.Message();
  }
  return "(loaded)";
}

TEST(JclSimpleXmlReader, ErrorMessagesCarryTheOffendingCharacterAndItsPosition) {
  const struct {
    const char* Text;
    const char* Message;
  } cases[] = {
      {"<a></A>",
       "Invalid XML Element: Erroneous end of tag, expecting </a> but </A> found at position 7"},
      {"x", "Invalid Document: Unexpected text in file prolog at position 1"},
      {"<a b=c/>",
       "Invalid XML Element: Unexpected character in property declaration. Expecting \" or ' but "
       "\"c\"  found at position 6"},
      {"<a !/>",
       "Invalid XML Element: Unexpected character in property declaration (\"!\" found at position "
       "4)"},
      {"<a b!/>",
       "Invalid XML Element: Unexpected character in property declaration (\"!\" found at position "
       "5)"},
      {"<a b c/>",
       "Invalid XML Element: Unexpected character in property declaration (\"c\" found at position "
       "6)"},
      {"<a b='1'x/>",
       "Invalid XML Element: Unexpected character in property declaration (\"/\" found at position "
       "10)"},
      {"<a/x>", "Invalid XML Element: Expected end of tag but \"x\" found at position 4"},
      {"<a b='1' / >", "Invalid XML Element: Expected end of tag but \" \" found at position 11"},
      {"<a>x</a y>", "Invalid XML Element: Expected end of tag but \"y\" found at position 9"},
      {"<a><", "(loaded)"},
      {"<a!>", "Invalid XML Element: malformed tag found (no valid name) at position 3"},
      {"< a>", "Invalid XML Element: malformed tag found (no valid name) at position 2"},
      {"<a:b:c/>", "Invalid XML Element: malformed tag found (no valid name) at position 5"},
      {"<a></a!>", "Invalid XML Element: malformed tag found (no valid name) at position 7"},
      {"<a><!-- x -- y --></a>",
       "Invalid Comment: \"--\" not allowed inside comments at position 13"},
      {"<a><!-- x", "Invalid Comment: Unexpected end of data at position 9"},
      {"<a><![CDATA[x]]", "Invalid CDATA: Unexpected end of data at position 15"},
      {"<a><?pi x='1'", "Invalid Comment: Unexpected end of data at position 13"},
      {"<a><?pi x='1'?x></a>",
       "Invalid XML Element: Expected end of tag but \"x\" found at position 15"},
      {"<!DOCTYPE a [", "Invalid Comment: Unexpected end of data at position 13"},
      {"<a><b></c></a>",
       "Invalid XML Element: Erroneous end of tag, expecting </b> but </c> found at position 10"},
  };
  for (const auto& c : cases) EXPECT_EQ(LoadError(c.Text), c.Message) << c.Text;
}

TEST(JclSimpleXmlReader, UnknownCharsetInTheHeaderRaisesCharsetError) {
  TJclSimpleXML xml;
  EXPECT_THROW(xml.LoadFromBytes("<?xml version=\"1.0\" encoding=\"klingon\"?><a/>"),
               EJclCharsetError);
}

TEST(JclSimpleXmlReader, ForgivingInputLoads) {
  TJclSimpleXML xml;
  xml.Root().SetName("Keep");
  xml.LoadFromString("  \r\n ");
  EXPECT_EQ(xml.Root().Name(), "Keep");
  EXPECT_EQ(xml.Root().ItemCount(), 0u);
  EXPECT_EQ(xml.Prolog().Count(), 0u);

  xml.LoadFromString("<a><b>");
  EXPECT_EQ(xml.Root().Name(), "a");
  ASSERT_EQ(xml.Root().ItemCount(), 1u);
  EXPECT_EQ(xml.Root().Items().Item(0)->Name(), "b");

  xml.LoadFromString("<x:a></X:A>");
  EXPECT_EQ(xml.Root().Name(), "a");
  EXPECT_EQ(xml.Root().NameSpace(), "x");

  xml.LoadFromString("<a>x</a>  <b>ignored after the root</b>");
  EXPECT_EQ(xml.Root().Value(), "x");

  xml.LoadFromString("<a></a  >");
  EXPECT_EQ(xml.Root().Name(), "a");
}

TEST(JclSimpleXmlReader, MixedContentAndWhitespace) {
  TJclSimpleXML xml;
  xml.LoadFromString("<a>x<b/>y</a>");
  TJclSimpleXMLElems& items = xml.Root().Items();
  ASSERT_EQ(items.Count(), 3u);
  EXPECT_NE(dynamic_cast<TJclSimpleXMLElemText*>(items.Item(0)), nullptr);
  EXPECT_EQ(items.Item(0)->Value(), "x");
  EXPECT_EQ(items.Item(1)->Name(), "b");
  EXPECT_EQ(items.Item(2)->Value(), "y");
  EXPECT_EQ(xml.Root().Value(), "");

  xml.LoadFromString("<a>  </a>");
  EXPECT_EQ(xml.Root().ItemCount(), 0u);
  EXPECT_EQ(xml.Root().Value(), "");

  xml.SetOptions(xml.Options().With(sxoKeepWhitespace));
  xml.LoadFromString("<a>  </a>");
  EXPECT_EQ(xml.Root().Value(), "  ");

  xml.SetOptions(kDefaultSimpleXMLOptions.With(sxoTrimPrecedingTextWhitespace)
                     .With(sxoTrimFollowingTextWhitespace));
  xml.LoadFromString("<a> \t x y \r\n</a>");
  EXPECT_EQ(xml.Root().Value(), "x y");
}

TEST(JclSimpleXmlReader, SiblingsOfDifferentShapesKeepTheirOwnChildrenAndAttributes) {
  // Child and attribute lists are made with room for as many as the sibling before has.
  TJclSimpleXML xml;
  xml.LoadFromString("<r><a><x/><y/><z/></a><b>t<u/>v</b><c/><d><w/></d><e>s</e></r>");
  auto children = [](TJclSimpleXMLElem* elem) {
    std::string names;
    for (size_t i = 0; i < elem->ItemCount(); ++i)
      names += elem->Items().Item(i)->Name() + "=" + elem->Items().Item(i)->Value() + ";";
    return names;
  };
  TJclSimpleXMLElems& items = xml.Root().Items();
  ASSERT_EQ(items.Count(), 5u);
  EXPECT_EQ(children(items.Item(0)), "x=;y=;z=;");
  EXPECT_EQ(children(items.Item(1)), "=t;u=;=v;");
  EXPECT_EQ(children(items.Item(2)), "");
  EXPECT_EQ(children(items.Item(3)), "w=;");
  EXPECT_EQ(children(items.Item(4)), "");
  EXPECT_EQ(items.Item(4)->Value(), "s");

  xml.LoadFromString(
      "<r><a p='1' q='2'/><b n:s='&amp;'/><c/><d t='4' u='5' v='6'><e w=''/></d></r>");
  auto attributes = [](TJclSimpleXMLElem* elem) {
    std::string text;
    for (size_t i = 0; i < elem->PropertyCount(); ++i) {
      const TJclSimpleXMLProp* prop = elem->Properties().Item(i);
      text += prop->FullName() + "=" + prop->Value() + ";";
    }
    return text;
  };
  TJclSimpleXMLElems& reread = xml.Root().Items();
  ASSERT_EQ(reread.Count(), 4u);
  EXPECT_EQ(attributes(reread.Item(0)), "p=1;q=2;");
  EXPECT_EQ(attributes(reread.Item(1)), "n:s=&;");
  EXPECT_EQ(attributes(reread.Item(2)), "");
  EXPECT_EQ(attributes(reread.Item(3)), "t=4;u=5;v=6;");
  EXPECT_EQ(attributes(reread.Item(3)->Items().Item(0)), "w=;");
}

TEST(JclSimpleXmlReader, ValueDecoding) {
  TJclSimpleXML xml;
  const struct {
    const char* Text;
    const char* Value;
  } cases[] = {
      {"<a>&amp;lt;</a>", "&lt;"},
      {"<a>&#65;&#x42;&#X43;</a>", "ABC"},
      {"<a>&foo;</a>", "&foo;"},
      {"<a>&#12</a>", "&#12"},
      {"<a>&#x1F600;</a>", "\xEF\x98\x80"},             // low 16 bits: U+F600
      {"<a>&#xD83D;&#xDE00;</a>", "\xF0\x9F\x98\x80"},  // two halves make one character
      {"<a>&#xD83D;x</a>", "\xEF\xBF\xBDx"},            // a lone half is replaced
      {"<a>&LT;&Quot;&apos;</a>", "<\"'"},
      {"<a>&#-5;</a>", "&#-5;"},
  };
  for (const auto& c : cases) {
    xml.LoadFromString(c.Text);
    EXPECT_EQ(xml.Root().Value(), c.Value) << c.Text;
  }

  xml.SetOptions({sxoAutoEncodeEntity});
  xml.LoadFromString("<a>&#65;&amp;</a>");
  EXPECT_EQ(xml.Root().Value(), "&#65;&");
  xml.SetOptions({});
  xml.LoadFromString("<a>&#65;&amp;</a>");
  EXPECT_EQ(xml.Root().Value(), "&#65;&amp;");
}

TEST(JclSimpleXmlReader, AttributesCommentsCDataAndProlog) {
  TJclSimpleXML xml;
  xml.LoadFromString(
      "<?xml version=\"1.0\"?>\n<!-- head -->\n<!DOCTYPE  r [<!ELEMENT r ANY>]>\n"
      "<?xml-stylesheet type=\"t\" href=\"h\"?><?target a='1' ?>"
      "<r a='say \"hi\"' n:b=\"&lt;\r\n\" c='1' C='2'><!-- a - b --><![CDATA[x]]]y]]z]]>"
      "<?pi?></r>");
  TJclSimpleXMLElemsProlog& prolog = xml.Prolog();
  ASSERT_EQ(prolog.Count(), 5u);
  EXPECT_NE(dynamic_cast<TJclSimpleXMLElemHeader*>(prolog.Item(0)), nullptr);
  EXPECT_EQ(prolog.Item(1)->Value(), " head ");
  EXPECT_EQ(prolog.Item(2)->Value(), "r [<!ELEMENT r ANY>]");
  EXPECT_NE(dynamic_cast<TJclSimpleXMLElemSheet*>(prolog.Item(3)), nullptr);
  EXPECT_EQ(prolog.Item(4)->Name(), "target");
  EXPECT_EQ(prolog.Item(4)->Properties().Value("a"), "1");

  TJclSimpleXMLProps& props = xml.Root().Properties();
  ASSERT_EQ(props.Count(), 4u);
  EXPECT_EQ(props.Item(0)->Value(), "say \"hi\"");
  EXPECT_EQ(props.Item(1)->NameSpace(), "n");
  EXPECT_EQ(props.Item(1)->Name(), "b");
  EXPECT_EQ(props.Item(1)->Value(), "<\r\n");
  EXPECT_EQ(props.Value("c"), "1");  // the first of a name, in any case

  TJclSimpleXMLElems& items = xml.Root().Items();
  ASSERT_EQ(items.Count(), 3u);
  EXPECT_EQ(items.Item(0)->Value(), " a - b ");
  EXPECT_EQ(items.Item(1)->Value(), "x]]]y]]z");
  EXPECT_EQ(items.Item(2)->Name(), "pi");
}

TEST(JclSimpleXmlReader, AttributeWithoutClosingQuoteIsDropped) {
  TJclSimpleXML xml;
  xml.LoadFromString("<a b='1' c='2");
  EXPECT_EQ(xml.Root().Name(), "a");
  ASSERT_EQ(xml.Root().PropertyCount(), 1u);
  EXPECT_EQ(xml.Root().Properties().Item(0)->Name(), "b");
}

TEST(JclSimpleXmlReader, ErrorKeepsWhatWasReadAndTheRootName) {
  TJclSimpleXML xml;
  xml.Root().SetName("Old");
  EXPECT_THROW(
      xml.LoadFromString("<!--c--><Configuration><A>1</A><B><C>2</C><D x=y/></B></Configuration>"),
      EJclSimpleXMLError);
  EXPECT_EQ(xml.Root().Name(), "Old");
  EXPECT_EQ(xml.Prolog().Count(), 1u);
  TJclSimpleXMLElems& items = xml.Root().Items();
  ASSERT_EQ(items.Count(), 2u);
  EXPECT_EQ(items.Item(0)->Value(), "1");
  EXPECT_EQ(items.Item(1)->Name(), "B");
  EXPECT_EQ(items.Item(1)->Items().Value("C"), "2");
  // Saving keeps the values where they were found.
  xml.SetOptions(xml.Options().With(sxoDoNotSaveProlog).Without(sxoAutoIndent));
  EXPECT_EQ(xml.SaveToString(), "<Old><A>1</A><B><C>2</C><D/></B></Old>");
}

// A processing instruction cut off before its end must not be written back nameless, which
// the next load would refuse.
TEST(JclSimpleXmlReader, HalfReadProcessingInstructionsAreNotWrittenBack) {
  for (const char* text : {"<?xml version=\"1.0\"?><?pi a='1'?", "<r><?pi a='1'?"}) {
    TJclSimpleXML xml;
    xml.Root().SetName("r");
    EXPECT_THROW(xml.LoadFromString(text), EJclSimpleXMLError) << text;
    xml.Root().Items().Add("v", "kept");
    const std::string saved = xml.SaveToString();
    TJclSimpleXML reread;
    EXPECT_NO_THROW(reread.LoadFromString(saved)) << saved;
    EXPECT_EQ(reread.Root().Items().Value("v"), "kept") << saved;
  }
}

TEST(JclSimpleXmlReader, TellsWhetherTheTextHadARootElement) {
  const struct {
    const char* Text;
    bool Found;
  } cases[] = {{"", false},          {" \r\n", false}, {"<?xml version='1.0'?><!--c-->", false},
               {"<", false},         {"<r/>", true},   {"<?xml version='1.0'?>\r\n <r>", true},
               {"<x:r></x:r>", true}};
  for (const auto& c : cases) {
    TJclSimpleXML xml;
    xml.LoadFromString(c.Text);
    EXPECT_EQ(xml.HasRootElement(), c.Found) << c.Text;
  }
}

TEST(JclSimpleXmlReader, DeepNestingIsRefusedInsteadOfExhaustingTheStack) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  TJclSimpleXML xml;
  EXPECT_THROW(xml.LoadFromString(deep), EJclSimpleXMLError);

  std::string fine;
  for (int i = 0; i < 100; ++i) fine += "<a>";
  EXPECT_NO_THROW(xml.LoadFromString(fine));
}

TEST(JclSimpleXmlReader, EventsReportTagsValuesAndProgress) {
  TJclSimpleXML xml;
  std::string log;
  xml.OnTagParsed = [&](TJclSimpleXML&, const std::string& name) { log += "tag:" + name + " "; };
  xml.OnValueParsed = [&](TJclSimpleXML&, const std::string& name, const std::string& value) {
    log += "value:" + name + "=" + value + " ";
  };
  int64_t lastPosition = -1;
  int64_t total = 0;
  xml.OnLoadProgress = [&](TJclSimpleXML&, int64_t position, int64_t size) {
    EXPECT_GE(position, lastPosition);
    lastPosition = position;
    total = size;
  };
  const std::string text = "<a><b>1</b><!--c--></a>";
  xml.LoadFromBytes(text);
  EXPECT_EQ(log, "value:=1 tag:b value:b=1 value:=c tag:a value:a= ");
  EXPECT_EQ(lastPosition, static_cast<int64_t>(text.size()));
  EXPECT_EQ(total, static_cast<int64_t>(text.size()));
}

// Loads text through a UTF-8 stream decoding bufferSize characters per refill; answers the
// error or the document as saved.
std::string LoadWithBufferSize(const std::string& text, size_t bufferSize) {
  TJclSimpleXML xml;
  TJclUTF8Stream stream(text);
  stream.SetBufferSize(bufferSize);
  try {
    xml.LoadFromStringStream(stream);
  } catch (const EJclError& e) {
    return e.Message();
  }
  return xml.SaveToString();
}

TEST(JclSimpleXmlReader, TextsReportTheirValuesWhetherOnlyChildOrNode) {
  TJclSimpleXML xml;
  xml.SetOptions(kDefaultSimpleXMLOptions.With(sxoTrimPrecedingTextWhitespace));
  std::string log;
  xml.OnValueParsed = [&](TJclSimpleXML&, const std::string& name, const std::string& value) {
    log += name + "=" + value + ";";
  };
  xml.LoadFromString("<a> x&amp;<b> y</b> z&lt;</a>");
  EXPECT_EQ(log, "=x&;=y;b=y;=z<;a=;");
  TJclSimpleXMLElems& items = xml.Root().Items();
  ASSERT_EQ(items.Count(), 3u);
  EXPECT_EQ(items.Item(0)->Value(), "x&");
  EXPECT_EQ(items.Item(1)->Value(), "y");
  EXPECT_EQ(items.Item(2)->Value(), "z<");
}

TEST(JclSimpleXmlReader, ReadingInRunsAgreesWithReadingOneCharacterAtATime) {
  const std::string longName(40, 'n');
  const std::string longText = "caf\xC3\xA9 " + std::string(30, 't') + " \xE2\x82\xAC &amp; end";
  const std::string cases[] = {
      "<" + longName + " a='" + longText + "' b=\"x'y\">" + longText + "</" + longName + ">",
      "<r>\r\n  <" + longName + "/>\r\n  <x:" + longName + ">" + longText +
          "</X:" + longName.substr(1) + "N>\r\n</r>",
      "<r>" + longText + "<b/>" + longText + "<!--" + longText + "--><![CDATA[" + longText +
          "]]]></r>",
      "<r><" + longName + "></" + longName + "x></r>",
      "<r a='1' " + longName + "!/>",
      "<r>" + longText + "</r " + longName + ">",
      "<r>" + longText + "<" + longName,
      "<r>ab<c",
      "<r>ab<c<d/></r>",
      "<\xC3\xA9l\xC3\xA9ment "
      "\xC3\xA9t\xC3\xA9='\xE2\x82\xAC'>\xF0\x9F\x98\x80</\xC3\xA9l\xC3\xA9ment>",
  };
  for (const std::string& text : cases) {
    const std::string oneByOne = LoadWithBufferSize(text, 1);
    for (const size_t bufferSize : {2, 3, 7, 9, 4096})
      EXPECT_EQ(LoadWithBufferSize(text, bufferSize), oneByOne) << text << " " << bufferSize;
  }
  EXPECT_EQ(LoadWithBufferSize(cases[3], 4096),
            "Invalid XML Element: Erroneous end of tag, expecting </" + longName + "> but </" +
                longName + "x> found at position 89");
}

TEST(JclSimpleXmlReader, NamedEntitiesIgnoreTheCaseOfAsciiLettersOnly) {
  TJclSimpleXML xml;
  xml.LoadFromString("<a>&AMP;&aMp;&QUOT;&Apos;&gT;</a>");
  EXPECT_EQ(xml.Root().Value(), "&&\"'>");
  // A dotless i or a long s upper-cases to an ASCII letter but is not one.
  xml.LoadFromString("<a>&apo\xC5\xBF;&l\xC4\xB1t;</a>");
  EXPECT_EQ(xml.Root().Value(), "&apo\xC5\xBF;&l\xC4\xB1t;");
}

TEST(JclSimpleXmlReader, PositionsCountCharactersNotBytes) {
  const auto errorOf = [](const std::string& bytes) {
    TJclSimpleXML xml;
    try {
      xml.LoadFromBytes(bytes);
    } catch (const EJclSimpleXMLError& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  // Characters of two, three and four bytes, malformed bytes read as one replacement each, and
  // a prolog read in UTF-8 before its header switches to a single-byte code page.
  EXPECT_EQ(
      errorOf("<a b=\"\xC3\xA9\xE2\x82\xAC\"><c>\xF0\x9F\x98\x80</d></a>"),
      "Invalid XML Element: Erroneous end of tag, expecting </c> but </d> found at position 18");
  EXPECT_EQ(
      errorOf("<a>\xC3(\xF0\x9F</b>"),
      "Invalid XML Element: Erroneous end of tag, expecting </a> but </b> found at position 10");
  EXPECT_EQ(
      errorOf(
          "<!--\xC3\xA9t\xC3\xA9--><?xml version=\"1.0\" encoding=\"Windows-1252\"?><a>\xE9</b>"),
      "Invalid XML Element: Erroneous end of tag, expecting </a> but </b> found at position 63");
}

TEST(JclSimpleXmlReader, NumericReferencesNeedDigitsAndASemicolon) {
  TJclSimpleXML xml;
  xml.LoadFromString(
      "<a>&#65;&#x42;&#X43;&#0000068;&#65&#x;&#;&#65x;&#4294967361;&#2147483648;&#x7FFFFFFF;"
      "&#x10045;&#-1;</a>");
  EXPECT_EQ(xml.Root().Value(),
            "ABCD&#65&#x;&#;&#65x;&#4294967361;&#2147483648;\xEF\xBF\xBF"
            "E&#-1;");
  // Halves of a character join; a half alone is a replacement character.
  xml.LoadFromString("<a>&#xD83D;&#xDE00;&#xD83D;x&#xDE00;&#55357;&amp;</a>");
  EXPECT_EQ(xml.Root().Value(), "\xF0\x9F\x98\x80\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD&");
  // Unfinished references stay as they are, a long run of them too.
  std::string unfinished;
  for (int i = 0; i < 1 << 14; ++i) unfinished += "&#1";
  xml.LoadFromString("<a>" + unfinished + "</a>");
  EXPECT_EQ(xml.Root().Value(), unfinished);
}

}  // namespace
