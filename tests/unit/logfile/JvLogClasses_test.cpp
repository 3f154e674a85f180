#include "JvLogClasses.h"

#include <gtest/gtest.h>

#include "StandardErrors.h"

namespace {

bool SameRecord(const TJvLogRecord& a, const TJvLogRecord& b) {
  return a.Time == b.Time && a.Title == b.Title && a.Description == b.Description &&
         a.Severity == b.Severity;
}

std::string Describe(const TJvLogRecord& r) {
  return "{" + r.Time + "|" + r.Title + "|" + r.Description + "|" + SeverityName(r.Severity) + "}";
}

}  // namespace

TEST(JvLogClassesTest, WritesTheLineFormat) {
  EXPECT_EQ(GetOutputString({"2024-01-02 03:04:05", "a>b", "x>y", lesWarning}),
            "[2024-01-02 03:04:05]Warning>a>>b>x>y\r\n");
  EXPECT_EQ(GetOutputString({"t", "", "", lesError}), "[t]Error>>\r\n");
  EXPECT_EQ(GetOutputString({"t", ">>", "d", lesInformation}), "[t]Information>>>>>>d\r\n");
}

TEST(JvLogClassesTest, ReadsBackWhatItWrites) {
  const TJvLogRecord records[] = {
      {"2024-01-02 03:04:05", "plain", "text", lesError},
      {"t", "a>b", "c>d>>e", lesWarning},
      {"t", ">", "", lesInformation},
      {"t", "ends>", "x", lesError},
      {"t", ">>>", "d", lesWarning},
      {"t", "", "", lesError},
      {"", "caf\xC3\xA9 \xF0\x9F\x98\x80", "[x]y", lesInformation},
  };
  for (const TJvLogRecord& record : records) {
    std::string line = GetOutputString(record);
    line.resize(line.size() - 2);
    const std::optional<TJvLogRecord> read = ParseLogLine(line);
    ASSERT_TRUE(read) << line;
    EXPECT_TRUE(SameRecord(*read, record)) << line << " read as " << Describe(*read);
  }
}

TEST(JvLogClassesTest, ParsesForeignAndDamagedLines) {
  struct Case {
    const char* line;
    std::optional<TJvLogRecord> expected;
  };
  const Case cases[] = {
      {"no brackets at all", std::nullopt},
      {"[opened only", std::nullopt},
      {"closed only]Error>T>D", std::nullopt},
      {"", std::nullopt},
      {"junk[t]Error>T>D", TJvLogRecord{"t", "T", "D", lesError}},
      {"[t]Fatal>T>D", TJvLogRecord{"t", "T", "D", lesInformation}},
      {"[t]error>T>D", TJvLogRecord{"t", "T", "D", lesInformation}},
      {"[t]Error", TJvLogRecord{"t", "Error", "", lesInformation}},
      {"[t]Warning>title only", TJvLogRecord{"t", "title only", "", lesWarning}},
      {"[a]b]Error>T>D", TJvLogRecord{"a", "T", "D", lesInformation}},
      {"[t]Error>a>>>b>c", TJvLogRecord{"t", "a>", "b>c", lesError}},
      {"[t]Error>a>>>>", TJvLogRecord{"t", "a>>", "", lesError}},
  };
  for (const Case& c : cases) {
    const std::optional<TJvLogRecord> read = ParseLogLine(c.line);
    ASSERT_EQ(read.has_value(), c.expected.has_value()) << c.line;
    if (read) {
      EXPECT_TRUE(SameRecord(*read, *c.expected)) << c.line << " -> " << Describe(*read);
    }
  }
}

TEST(JvLogClassesTest, ListKeepsOrderAndRejectsBadIndexes) {
  TJvLogRecordList list;
  for (const char* title : {"first", "second", "third"}) list.Add({"t", title, "", lesError});
  list.Delete(1);
  list.SetItem(1, {"t", "replaced", "", lesWarning});
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetItem(0).Title, "first");
  EXPECT_EQ(list.GetItem(1).Title, "replaced");

  try {
    list.GetItem(-1);
    ADD_FAILURE() << "index -1 accepted";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (-1)");
  }
  EXPECT_THROW(list.GetItem(2), EListError);
  EXPECT_THROW(list.Delete(2), EListError);
  EXPECT_THROW(list.SetItem(2, {}), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(list.Delete(0), EListError);
}
