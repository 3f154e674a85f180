#include "JvAppStorageText.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "JvAppStorageSync.h"
#include "ScopedEnvironment.h"
#include "SysUtils.h"
#include "TemporaryFolder.h"

namespace {

TEST(AppStorageText, FloatTextHasFifteenSignificantDigits) {
  const std::pair<Extended, const char*> cases[] = {
      {0, "0"},
      {1.5L, "1.5"},
      {-2.5L, "-2.5"},
      {100, "100"},
      {1.0L / 3, "0.333333333333333"},
      {2.0L / 3, "0.666666666666667"},
      {0.00001L, "0.00001"},
      {0.000001L, "1E-6"},
      {-0.0000015L, "-1.5E-6"},
      {123456789012345.0L, "123456789012345"},
      {1234567890123456.0L, "1.23456789012346E15"},
      {1e300L, "1E300"},
      {std::numeric_limits<Extended>::infinity(), "INF"},
      {-std::numeric_limits<Extended>::infinity(), "-INF"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(ExtendedToText(value), text);
  EXPECT_EQ(ExtendedToText(std::numeric_limits<Extended>::quiet_NaN()), "NAN");
}

TEST(AppStorageText, FloatTextParsesBackAndRejectsJunk) {
  for (Extended value : {1.5L, -2.5L, 1e-6L, 1e300L, 123456789012345.0L})
    EXPECT_EQ(TextToExtended(ExtendedToText(value)), value);
  EXPECT_EQ(TextToExtended(" 42 "), 42);
  EXPECT_EQ(TextToExtended("+1e3"), 1000);
  EXPECT_TRUE(std::isinf(*TextToExtended("-INF")));
  EXPECT_TRUE(std::isnan(*TextToExtended("NAN")));
  for (const char* junk : {"", " ", "abc", "1.5x", "1,5", "--1", "1e99999"})
    EXPECT_EQ(TextToExtended(junk), std::nullopt) << junk;
}

TEST(AppStorageText, Base64StandardAndMimeForms) {
  const std::pair<const char*, const char*> vectors[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [bytes, text] : vectors) {
    EXPECT_EQ(Base64Encode(bytes), text);
    EXPECT_EQ(Base64Decode(text), bytes);
  }
  EXPECT_EQ(Base64Encode("\xFB\xFF"), "+/8=");

  const std::string bytes(120, '\x7f');
  const std::string mime = Base64Encode(bytes, MimeLineLength);
  EXPECT_EQ(mime.size(), 160u + 2 * 2);  // three lines, two breaks
  EXPECT_EQ(mime.substr(76, 2), "\r\n");
  EXPECT_NE(mime.substr(mime.size() - 2), "\r\n");
  EXPECT_EQ(Base64Decode(mime), bytes);

  for (const char* bad : {"Zg=", "Zg", "Z===", "Zg==Zg==", "Zm9v!", "Zg=a", "===="})
    EXPECT_THROW(Base64Decode(bad), EConvertError) << bad;
}

TEST(AppStorageText, CommaListsSplitAtCommasAndBlanksAndKeepQuotedGroups) {
  EXPECT_EQ(SplitCommaText("TRUE, YES, Y"), (std::vector<std::string>{"TRUE", "YES", "Y"}));
  EXPECT_EQ(SplitCommaText("a b,,c"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitCommaText("\"one, two\", \"say \"\"hi\"\"\""),
            (std::vector<std::string>{"one, two", "say \"hi\""}));
  EXPECT_EQ(SplitCommaText("\"unterminated"), (std::vector<std::string>{"unterminated"}));
  EXPECT_TRUE(SplitCommaText(" , ").empty());
}

bool IsLockedElsewhere(const std::string& lockFile) {
  const int handle = open(lockFile.c_str(), O_RDWR | O_CLOEXEC);
  if (handle < 0) return false;
  const bool locked = flock(handle, LOCK_EX | LOCK_NB) != 0;
  close(handle);
  return locked;
}

TEST(AppStorageSync, LockFileIsHeldExactlyWhileTheLockLives) {
  const TTemporaryFolder runtimeFolder("corvane-sync");
  const std::string folder = runtimeFolder.Path().string();
  const TScopedEnvironment runtimeDir("XDG_RUNTIME_DIR", folder);

  // The Base64 text of this name contains "/", which a file name cannot hold.
  const std::string fileName = "/home/user/.config/Corvane/config?.xml";
  const std::string syncName = "TJvCustomAppStorage.Synchronize:" + fileName;
  ASSERT_NE(Base64Encode(syncName).find('/'), std::string::npos);
  const std::string lockFile = TJvAppStorageSyncLock::LockFileName(fileName);
  const std::string prefix = std::string(folder) + "/";
  ASSERT_TRUE(lockFile.starts_with(prefix) && lockFile.ends_with(".lock"));
  std::string encoded = lockFile.substr(prefix.size(), lockFile.size() - prefix.size() - 5);
  EXPECT_EQ(encoded.find('/'), std::string::npos);
  std::replace(encoded.begin(), encoded.end(), '_', '/');
  EXPECT_EQ(Base64Decode(encoded), syncName);
  {
    TJvAppStorageSyncLock lock(fileName);
    EXPECT_TRUE(IsLockedElsewhere(lockFile));
  }
  EXPECT_FALSE(IsLockedElsewhere(lockFile));

  // A name too long for one file-system entry still gets a usable, distinct lock file.
  const std::string longName = "/" + std::string(400, 'x');
  const std::string longLock = TJvAppStorageSyncLock::LockFileName(longName);
  EXPECT_LE(longLock.size() - std::string(folder).size() - 1, 255u);
  EXPECT_NE(longLock, TJvAppStorageSyncLock::LockFileName(longName + "y"));
  { TJvAppStorageSyncLock lock(longName); }

  const TScopedEnvironment noRuntimeDir("XDG_RUNTIME_DIR", "/nonexistent-corvane-folder");
  try {
    TJvAppStorageSyncLock lock(fileName);
    FAIL() << "a lock without a lock file was granted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TJvCustomAppStorage.Synchronize:" + fileName + ": Mutex Timeout");
  }
}

}  // namespace
