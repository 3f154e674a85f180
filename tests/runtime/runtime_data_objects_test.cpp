// The runtime's data objects through its C entry points: values, process messages, command
// lines, paths, streams and the XML and ZIP readers over them. Every reference the test hands
// over must come back.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "RtStream.h"
#include "RtXmlReader.h"
#include "RtZipReader.h"
#include "runtime_test_support.h"

namespace {

std::string Root;

std::u16string Take(TCefStringUserFreeUtf16 text) {
  std::u16string result = text && text->str ? std::u16string(text->str, text->length) : u"";
  if (text) Api.cef_string_userfree_utf16_free(text);
  return result;
}

std::string TakeAscii(TCefStringUserFreeUtf16 text) {
  const std::u16string wide = Take(text);
  return std::string(wide.begin(), wide.end());
}

// A borrowed string argument that lives as long as the statement it is made in.
struct TArg {
  std::u16string Text;
  TCefStringUtf16 Record;
  explicit TArg(const std::u16string& text) : Text(text), Record(View(Text)) {}
  operator TCefConstString*() { return &Record; }
};
TArg Arg(const std::string& ascii) {
  return TArg(U16(ascii));
}

std::vector<std::string> ListOf(const std::function<void(TCefStringList)>& fill) {
  TCefStringList list = Api.cef_string_list_alloc();
  fill(list);
  std::vector<std::string> items;
  for (int32_t i = 0; i < Api.cef_string_list_size(list); ++i) {
    TCefStringUtf16 item{};
    Api.cef_string_list_value(list, i, &item);
    items.push_back(Ascii(&item));
    Api.cef_string_utf16_clear(&item);
  }
  Api.cef_string_list_free(list);
  return items;
}

// The object with one more reference, for an entry that takes one over.
template <class T>
T* Share(T* object) {
  object->base.add_ref(&object->base);
  return object;
}

TCefStreamReader* StreamOver(const std::string& bytes) {
  return Api.cef_stream_reader_create_for_data(const_cast<char*>(bytes.data()), bytes.size());
}

TEST(Values, DictionaryKeepsEveryKindNestedValuesAndOwnership) {
  const std::u16string text = u"caf\u00e9 \xd83d\xde00";
  const char bytes[] = {1, 0, 2, 3};
  TCefDictionaryValue* dictionary = Api.cef_dictionary_value_create();
  ASSERT_NE(dictionary, nullptr);
  EXPECT_FALSE(dictionary->is_owned(dictionary));
  EXPECT_FALSE(dictionary->is_read_only(dictionary));

  TCefBinaryValue* binary = Api.cef_binary_value_create(bytes, sizeof bytes);
  TCefListValue* list = Api.cef_list_value_create();
  EXPECT_TRUE(list->set_string(list, 2, TArg(text)));  // grows the list with nulls
  TCefDictionaryValue* inner = Api.cef_dictionary_value_create();
  inner->set_int(inner, Arg("depth"), 2);
  EXPECT_TRUE(list->set_dictionary(list, 0, Share(inner)));
  TCefListValue* empty = Api.cef_list_value_create();

  EXPECT_TRUE(dictionary->set_null(dictionary, Arg("null")));
  EXPECT_TRUE(dictionary->set_bool(dictionary, Arg("bool"), 1));
  EXPECT_TRUE(dictionary->set_int(dictionary, Arg("int"), -7));
  EXPECT_TRUE(dictionary->set_double(dictionary, Arg("double"), 2.5));
  EXPECT_TRUE(dictionary->set_string(dictionary, Arg("string"), TArg(text)));
  EXPECT_TRUE(dictionary->set_binary(dictionary, Arg("binary"), Share(binary)));
  EXPECT_TRUE(dictionary->set_list(dictionary, Arg("list"), Share(list)));
  EXPECT_TRUE(dictionary->set_list(dictionary, Arg("empty"), empty));
  EXPECT_EQ(binary->base.get_refct(&binary->base), 1) << "set_binary released its reference";
  Drop(binary);

  const struct {
    const char* Key;
    TCefValueType Type;
  } kinds[] = {{"null", VTYPE_NULL},     {"bool", VTYPE_BOOL},     {"int", VTYPE_INT},
               {"double", VTYPE_DOUBLE}, {"string", VTYPE_STRING}, {"binary", VTYPE_BINARY},
               {"list", VTYPE_LIST},     {"empty", VTYPE_LIST},    {"missing", VTYPE_INVALID}};
  for (const auto& kind : kinds)
    EXPECT_EQ(dictionary->get_type(dictionary, Arg(kind.Key)), kind.Type) << kind.Key;
  EXPECT_EQ(ListOf([&](TCefStringList keys) { dictionary->get_keys(dictionary, keys); }),
            (std::vector<std::string>{"binary", "bool", "double", "empty", "int", "list", "null",
                                      "string"}));
  EXPECT_TRUE(dictionary->get_bool(dictionary, Arg("bool")));
  EXPECT_EQ(dictionary->get_int(dictionary, Arg("int")), -7);
  EXPECT_EQ(dictionary->get_double(dictionary, Arg("double")), 2.5);
  EXPECT_EQ(Take(dictionary->get_string(dictionary, Arg("string"))), text);
  EXPECT_EQ(dictionary->get_int(dictionary, Arg("string")), 0) << "another kind reads as 0";

  TCefBinaryValue* storedBinary = dictionary->get_binary(dictionary, Arg("binary"));
  char read[8] = {};
  ASSERT_EQ(storedBinary->get_size(storedBinary), sizeof bytes);
  EXPECT_EQ(storedBinary->get_data(storedBinary, read, sizeof read, 1), sizeof bytes - 1);
  EXPECT_EQ(std::string(read, 3), std::string(bytes + 1, 3));
  EXPECT_EQ(storedBinary->get_data(storedBinary, read, sizeof read, sizeof bytes), 0u);
  Drop(storedBinary);

  // A child read back is a live view: what is set through it shows in the parent.
  TCefListValue* storedList = dictionary->get_list(dictionary, Arg("list"));
  EXPECT_TRUE(storedList->is_owned(storedList));
  EXPECT_EQ(storedList->get_size(storedList), 3u);
  EXPECT_EQ(storedList->get_type(storedList, 1), VTYPE_NULL);
  EXPECT_EQ(Take(storedList->get_string(storedList, 2)), text);
  TCefDictionaryValue* storedInner = storedList->get_dictionary(storedList, 0);
  EXPECT_EQ(storedInner->get_int(storedInner, Arg("depth")), 2);
  storedInner->set_int(storedInner, Arg("depth"), 3);
  Drop(storedInner);
  Drop(storedList);
  storedList = dictionary->get_list(dictionary, Arg("list"));
  storedInner = storedList->get_dictionary(storedList, 0);
  EXPECT_EQ(storedInner->get_int(storedInner, Arg("depth")), 3);
  Drop(storedInner);
  Drop(storedList);

  // Set values were copied in: changing the original leaves the stored one alone.
  list->set_int(list, 2, 99);
  EXPECT_EQ(inner->get_int(inner, Arg("depth")), 2);
  Drop(list);
  Drop(inner);

  TCefDictionaryValue* copy = dictionary->copy(dictionary, 1);
  EXPECT_FALSE(copy->has_key(copy, Arg("empty"))) << "empty children left out";
  EXPECT_EQ(copy->get_size(copy), dictionary->get_size(dictionary) - 1);
  EXPECT_TRUE(copy->remove(copy, Arg("int")));
  EXPECT_FALSE(copy->remove(copy, Arg("int")));
  EXPECT_EQ(dictionary->get_int(dictionary, Arg("int")), -7) << "copies stand alone";
  Drop(copy);
  Drop(dictionary);
}

TEST(Values, ProcessMessageCarriesNameAndArguments) {
  EXPECT_EQ(Api.cef_process_message_create(Arg("")), nullptr);
  TCefProcessMessage* message = Api.cef_process_message_create(Arg("ping"));
  ASSERT_NE(message, nullptr);
  TCefListValue* arguments = message->get_argument_list(message);
  EXPECT_TRUE(arguments->is_owned(arguments));
  arguments->set_int(arguments, 0, 42);
  Drop(arguments);

  TCefProcessMessage* copy = message->copy(message);
  Drop(message);
  EXPECT_EQ(TakeAscii(copy->get_name(copy)), "ping");
  arguments = copy->get_argument_list(copy);
  EXPECT_EQ(arguments->get_size(arguments), 1u);
  EXPECT_EQ(arguments->get_int(arguments, 0), 42);
  Drop(arguments);
  Drop(copy);
}

std::vector<std::string> SwitchesOf(TCefCommandLine* line) {
  TCefStringMap map = Api.cef_string_map_alloc();
  line->get_switches(line, map);
  std::vector<std::string> switches;
  for (int32_t i = 0; i < Api.cef_string_map_size(map); ++i) {
    TCefStringUtf16 key{}, value{};
    Api.cef_string_map_key(map, i, &key);
    Api.cef_string_map_value(map, i, &value);
    switches.push_back(Ascii(&key) + "=" + Ascii(&value));
    Api.cef_string_utf16_clear(&key);
    Api.cef_string_utf16_clear(&value);
  }
  Api.cef_string_map_free(map);
  return switches;
}

TEST(CommandLines, BuiltFromArgvAndFromTextReadBack) {
  const char* const argv[] = {"/opt/app/run", "--mode=fast", "input.txt", "-v",
                              "--",           "--literal",   "two words"};
  TCefCommandLine* line = Api.cef_command_line_create();
  ASSERT_NE(line, nullptr);
  line->init_from_argv(line, 7, argv);
  EXPECT_EQ(TakeAscii(line->get_program(line)), "/opt/app/run");
  EXPECT_EQ(SwitchesOf(line), (std::vector<std::string>{"mode=fast", "v="}));
  EXPECT_EQ(ListOf([&](TCefStringList list) { line->get_arguments(line, list); }),
            (std::vector<std::string>{"input.txt", "--literal", "two words"}));
  EXPECT_EQ(TakeAscii(line->get_switch_value(line, Arg("mode"))), "fast");
  EXPECT_TRUE(line->has_switch(line, Arg("v")));
  line->append_switch_with_value(line, Arg("path"), Arg("/a b"));

  // The text form parses back to the same command line.
  const std::u16string text = Take(line->get_command_line_string(line));
  TCefCommandLine* parsed = Api.cef_command_line_create();
  parsed->init_from_string(parsed, TArg(text));
  EXPECT_EQ(SwitchesOf(parsed), (std::vector<std::string>{"mode=fast", "path=/a b", "v="}));
  EXPECT_EQ(ListOf([&](TCefStringList list) { parsed->get_arguments(parsed, list); }),
            (std::vector<std::string>{"input.txt", "--literal", "two words"}));
  EXPECT_EQ(Take(parsed->get_command_line_string(parsed)), text);

  parsed->prepend_wrapper(parsed, Arg("gdb --args"));
  EXPECT_EQ(TakeAscii(parsed->get_program(parsed)), "gdb");
  EXPECT_EQ(SwitchesOf(parsed).size(), 3u) << "the wrapper's words are no switches";
  parsed->reset(parsed);
  EXPECT_FALSE(parsed->has_switches(parsed));
  EXPECT_FALSE(parsed->has_arguments(parsed));
  EXPECT_EQ(TakeAscii(parsed->get_program(parsed)), "gdb");
  Drop(parsed);
  Drop(line);
}

TEST(CommandLines, GlobalNamesThisProgramAndRefusesChanges) {
  TCefCommandLine* global = Api.cef_command_line_get_global();
  ASSERT_NE(global, nullptr);
  EXPECT_TRUE(global->is_read_only(global));
  const std::string program = TakeAscii(global->get_program(global));
  EXPECT_NE(program.find("runtime_data_objects_test"), std::string::npos) << program;
  global->append_switch(global, Arg("added"));
  EXPECT_FALSE(global->has_switch(global, Arg("added")));

  TCefCommandLine* copy = global->copy(global);
  EXPECT_FALSE(copy->is_read_only(copy));
  copy->append_switch(copy, Arg("added"));
  EXPECT_TRUE(copy->has_switch(copy, Arg("added")));
  Drop(copy);
  Drop(global);
}

// The process runs with the arguments as given; a program that cannot start is reported.
TEST(CommandLines, LaunchedProcessGetsItsArguments) {
  const std::string made = Root + "/launched file";
  const char* const argv[] = {"touch", made.c_str()};
  TCefCommandLine* line = Api.cef_command_line_create();
  line->init_from_argv(line, 2, argv);
  EXPECT_TRUE(Api.cef_launch_process(line));
  for (int waited = 0; waited < 200 && !g_file_test(made.c_str(), G_FILE_TEST_EXISTS); ++waited)
    g_usleep(50 * 1000);
  EXPECT_TRUE(g_file_test(made.c_str(), G_FILE_TEST_EXISTS));

  const char* const missing[] = {"/nonexistent/program"};
  TCefCommandLine* unstartable = Api.cef_command_line_create();
  unstartable->init_from_argv(unstartable, 1, missing);
  EXPECT_FALSE(Api.cef_launch_process(unstartable));
  EXPECT_FALSE(Api.cef_launch_process(nullptr));
}

TEST(Paths, NameThisProgramThisLibraryAndTheTempFolder) {
  const auto pathOf = [](TCefPathKey key) {
    TCefStringUtf16 path{};
    const bool found = Api.cef_get_path(key, &path) != 0;
    std::string text = found ? Ascii(&path) : "(none)";
    Api.cef_string_utf16_clear(&path);
    return text;
  };
  char exe[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  EXPECT_EQ(pathOf(PK_FILE_EXE), exe);
  EXPECT_EQ(pathOf(PK_DIR_EXE) + "/", std::string(exe).substr(0, std::string(exe).rfind('/') + 1));
  const std::string module = pathOf(PK_FILE_MODULE);
  EXPECT_EQ(module.substr(module.rfind('/')), "/libcef.so");
  EXPECT_EQ(pathOf(PK_DIR_MODULE), module.substr(0, module.rfind('/')));
  EXPECT_EQ(pathOf(PK_DIR_TEMP), g_get_tmp_dir());
  EXPECT_EQ(pathOf(TCefPathKey(99)), "(none)");
}

// Reads everything left in the stream, a few bytes at a time.
std::string ReadRest(TCefStreamReader* stream) {
  std::string text;
  char buffer[3];
  while (size_t read = stream->read(stream, buffer, 1, sizeof buffer)) text.append(buffer, read);
  return text;
}

TEST(Streams, FileAndMemoryReadSeekAndTellAlike) {
  const std::string bytes = "0123456789";
  const std::string path = Root + "/stream.bin";
  TCefStreamWriter* writer = Api.cef_stream_writer_create_for_file(TArg(U16(path)));
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(writer->write(writer, bytes.data(), 2, 5), 5u);
  EXPECT_EQ(writer->tell(writer), 10);
  EXPECT_EQ(writer->flush(writer), 0);
  Drop(writer);
  EXPECT_EQ(Api.cef_stream_reader_create_for_file(TArg(U16(Root + "/missing"))), nullptr);
  EXPECT_EQ(Api.cef_stream_reader_create_for_file(TArg(U16(Root))), nullptr) << "a folder";

  for (TCefStreamReader* stream :
       {Api.cef_stream_reader_create_for_file(TArg(U16(path))), StreamOver(bytes)}) {
    ASSERT_NE(stream, nullptr);
    char items[4] = {};
    EXPECT_EQ(stream->read(stream, items, 2, 2), 2u);
    EXPECT_EQ(std::string(items, 4), "0123");
    EXPECT_EQ(stream->tell(stream), 4);
    EXPECT_EQ(stream->seek(stream, -3, SEEK_END), 0);
    EXPECT_EQ(ReadRest(stream), "789");
    EXPECT_TRUE(stream->eof(stream));
    EXPECT_EQ(stream->seek(stream, 2, SEEK_SET), 0);
    EXPECT_EQ(stream->seek(stream, 3, SEEK_CUR), 0);
    EXPECT_EQ(stream->tell(stream), 5);
    EXPECT_FALSE(stream->eof(stream));
    EXPECT_EQ(ReadRest(stream), "56789");
    Drop(stream);
  }
  // A file written again holds only what was written the second time.
  writer = Api.cef_stream_writer_create_for_file(TArg(U16(path)));
  EXPECT_EQ(writer->write(writer, "ab", 1, 2), 2u);
  Drop(writer);
  EXPECT_EQ(ReadFile(path), "ab");

  TCefStreamReader* memory = StreamOver(bytes);
  EXPECT_NE(memory->seek(memory, 11, SEEK_SET), 0) << "no seek past the data";
  EXPECT_NE(memory->seek(memory, -1, SEEK_SET), 0);
  EXPECT_EQ(memory->tell(memory), 0);
  Drop(memory);
}

// A client's read handler over text; counts its references.
struct TTextHandler : TCounted<TCefReadHandler> {
  std::string Text;
  size_t Offset = 0;
  TTextHandler() {
    Struct.read = [](TCefReadHandler* self, void* buffer, size_t size, size_t n) -> size_t {
      auto& handler = *reinterpret_cast<TTextHandler*>(self);
      const size_t count = std::min(n, (handler.Text.size() - handler.Offset) / size);
      handler.Text.copy(static_cast<char*>(buffer), count * size, handler.Offset);
      handler.Offset += count * size;
      return count;
    };
    Struct.seek = [](TCefReadHandler*, int64_t, int32_t) { return -1; };
    Struct.tell = [](TCefReadHandler* self) {
      return int64_t(reinterpret_cast<TTextHandler*>(self)->Offset);
    };
    Struct.eof = [](TCefReadHandler* self) {
      auto& handler = *reinterpret_cast<TTextHandler*>(self);
      return int32_t(handler.Offset >= handler.Text.size());
    };
    Struct.may_block = [](TCefReadHandler*) { return 0; };
  }
};

struct TNode {
  TCefXmlNodeType Type;
  int32_t Depth;
  std::string Name;
  std::string Value;
  bool operator==(const TNode&) const = default;
};

std::vector<TNode> NodesOf(TCefXmlReader* reader) {
  std::vector<TNode> nodes;
  while (reader->move_to_next_node(reader)) {
    nodes.push_back({reader->get_type(reader), reader->get_depth(reader),
                     TakeAscii(reader->get_qualified_name(reader)),
                     TakeAscii(reader->get_value(reader))});
  }
  return nodes;
}

TEST(XmlReader, ReadsADocumentNodeByNodeFromAHandler) {
  TTextHandler handler;
  handler.Text =
      "<?xml version=\"1.0\"?>\n<root xmlns:p=\"urn:p\" id=\"7\"><p:item a=\"1\">text</p:item>"
      "<!--note--><empty/><![CDATA[<raw>]]></root>";
  TCefStreamReader* stream = Api.cef_stream_reader_create_for_handler(handler.Give());
  ASSERT_NE(stream, nullptr);
  TCefXmlReader* reader = Api.cef_xml_reader_create(stream, XML_ENCODING_NONE, Arg("urn:doc"));
  ASSERT_NE(reader, nullptr);

  ASSERT_TRUE(reader->move_to_next_node(reader));
  EXPECT_EQ(TakeAscii(reader->get_local_name(reader)), "root");
  EXPECT_EQ(reader->get_attribute_count(reader), 2u);
  EXPECT_EQ(TakeAscii(reader->get_attribute_byqname(reader, Arg("id"))), "7");
  EXPECT_EQ(TakeAscii(reader->get_base_uri(reader)), "urn:doc");
  EXPECT_NE(TakeAscii(reader->get_inner_xml(reader)).find("a=\"1\">text</p:item><!--note-->"),
            std::string::npos);
  ASSERT_TRUE(reader->move_to_attribute_byqname(reader, Arg("id")));
  EXPECT_EQ(reader->get_type(reader), XML_NODE_ATTRIBUTE);
  EXPECT_TRUE(reader->move_to_carrying_element(reader));
  ASSERT_TRUE(reader->move_to_next_node(reader));
  EXPECT_EQ(TakeAscii(reader->get_prefix(reader)), "p");
  EXPECT_EQ(TakeAscii(reader->get_namespace_uri(reader)), "urn:p");
  EXPECT_EQ(TakeAscii(reader->get_attribute_byindex(reader, 0)), "1");
  EXPECT_EQ(TakeAscii(reader->get_attribute_bylname(reader, Arg("a"), Arg(""))), "1");
  EXPECT_EQ(reader->get_line_number(reader), 2);

  EXPECT_EQ(NodesOf(reader), (std::vector<TNode>{{XML_NODE_TEXT, 2, "#text", "text"},
                                                 {XML_NODE_ELEMENT_END, 1, "p:item", ""},
                                                 {XML_NODE_COMMENT, 1, "#comment", "note"},
                                                 {XML_NODE_ELEMENT_START, 1, "empty", ""},
                                                 {XML_NODE_CDATA, 1, "#cdata-section", "<raw>"},
                                                 {XML_NODE_ELEMENT_END, 0, "root", ""}}));
  EXPECT_FALSE(reader->has_error(reader));
  EXPECT_TRUE(reader->close(reader));
  EXPECT_FALSE(reader->move_to_next_node(reader)) << "closed";
  Drop(reader);
  EXPECT_EQ(handler.Refs, 1) << "the stream and its handler were given back";
}

TEST(XmlReader, TruncatedOrHostileDocumentsReportAnError) {
  const std::string documents[] = {
      "<root><a>text</a><b",
      "<root><a></b></root>",
      "<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r>&x;</r><extra/>",
      std::string("<r>\0</r>", 8),
  };
  for (const std::string& document : documents) {
    TCefXmlReader* reader =
        Api.cef_xml_reader_create(StreamOver(document), XML_ENCODING_UTF8, nullptr);
    ASSERT_NE(reader, nullptr);
    const std::vector<TNode> nodes = NodesOf(reader);
    EXPECT_TRUE(reader->has_error(reader)) << document;
    EXPECT_NE(TakeAscii(reader->get_error(reader)), "") << document;
    for (const TNode& node : nodes) EXPECT_EQ(node.Value.find("root:"), std::string::npos);
    Drop(reader);
  }
}

// Makes a ZIP archive of the named files with Python's zipfile module.
std::string MakeZip(const std::string& name) {
  const std::string path = Root + "/" + name;
  const std::string command =
      "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED);"
      "z.writestr('Docs/Readme.txt','hello zip'); z.writestr('data.bin','x'*5000); z.close()\" " +
      path;
  EXPECT_EQ(std::system(command.c_str()), 0);
  return path;
}

std::string ReadZipFile(TCefZipReader* zip) {
  std::string content;
  char buffer[700];
  int32_t read = 0;
  while ((read = zip->read_file(zip, buffer, sizeof buffer)) > 0) content.append(buffer, read);
  return read < 0 ? "(error)" : content;
}

TEST(ZipReader, ListsAndReadsTheFilesOfAnArchive) {
  const std::string path = MakeZip("two.zip");
  TCefZipReader* zip =
      Api.cef_zip_reader_create(Api.cef_stream_reader_create_for_file(TArg(U16(path))));
  ASSERT_NE(zip, nullptr);
  std::vector<std::string> listing;
  for (bool more = zip->move_to_first_file(zip); more; more = zip->move_to_next_file(zip)) {
    EXPECT_TRUE(zip->open_file(zip, nullptr));
    const std::string content = ReadZipFile(zip);
    EXPECT_TRUE(zip->eof(zip));
    EXPECT_EQ(zip->tell(zip), int64_t(content.size()));
    EXPECT_GT(zip->get_file_last_modified(zip).year, 2000);
    listing.push_back(TakeAscii(zip->get_file_name(zip)) + " " +
                      std::to_string(zip->get_file_size(zip)) + " " + content.substr(0, 9));
    EXPECT_TRUE(zip->close_file(zip));
  }
  EXPECT_EQ(listing,
            (std::vector<std::string>{"Docs/Readme.txt 9 hello zip", "data.bin 5000 xxxxxxxxx"}));

  EXPECT_FALSE(zip->move_to_file(zip, Arg("docs/readme.txt"), 1));
  ASSERT_TRUE(zip->move_to_file(zip, Arg("docs/readme.txt"), 0));
  EXPECT_TRUE(zip->open_file(zip, nullptr));
  EXPECT_EQ(ReadZipFile(zip), "hello zip");
  EXPECT_TRUE(zip->close(zip));
  EXPECT_FALSE(zip->move_to_first_file(zip)) << "closed";
  Drop(zip);
}

TEST(ZipReader, PasswordOpensAnEncryptedFile) {
  const std::string path = Root + "/secret.zip";
  const std::string command = "cd " + Root + " && echo 'hidden text' > note.txt && " +
                              "zip -q -P secret secret.zip note.txt";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const struct {
    const char* Password;
    std::string Content;
  } cases[] = {{"secret", "hidden text\n"}, {"wrong", "(error)"}, {"", "(error)"}};
  for (const auto& attempt : cases) {
    TCefZipReader* zip =
        Api.cef_zip_reader_create(Api.cef_stream_reader_create_for_file(TArg(U16(path))));
    ASSERT_TRUE(zip && zip->move_to_first_file(zip));
    EXPECT_TRUE(zip->open_file(zip, Arg(attempt.Password)));
    EXPECT_EQ(ReadZipFile(zip), attempt.Content) << attempt.Password;
    Drop(zip);
  }
}

// Damage shows as a refused archive, a walk that ends early or a read that fails.
TEST(ZipReader, TruncatedArchiveGivesAnError) {
  const std::string whole = ReadFile(MakeZip("whole.zip"));
  ASSERT_GT(whole.size(), 200u);
  // Cut in the first file's header, in its data and in the second file's data.
  const size_t secondData = whole.find("data.bin") + 10;
  for (size_t length : {size_t(0), size_t(10), size_t(40), size_t(60), secondData}) {
    TCefZipReader* zip = Api.cef_zip_reader_create(StreamOver(whole.substr(0, length)));
    bool damaged = !zip;
    int files = 0;
    for (bool more = zip && zip->move_to_first_file(zip); more;
         more = zip->move_to_next_file(zip), ++files) {
      zip->open_file(zip, nullptr);
      damaged |= ReadZipFile(zip) == "(error)";
    }
    EXPECT_TRUE(damaged || files < 2) << "length " << length;
    Drop(zip);
  }

  // A name that is no UTF-8 is compared without reading past it.
  std::string badName = whole;
  for (size_t at = 0; (at = badName.find("data.bin", at)) != std::string::npos;)
    badName.replace(at, 3, "\xff\xfe\xc3");
  TCefZipReader* zip = Api.cef_zip_reader_create(StreamOver(badName));
  ASSERT_NE(zip, nullptr);
  EXPECT_FALSE(zip->move_to_file(zip, Arg("DATA.BIN"), 0));
  EXPECT_TRUE(zip->move_to_file(zip, Arg("DOCS/README.TXT"), 0));
  Drop(zip);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  Root = MakeTemporaryFolder("runtime-data-XXXXXX");
  if (!LoadRuntime()) return 1;
  const int result = RUN_ALL_TESTS();
  RemoveFolder(Root);
  return result;
}
