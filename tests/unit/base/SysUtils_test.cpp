#include "SysUtils.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>

TEST(SysUtilsTest, FormatHandlesLongAndEmptyOutput) {
  EXPECT_EQ(Format("%s-%d", "x", 42), "x-42");
  EXPECT_EQ(Format("%s", ""), "");
  const std::string longText(5000, 'q');
  EXPECT_EQ(Format("<%s>", longText.c_str()), "<" + longText + ">");
}

TEST(SysUtilsTest, OSErrorMessageForms) {
  const EOSError error = MakeOSError(126, "The specified module could not be found.");
  EXPECT_EQ(error.Message(),
            "System Error.  Code: 126.\r\nThe specified module could not be found.");
  EXPECT_EQ(error.ErrorCode(), 126);
  EXPECT_STREQ(error.ClassName(), "EOSError");
  EXPECT_EQ(MakeOSError(0, "ignored").Message(), "A call to an OS function failed");
  EXPECT_EQ(MakeOSErrorFromErrno(ENOENT).Message(),
            "System Error.  Code: 2.\r\nNo such file or directory");
}

TEST(SysUtilsTest, ClassNamesFollowTheDynamicType) {
  try {
    throw EConvertError("bad number");
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "EConvertError");
    EXPECT_STREQ(e.what(), "bad number");
    EXPECT_STREQ(ExceptionClassName(e), "EConvertError");
  }
  EXPECT_STREQ(ExceptionClassName(EAbort("")), "EAbort");
  EXPECT_NE(std::string(ExceptionClassName(std::runtime_error("x"))), "");
}
