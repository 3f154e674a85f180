#include <array>
#include <cctype>
#include <string>

#include "JclSimpleXml_stream.h"
#include "JclSimpleXml_text.h"

namespace {

struct TCharsetEntry {
  const char* Name;
  uint16_t CodePage;
};

// Charset names and aliases with their Windows code pages. The first entry of a code page is
// the name written for it; a name look-up takes the first match.
constexpr std::array kCharsets = {
    TCharsetEntry{"IBM437", 437},
    TCharsetEntry{"cp437", 437},
    TCharsetEntry{"ibm850", 850},
    TCharsetEntry{"cp850", 850},
    TCharsetEntry{"ibm852", 852},
    TCharsetEntry{"cp852", 852},
    TCharsetEntry{"cp866", 866},
    TCharsetEntry{"ibm866", 866},
    TCharsetEntry{"windows-874", 874},
    TCharsetEntry{"tis-620", 874},
    TCharsetEntry{"shift_jis", 932},
    TCharsetEntry{"sjis", 932},
    TCharsetEntry{"ms_Kanji", 932},
    TCharsetEntry{"csShiftJIS", 932},
    TCharsetEntry{"gb2312", 936},
    TCharsetEntry{"GBK", 936},
    TCharsetEntry{"csGB2312", 936},
    TCharsetEntry{"chinese", 936},
    TCharsetEntry{"ks_c_5601-1987", 949},
    TCharsetEntry{"korean", 949},
    TCharsetEntry{"big5", 950},
    TCharsetEntry{"cn-big5", 950},
    TCharsetEntry{"csbig5", 950},
    TCharsetEntry{"utf-16", 1200},
    TCharsetEntry{"unicode", 1200},
    TCharsetEntry{"ucs-2", 1200},
    TCharsetEntry{"utf-16le", 1200},
    TCharsetEntry{"unicodeFFFE", 1201},
    TCharsetEntry{"utf-16be", 1201},
    TCharsetEntry{"windows-1250", 1250},
    TCharsetEntry{"x-cp1250", 1250},
    TCharsetEntry{"cp1250", 1250},
    TCharsetEntry{"windows-1251", 1251},
    TCharsetEntry{"x-cp1251", 1251},
    TCharsetEntry{"cp1251", 1251},
    TCharsetEntry{"Windows-1252", 1252},
    TCharsetEntry{"cp1252", 1252},
    TCharsetEntry{"x-ansi", 1252},
    TCharsetEntry{"windows-1253", 1253},
    TCharsetEntry{"cp1253", 1253},
    TCharsetEntry{"windows-1254", 1254},
    TCharsetEntry{"cp1254", 1254},
    TCharsetEntry{"windows-1255", 1255},
    TCharsetEntry{"cp1255", 1255},
    TCharsetEntry{"windows-1256", 1256},
    TCharsetEntry{"cp1256", 1256},
    TCharsetEntry{"windows-1257", 1257},
    TCharsetEntry{"cp1257", 1257},
    TCharsetEntry{"windows-1258", 1258},
    TCharsetEntry{"cp1258", 1258},
    TCharsetEntry{"macintosh", 10000},
    TCharsetEntry{"us-ascii", 20127},
    TCharsetEntry{"ascii", 20127},
    TCharsetEntry{"us", 20127},
    TCharsetEntry{"ANSI_X3.4-1968", 20127},
    TCharsetEntry{"iso646-us", 20127},
    TCharsetEntry{"koi8-r", 20866},
    TCharsetEntry{"koi8", 20866},
    TCharsetEntry{"csKOI8R", 20866},
    TCharsetEntry{"koi8-u", 21866},
    TCharsetEntry{"iso-8859-1", 28591},
    TCharsetEntry{"latin1", 28591},
    TCharsetEntry{"iso_8859-1", 28591},
    TCharsetEntry{"l1", 28591},
    TCharsetEntry{"cp819", 28591},
    TCharsetEntry{"iso-8859-2", 28592},
    TCharsetEntry{"latin2", 28592},
    TCharsetEntry{"iso-8859-3", 28593},
    TCharsetEntry{"latin3", 28593},
    TCharsetEntry{"iso-8859-4", 28594},
    TCharsetEntry{"latin4", 28594},
    TCharsetEntry{"iso-8859-5", 28595},
    TCharsetEntry{"cyrillic", 28595},
    TCharsetEntry{"iso-8859-6", 28596},
    TCharsetEntry{"arabic", 28596},
    TCharsetEntry{"iso-8859-7", 28597},
    TCharsetEntry{"greek", 28597},
    TCharsetEntry{"iso-8859-8", 28598},
    TCharsetEntry{"hebrew", 28598},
    TCharsetEntry{"iso-8859-9", 28599},
    TCharsetEntry{"latin5", 28599},
    TCharsetEntry{"iso-8859-13", 28603},
    TCharsetEntry{"iso-8859-15", 28605},
    TCharsetEntry{"latin9", 28605},
    TCharsetEntry{"latin-9", 28605},
    TCharsetEntry{"iso-2022-jp", 50220},
    TCharsetEntry{"euc-jp", 51932},
    TCharsetEntry{"euc-kr", 51949},
    TCharsetEntry{"gb18030", 54936},
    TCharsetEntry{"utf-7", 65000},
    TCharsetEntry{"unicode-1-1-utf-7", 65000},
    TCharsetEntry{"utf-8", 65001},
    TCharsetEntry{"unicode-1-1-utf-8", 65001},
    TCharsetEntry{"unicode-2-0-utf-8", 65001},
    TCharsetEntry{"x-unicode20utf8", 65001},
};

[[noreturn]] void RaiseNoMatchingCharset() {
  throw EJclCharsetError("No matching charset");
}

}  // namespace

uint16_t CodePageFromCharsetName(std::string_view name) {
  const std::string wanted = UpperCase(name);
  for (const TCharsetEntry& entry : kCharsets)
    if (UpperCase(entry.Name) == wanted) return entry.CodePage;
  RaiseNoMatchingCharset();
}

std::string CharsetNameFromCodePage(uint16_t codePage) {
  for (const TCharsetEntry& entry : kCharsets)
    if (entry.CodePage == codePage) return entry.Name;
  RaiseNoMatchingCharset();
}

uint16_t SystemAnsiCodePage() {
  return CP_UTF8;
}
