#include "DownloadBar.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "FakeRuntimeObject.h"
#include "Forms.h"
#include "GtkTestSupport.h"
#include "TemporaryConfigHome.h"

namespace fs = std::filesystem;

namespace {

TEST(DownloadListTest, TheLatestDownloadIsShownWithItsProgress) {
  TDownloadList list;
  EXPECT_EQ(list.Shown(), nullptr);
  EXPECT_EQ(list.Message(), "");
  list.Start(7, "/d/invoice-42.pdf");
  EXPECT_EQ(list.Message(), "Downloading invoice-42.pdf: 0 bytes.");
  EXPECT_EQ(list.Progress(), std::nullopt) << "size not known yet";
  EXPECT_TRUE(list.Update(7, 500, 2000, dsRunning, ""));
  EXPECT_EQ(list.Message(), "Downloading invoice-42.pdf: 500 bytes of 2.0\u00a0kB.");
  EXPECT_EQ(list.Progress(), 0.25);
  EXPECT_FALSE(list.ShownHasEnded());
  EXPECT_EQ(list.ReservedPaths(), std::set<std::string>{"/d/invoice-42.pdf"});

  EXPECT_TRUE(list.Update(7, 2000, 2000, dsComplete, "/d/invoice-42 (1).pdf"));
  EXPECT_EQ(list.Message(), "invoice-42 (1).pdf is downloaded.");
  EXPECT_EQ(list.Shown()->Path, "/d/invoice-42 (1).pdf") << "where the file finally is";
  EXPECT_TRUE(list.ShownHasEnded());
  EXPECT_EQ(list.Progress(), std::nullopt);
  EXPECT_TRUE(list.ReservedPaths().empty());
  EXPECT_FALSE(list.Update(7, 2000, 2000, dsFailed, "")) << "already ended";
  EXPECT_FALSE(list.Update(99, 1, 1, dsRunning, "")) << "unknown";

  list.EndsSeen();
  EXPECT_EQ(list.Shown(), nullptr);
}

TEST(DownloadListTest, NoEndGoesUnnoticedBehindALaterDownload) {
  TDownloadList list;
  list.Start(1, "/d/a.pdf");
  list.Start(2, "/d/b.pdf");
  list.Start(3, "/d/c.pdf");
  EXPECT_EQ(list.Message(), "Downloading c.pdf: 0 bytes. 2 more downloads are running.");
  EXPECT_EQ(list.ReservedPaths(), (std::set<std::string>{"/d/a.pdf", "/d/b.pdf", "/d/c.pdf"}));

  list.Update(1, 10, 20, dsFailed, "");
  EXPECT_EQ(list.Message(), "The download of a.pdf failed. 2 more downloads are running.");
  list.Update(2, 20, 20, dsComplete, "");
  EXPECT_EQ(list.Message(),
            "b.pdf is downloaded. The download of a.pdf failed. 1 more download is running.");
  EXPECT_EQ(list.Shown()->Id, 2u);

  list.EndsSeen();
  EXPECT_EQ(list.Shown()->Id, 3u);
  EXPECT_EQ(list.Message(), "Downloading c.pdf: 0 bytes.");
}

TEST(DownloadListTest, ARefusedDownloadNamesTheFolderThatCannotBeUsed) {
  TDownloadList list;
  list.Refuse(4, "invoice-42.pdf", "/home/ann/Downloads");
  EXPECT_TRUE(list.ShownHasEnded());
  EXPECT_EQ(list.Message(),
            "invoice-42.pdf was not downloaded: the download folder /home/ann/Downloads cannot "
            "be used.");
  EXPECT_TRUE(list.ReservedPaths().empty());
}

// A download item as the runtime hands it over, with the state a test gives it.
class TFakeDownloadItem final : public TFake<ICefDownloadItem> {
 public:
  explicit TFakeDownloadItem(uint32_t id) : Id(id) {}

  bool is_valid() override { return true; }
  bool is_in_progress() override { return !Complete && !Canceled; }
  bool is_complete() override { return Complete; }
  bool is_canceled() override { return Canceled; }
  int64_t get_current_speed() override { return 0; }
  int32_t get_percent_complete() override { return 0; }
  int64_t get_total_bytes() override { return Total; }
  int64_t get_received_bytes() override { return Received; }
  TDateTime get_start_time() override { return 0; }
  TDateTime get_end_time() override { return 0; }
  ustring get_full_path() override { return FullPath; }
  uint32_t get_id() override { return Id; }
  ustring get_url() override { return {}; }
  ustring get_suggested_file_name() override { return {}; }
  ustring get_content_disposition() override { return {}; }
  ustring get_mime_type() override { return {}; }
  ustring get_referrer_charset() override { return {}; }

  uint32_t Id;
  int64_t Received = 0, Total = 0;
  bool Complete = false, Canceled = false;
  ustring FullPath;
};

class TFakeBeforeDownloadCallback final : public TFake<ICefBeforeDownloadCallback> {
 public:
  void cont(const ustring& downloadPath, bool showDialog) override {
    Paths.push_back(Utf16ToUtf8(downloadPath));
    EXPECT_FALSE(showDialog);
  }

  std::vector<std::string> Paths;
};

class TBarForm : public TForm {
 public:
  using TForm::TForm;
  TDownloadBar* Bar = nullptr;

 protected:
  TFormDescription Description() const override {
    return TFormDescriptionOf<TBarForm>()
        .Properties([](TBarForm& form) { form.SetClientSize(500, 300); })
        .Component("Bar", &TBarForm::Bar, [](TBarForm&, TDownloadBar& bar) {
          bar.SetAlign(alBottom);
          bar.SetVisible(false);
        });
  }
};

class DownloadBarTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    Application->CreateForm(Form);
    Form->Show();
    Bar().SetFolder(Folder());
  }

  TDownloadBar& Bar() { return *Form->Bar; }
  std::string Folder() const { return (FHome.Folder() / "Downloads").string(); }
  std::string PathOf(const std::string& name) const { return (fs::path(Folder()) / name).string(); }

  // The download starts as the runtime starts it; answers the paths the bar continued with.
  std::vector<std::string> Begin(TFakeDownloadItem* item, const ustring& suggestedName) {
    TRef<TFakeDownloadItem> held(item);
    TRef<TFakeBeforeDownloadCallback> callback(new TFakeBeforeDownloadCallback);
    Bar().ChromiumBeforeDownload(nullptr, nullptr, held, suggestedName, callback);
    return callback->Paths;
  }
  void Report(TFakeDownloadItem* item) {
    Bar().ChromiumDownloadUpdated(nullptr, nullptr, TRef<ICefDownloadItem>(item), nullptr);
  }
  std::vector<std::string> Buttons() {
    std::vector<std::string> captions;
    for (int i = 0; i < Bar().ButtonCount(); ++i) captions.push_back(Bar().ButtonCaption(i));
    return captions;
  }

  TTemporaryConfigHome FHome;
  TBarForm* Form = nullptr;
};

}  // namespace

TEST_F(DownloadBarTest, DownloadsOfOneNameGetFreeNamesInTheFolderWhileTheyRun) {
  fs::create_directories(Folder());
  std::ofstream(PathOf("invoice-42.pdf")) << "older";
  TRef<TFakeDownloadItem> first(new TFakeDownloadItem(1));
  TRef<TFakeDownloadItem> second(new TFakeDownloadItem(2));

  EXPECT_EQ(Begin(first.get(), u"invoice-42.pdf"),
            std::vector<std::string>{PathOf("invoice-42 (1).pdf")});
  // Nothing is on the disk under the first one's name yet: it is still taken.
  EXPECT_EQ(Begin(second.get(), u"../invoice-42.pdf"),
            std::vector<std::string>{PathOf("_invoice-42.pdf")});
  TRef<TFakeDownloadItem> third(new TFakeDownloadItem(3));
  EXPECT_EQ(Begin(third.get(), u"invoice-42.pdf"),
            std::vector<std::string>{PathOf("invoice-42 (2).pdf")});
  EXPECT_TRUE(Bar().Visible());
  EXPECT_EQ(Bar().Message(),
            "Downloading invoice-42 (2).pdf: 0 bytes. 2 more downloads are running.");
}

TEST_F(DownloadBarTest, TheBarFollowsADownloadToItsEndAndOffersTheFile) {
  TRef<TFakeDownloadItem> item(new TFakeDownloadItem(5));
  ASSERT_EQ(Begin(item.get(), u"invoice-42.pdf").size(), 1u);
  EXPECT_TRUE(fs::is_directory(Folder())) << "created when missing";
  ASSERT_TRUE(Bar().Visible());
  EXPECT_EQ(Buttons(), std::vector<std::string>{});

  item->Received = 300;
  item->Total = 1200;
  Report(item.get());
  EXPECT_EQ(Bar().Progress(), 0.25);

  item->Received = 1200;
  item->Complete = true;
  item->FullPath = Utf8ToUtf16(PathOf("invoice-42.pdf"));
  Report(item.get());
  EXPECT_EQ(Bar().Message(), "invoice-42.pdf is downloaded.");
  EXPECT_EQ(Bar().Progress(), std::nullopt);
  EXPECT_EQ(Buttons(), (std::vector<std::string>{"Open", "Show in folder"}));
}

TEST_F(DownloadBarTest, ACompleteDownloadShortOfItsSizeIsAFailureAndTheBarHidesLater) {
  Bar().SetEndShownFor(50);
  TRef<TFakeDownloadItem> item(new TFakeDownloadItem(6));
  Begin(item.get(), u"broken.pdf");
  item->Received = 100;
  item->Total = 200;
  item->Complete = true;  // what a runtime says when the server broke off
  Report(item.get());
  EXPECT_EQ(Bar().Message(), "The download of broken.pdf failed.");
  EXPECT_EQ(Buttons(), std::vector<std::string>{});
  EXPECT_TRUE(Bar().Visible());
  EXPECT_TRUE(RunLoopUntil([&] { return !Bar().Visible(); }));
}

TEST_F(DownloadBarTest, ProgressAfterTheUserClosedTheBarKeepsItClosedUntilTheEnd) {
  TRef<TFakeDownloadItem> item(new TFakeDownloadItem(8));
  Begin(item.get(), u"big.iso");
  Bar().CloseBar();
  item->Received = 10;
  Report(item.get());
  EXPECT_FALSE(Bar().Visible());
  item->Canceled = true;
  Report(item.get());
  EXPECT_TRUE(Bar().Visible());
  EXPECT_EQ(Bar().Message(), "The download of big.iso failed.");
}

TEST_F(DownloadBarTest, AFolderThatCannotTakeFilesLeavesTheDownloadUnstartedAndSaysSo) {
  fs::create_directories(FHome.Folder());
  std::ofstream(Folder()) << "a file where the folder should be";
  TRef<TFakeDownloadItem> item(new TFakeDownloadItem(9));
  EXPECT_EQ(Begin(item.get(), u"invoice-42.pdf"), std::vector<std::string>{});
  EXPECT_TRUE(Bar().Visible());
  EXPECT_EQ(Bar().Message(), "invoice-42.pdf was not downloaded: the download folder " + Folder() +
                                 " cannot be used.");
  Report(item.get());  // the runtime's cancel of the unanswered download
  EXPECT_EQ(Bar().Message(), "invoice-42.pdf was not downloaded: the download folder " + Folder() +
                                 " cannot be used.");
}
