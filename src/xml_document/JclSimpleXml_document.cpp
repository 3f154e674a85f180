#include <iterator>
#include <sstream>

#include "FileUtils.h"
#include "JclSimpleXml.h"
#include "JclSimpleXml_text.h"

namespace {

std::unique_ptr<TJclStringStream> MakeReadStream(std::string_view bytes,
                                                 TJclStringEncoding encoding, uint16_t codePage) {
  switch (encoding) {
    case seUTF8:
      return std::make_unique<TJclUTF8Stream>(bytes);
    case seUTF16:
      return std::make_unique<TJclUTF16Stream>(bytes);
    case seAuto: {
      auto stream = std::make_unique<TJclAutoStream>(bytes);
      if (codePage != CP_ACP) stream->SetCodePage(codePage);
      return stream;
    }
    default:
      return std::make_unique<TJclAnsiStream>(bytes, codePage);
  }
}

std::string RunStreamHook(const TJclSimpleXML::TStreamHook& hook, TJclSimpleXML& sender,
                          std::string_view bytes) {
  std::istringstream in{std::string(bytes)};
  std::ostringstream out;
  hook(sender, in, out);
  return std::move(out).str();
}

// The code page a declaration stands for; none for a name the charset table lacks.
std::optional<uint16_t> DeclaredCodePage(std::string_view charset) {
  if (charset.empty()) return SystemAnsiCodePage();
  try {
    return CodePageFromCharsetName(charset);
  } catch (const EJclCharsetError&) {
    return std::nullopt;
  }
}

// Looks ahead without reading. The prolog ends before the root's start tag (or any
// whitespace in front of it) or at the end of the data.
bool RootStartTagFollows(TJclStringStream& stream) {
  stream.RestartPeek();
  char32_t ch;
  do {
    if (!stream.PeekUCS4(ch)) return false;
  } while (IsXmlWhitespace(ch));
  return ch == '<' && stream.PeekUCS4(ch) && (IsNameChar(ch) || ch == '-' || ch == '.');
}

uint16_t WrittenCodePage(TJclStringEncoding encoding, uint16_t codePage) {
  if (encoding == seUTF8) return CP_UTF8;
  if (encoding == seUTF16) return CP_UTF16LE;
  return codePage == CP_ACP ? SystemAnsiCodePage() : codePage;
}

}  // namespace

// --- element hooks into the document ---

void TJclSimpleXMLElem::NotifyParsed(bool withTag) const {
  if (withTag && FSimpleXML && FSimpleXML->OnTagParsed) FSimpleXML->OnTagParsed(*FSimpleXML, FName);
  NotifyValueParsed(FName, FValue);
}

void TJclSimpleXMLElem::NotifyValueParsed(const std::string& name, const std::string& value) const {
  if (FSimpleXML && FSimpleXML->OnValueParsed) FSimpleXML->OnValueParsed(*FSimpleXML, name, value);
}

void TJclSimpleXMLElem::NotifyLoadProgress(const TJclStringStream& stream) const {
  if (FSimpleXML) FSimpleXML->ReportLoadProgress(stream);
}

void TJclSimpleXMLElem::NotifySaved() const {
  if (FSimpleXML) FSimpleXML->NodeSaved();
}

// --- document ---

TJclSimpleXML::TJclSimpleXML()
    : FRoot(std::make_unique<TJclSimpleXMLElemClassic>()),
      FProlog(std::make_unique<TJclSimpleXMLElemsProlog>(this)) {
  FRoot->Attach(nullptr, this);
}

TJclSimpleXML::~TJclSimpleXML() = default;

void TJclSimpleXML::SetIndentString(std::string_view indent) {
  if (IsIndentText(indent)) FIndentString = indent;
}

void TJclSimpleXML::SetBaseIndentString(std::string_view indent) {
  if (IsIndentText(indent)) FBaseIndentString = indent;
}

void TJclSimpleXML::SetFileName(const std::string& fileName) {
  FFileName = fileName;
  LoadFromFile(fileName);
}

std::string TJclSimpleXML::EncodeValue(std::string_view value) {
  std::string encoded;
  AppendEncodedValue(encoded, value);
  return encoded;
}

void TJclSimpleXML::AppendEncodedValue(std::string& out, std::string_view value) {
  std::string hooked;
  if (OnEncodeValue) {
    hooked = value;
    OnEncodeValue(*this, hooked);
    value = hooked;
  }
  if (FOptions.Contains(sxoAutoEncodeValue))
    AppendFullEncoded(out, value);
  else if (FOptions.Contains(sxoAutoEncodeEntity))
    AppendEntityEncoded(out, value);
  else
    out.append(value);
}

std::string TJclSimpleXML::DecodeValue(std::string value) {
  DecodeValueInPlace(value);
  return value;
}

void TJclSimpleXML::DecodeValueInPlace(std::string& value) {
  if (FOptions.Contains(sxoAutoEncodeValue))
    FullDecode(value);
  else if (FOptions.Contains(sxoAutoEncodeEntity))
    EntityDecode(value);
  if (OnDecodeValue) OnDecodeValue(*this, value);
}

void TJclSimpleXML::ReportLoadProgress(const TJclStringStream& stream) {
  if (OnLoadProgress)
    OnLoadProgress(*this, static_cast<int64_t>(stream.BytePosition()),
                   static_cast<int64_t>(stream.ByteSize()));
}

void TJclSimpleXML::NodeSaved() {
  ++FSaveCurrent;
  if (OnSaveProgress) OnSaveProgress(*this, FSaveCurrent, FSaveCount);
}

// --- loading ---

void TJclSimpleXML::LoadFromFile(const std::string& fileName, TJclStringEncoding encoding,
                                 uint16_t codePage) {
  LoadFromBytes(ReadFileContents(fileName), encoding, codePage);
}

void TJclSimpleXML::LoadFromStream(std::istream& stream, TJclStringEncoding encoding,
                                   uint16_t codePage) {
  const std::string bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  LoadFromBytes(bytes, encoding, codePage);
}

void TJclSimpleXML::LoadFromBytes(std::string_view bytes, TJclStringEncoding encoding,
                                  uint16_t codePage) {
  ClearContent();
  std::string decoded;
  if (OnDecodeStream) {
    decoded = RunStreamHook(OnDecodeStream, *this, bytes);
    bytes = decoded;
  }
  FSizeHint = bytes.size();
  const std::unique_ptr<TJclStringStream> stream = MakeReadStream(bytes, encoding, codePage);
  stream->SkipBOM();
  LoadFromStringStream(*stream);
  if (const auto* autoStream = dynamic_cast<const TJclAutoStream*>(stream.get())) {
    FEncoding = autoStream->Encoding();
    FCodePage = autoStream->CodePage();
  } else if (const auto* ansiStream = dynamic_cast<const TJclAnsiStream*>(stream.get())) {
    FEncoding = encoding;
    FCodePage = ansiStream->CodePage();
  } else {
    FEncoding = encoding;
    FCodePage = codePage;
  }
}

void TJclSimpleXML::LoadFromString(std::string_view text) {
  TJclUTF8Stream stream(text);
  stream.SkipBOM();
  LoadFromStringStream(stream);
  FEncoding = seUTF8;
  FCodePage = CP_UTF8;
}

void TJclSimpleXML::LoadFromStringStream(TJclStringStream& stream) {
  ClearContent();
  FRootFound = false;
  ReportLoadProgress(stream);
  // One character per refill in the prolog, so a declared code page applies right after it.
  const size_t bufferSize = stream.BufferSize();
  stream.SetBufferSize(1);
  FProlog->LoadFromStringStream(stream);
  stream.SetBufferSize(bufferSize);
  FRootFound = RootStartTagFollows(stream);
  FRoot->LoadFromStringStream(stream);
  ReportLoadProgress(stream);
}

void TJclSimpleXML::ClearContent() {
  FRoot->Clear();
  FProlog->Clear();
}

// --- saving ---

void TJclSimpleXML::ResolveAutoEncoding(TJclStringEncoding& encoding, uint16_t& codePage) {
  TJclSimpleXMLElemHeader* header = FProlog->FindHeader();
  if (!header) {
    encoding = FEncoding;
    codePage = FCodePage;
    return;
  }
  // An empty declaration reads as the ANSI code page, so it saves as one too.
  const std::string charset = header->Encoding();
  codePage = charset.empty() ? CP_ACP : CodePageFromCharsetName(charset);
  encoding = codePage == CP_UTF16LE ? seUTF16 : codePage == CP_UTF8 ? seUTF8 : seAnsi;
}

// The reader tells UTF-16 from the rest only by its byte-order mark, so only a UTF-8 mark may
// be left out.
std::string TJclSimpleXML::WriteBytes(TJclStringEncoding& encoding, uint16_t& codePage) {
  if (encoding == seAuto) ResolveAutoEncoding(encoding, codePage);
  std::string bytes;
  bytes.reserve(FSizeHint + FSizeHint / 16);
  std::unique_ptr<TJclStringStream> stream;
  if (encoding == seUTF8) {
    stream = std::make_unique<TJclUTF8Stream>(&bytes);
    FCodePage = CP_UTF8;
  } else if (encoding == seUTF16) {
    stream = std::make_unique<TJclUTF16Stream>(&bytes);
    FCodePage = CP_UTF16LE;
  } else {
    stream = std::make_unique<TJclAnsiStream>(&bytes, codePage);
  }
  if (!FOptions.Contains(sxoDoNotSaveBOM) || encoding == seUTF16) stream->WriteBOM();
  if (!FOptions.Contains(sxoDoNotSaveProlog)) DeclareEncoding(WrittenCodePage(encoding, codePage));
  SaveToStringStream(*stream);
  FSizeHint = bytes.size();
  return bytes;
}

// A header naming another code page than the bytes are written in would make the reader
// decode the rest wrongly; one that already names it (in any spelling) is left alone.
void TJclSimpleXML::DeclareEncoding(uint16_t codePage) {
  TJclSimpleXMLElemHeader* header = FProlog->FindHeader();
  // A header that the writer adds names the document's code page.
  const std::optional<uint16_t> declared =
      header ? DeclaredCodePage(header->Encoding())
             : (FCodePage == CP_ACP ? SystemAnsiCodePage() : FCodePage);
  if (declared != codePage) FProlog->EnsureHeader().SetEncoding(CharsetNameFromCodePage(codePage));
}

std::string TJclSimpleXML::SaveToBytes(TJclStringEncoding encoding, uint16_t codePage) {
  std::string bytes = WriteBytes(encoding, codePage);
  if (OnEncodeStream) return RunStreamHook(OnEncodeStream, *this, bytes);
  return bytes;
}

void TJclSimpleXML::SaveToFile(const std::string& fileName, TJclStringEncoding encoding,
                               uint16_t codePage) {
  ReplaceFileContents(fileName, SaveToBytes(encoding, codePage));
}

void TJclSimpleXML::SaveToStream(std::ostream& stream, TJclStringEncoding encoding,
                                 uint16_t codePage) {
  const std::string bytes = SaveToBytes(encoding, codePage);
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TJclSimpleXML::SaveToString() {
  return SaveToStringEncoding(seAuto, CP_ACP);
}

std::string TJclSimpleXML::SaveToStringEncoding(TJclStringEncoding encoding, uint16_t codePage) {
  const std::string bytes = WriteBytes(encoding, codePage);
  const std::unique_ptr<TJclStringStream> stream = MakeReadStream(bytes, encoding, codePage);
  stream->SkipBOM();
  return ReadAllText(*stream);
}

void TJclSimpleXML::SaveToStringStream(TJclStringStream& stream) {
  FSaveCount = static_cast<int64_t>(FRoot->ChildsCount() + FProlog->Count());
  FSaveCurrent = 0;
  if (OnSaveProgress) OnSaveProgress(*this, 0, FSaveCount);
  if (!FOptions.Contains(sxoDoNotSaveProlog)) FProlog->SaveToStringStream(stream);
  FRoot->SaveToStringStream(stream, FBaseIndentString);
  if (OnSaveProgress) OnSaveProgress(*this, FSaveCount, FSaveCount);
  stream.Flush();
}

std::string ReadAllText(TJclStringStream& stream) {
  std::string text;
  char32_t ch;
  while (stream.ReadUCS4(ch)) AppendUtf8(text, ch);
  return text;
}
