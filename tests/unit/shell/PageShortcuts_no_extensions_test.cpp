// The window on a runtime without the find and print extensions.
#include "PageShortcutsFixture.h"

namespace {

TEST_F(PageShortcutsTest, WithoutTheExtensionsFindAndPrintKeysStayThePagesAndZoomWorks) {
  ASSERT_FALSE(FakeRuntime::ExtensionsExported());
  EXPECT_FALSE(Press(Key(Ctrl, 'F', u'f')));
  EXPECT_FALSE(MainForm->FindBar->Visible()) << "a bar that cannot find anything";
  EXPECT_FALSE(Press(Key(Ctrl, 'P', u'p')));
  EXPECT_THAT(FakeRuntime::Calls(), testing::IsEmpty());

  EXPECT_TRUE(Press(Key(Ctrl, 0, u'=')));
  EXPECT_EQ(ZoomPercent(), 110);
}

}  // namespace
