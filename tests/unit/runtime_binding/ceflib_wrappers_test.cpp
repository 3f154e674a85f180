#include "binding_test_fixture.h"
#include "runtime_object_recorder.h"

using namespace Recorder;
using ::testing::ElementsAre;

namespace {

using WrappersTest = LoadedBindingTest;

TEST_F(WrappersTest, RequestOperationsFollowTheInterfaceOrderNotTheEntryOrder) {
  using R = TCefRequest;
  const TRef<ICefRequest> request = TCefRequestRef::UnWrap(
      Install<&R::is_read_only, &R::get_url, &R::set_url, &R::get_method, &R::set_method,
              &R::get_post_data, &R::set_post_data, &R::get_header_map, &R::set_header_map, &R::set,
              &R::get_flags, &R::set_flags, &R::get_first_party_for_cookies,
              &R::set_first_party_for_cookies>(FakeRuntime::NewObjectOf<R>("request")));
  const TRef<ICefPostData> body =
      TCefPostDataRef::UnWrap(FakeRuntime::NewObjectOf<TCefPostData>("post_data"));
  const TRef<ICefStringMultimap> headers(new TCefStringMultimapOwn());
  using I = ICefRequest;
  CheckOperations<I>(
      *request,
      {
          {"is_read_only", 16, [](I& r) { return Show(r.is_read_only()); }, "", "true"},
          {"get_url", 20, [](I& r) { return Show(r.get_url()); }, "", "\"answer\""},
          {"get_method", 28, [](I& r) { return Show(r.get_method()); }, "", "\"answer\""},
          {"get_post_data", 36, [](I& r) { return Show(r.get_post_data()); }, "", "object"},
          {"get_header_map", 44, [&](I& r) { return r.get_header_map(headers), ""; }, "ptr", ""},
          {"set_url", 24, [](I& r) { return r.set_url(u"http://a/"), ""; }, "\"http://a/\"", ""},
          {"set_method", 32, [](I& r) { return r.set_method(u"POST"), ""; }, "\"POST\"", ""},
          {"set_post_data", 40, [&](I& r) { return r.set_post_data(body), ""; }, "post_data", ""},
          {"set_header_map", 48, [&](I& r) { return r.set_header_map(headers), ""; }, "ptr", ""},
          {"get_flags", 56, [](I& r) { return Show(r.get_flags()); }, "", "7"},
          {"set_flags", 60, [](I& r) { return r.set_flags(2), ""; }, "2", ""},
          {"get_first_party_for_cookies", 64,
           [](I& r) { return Show(r.get_first_party_for_cookies()); }, "", "\"answer\""},
          {"set_first_party_for_cookies", 68,
           [](I& r) { return r.set_first_party_for_cookies(u"http://b/"), ""; }, "\"http://b/\"",
           ""},
          {"set", 52, [&](I& r) { return r.set(u"http://c/", u"GET", body, nullptr), ""; },
           "\"http://c/\", \"GET\", post_data, null", ""},
      });
  Log().clear();
  request->get_header_map(nullptr);  // nothing to fill: no call
  EXPECT_TRUE(Log().empty());
}

TEST_F(WrappersTest, HeaderMapKeepsItsPairsInOrderAndIsFreed) {
  TRef<ICefStringMultimap> headers(new TCefStringMultimapOwn());
  EXPECT_TRUE(headers->Append(u"Accept", u"text/html"));
  EXPECT_TRUE(headers->Append(u"Accept", u"*/*"));
  EXPECT_EQ(headers->GetSize(), 2);
  EXPECT_EQ(headers->GetKey(1), u"Accept");
  EXPECT_EQ(headers->GetValue(1), u"*/*");
  EXPECT_EQ(headers->GetValue(5), u"");
}

TEST_F(WrappersTest, PostDataElementsStayInsideTheArrayWhateverCountComesBack) {
  TCefPostData* data = FakeRuntime::NewObjectOf<TCefPostData>("post_data");
  data->get_elements = [](TCefPostData*, size_t* count, TCefPostDataElement** elements) {
    for (size_t i = 0; i < *count; ++i) {
      EXPECT_EQ(elements[i], nullptr);
      elements[i] = FakeRuntime::NewObjectOf<TCefPostDataElement>("element");
    }
    *count = 1000;  // more than the capacity it was given
  };
  const TRef<ICefPostData> body = TCefPostDataRef::UnWrap(data);
  EXPECT_EQ(body->get_elements(3).size(), 3u);
  EXPECT_TRUE(body->get_elements(0).empty());

  data->get_elements = [](TCefPostData*, size_t* count, TCefPostDataElement** elements) {
    elements[0] = FakeRuntime::NewObjectOf<TCefPostDataElement>("element");
    *count = 1;
  };
  EXPECT_EQ(body->get_elements(4).size(), 1u);
}

TEST_F(WrappersTest, ListsAppendToWhatTheCallerHolds) {
  using D = TCefDictionaryValue;
  const TRef<ICefDictionaryValue> dictionary = TCefDictionaryValueRef::UnWrap(
      Install<&D::get_keys, &D::get_int, &D::set_string>(FakeRuntime::NewObjectOf<D>("dict")));
  std::vector<ustring> keys{u"mine"};
  EXPECT_TRUE(dictionary->get_keys(keys));
  EXPECT_THAT(keys, ElementsAre(u"mine", u"added"));
  EXPECT_EQ(dictionary->get_int(u"n"), 7);
  EXPECT_TRUE(dictionary->set_string(u"k", u"v"));
  EXPECT_EQ(Log().back().Args, "\"k\", \"v\"");

  using L = TCefListValue;
  const TRef<ICefListValue> list = TCefListValueRef::UnWrap(
      Install<&L::get_int, &L::set_size>(FakeRuntime::NewObjectOf<L>("list")));
  Log().clear();
  EXPECT_EQ(list->get_int(4), 7);
  EXPECT_TRUE(list->set_size(9));
  ASSERT_EQ(Log().size(), 2u);
  EXPECT_EQ(Log()[0].Slot, SlotAt(56));
  EXPECT_EQ(Log()[1].Slot, SlotAt(32));
}

TEST_F(WrappersTest, MenuAcceleratorComesBackAsBooleans) {
  TCefMenuModel* data = FakeRuntime::NewObjectOf<TCefMenuModel>("menu");
  data->get_accelerator_at = [](TCefMenuModel*, int32_t index, int32_t* keyCode, TCefBool* shift,
                                TCefBool* ctrl, TCefBool* alt) -> TCefBool {
    *keyCode = 'S' + index;
    *shift = 0;
    *ctrl = 9;
    *alt = 0;
    return 1;
  };
  const TRef<ICefMenuModel> menu = TCefMenuModelRef::UnWrap(data);
  int32_t key = 0;
  bool shift = true, ctrl = false, alt = true;
  EXPECT_TRUE(menu->get_accelerator_at(1, key, shift, ctrl, alt));
  EXPECT_EQ(key, 'T');
  EXPECT_FALSE(shift);
  EXPECT_TRUE(ctrl);
  EXPECT_FALSE(alt);
}

TEST_F(WrappersTest, ProcedureListenerRunsTheDefaultThenTheProcedure) {
  static TCefDomEventListener* held;
  held = nullptr;
  TCefDomNode* data = FakeRuntime::NewObjectOf<TCefDomNode>("node");
  data->add_event_listener = [](TCefDomNode*, TCefConstString*, TCefDomEventListener* listener,
                                TCefBool) { held = listener; };
  const TRef<ICefDomNode> node = TCefDomNodeRef::UnWrap(data);
  int events = 0;
  node->add_event_listener(
      u"click", [&](const TRef<ICefDomEvent>& event) { events += event != nullptr; }, false);
  ASSERT_NE(held, nullptr);
  FakeRuntime::Fire(held, &TCefDomEventListener::handle_event,
                    FakeRuntime::NewObjectOf<TCefDomEvent>("event"));
  EXPECT_EQ(events, 1);
  held->base.release(&held->base);
}

TEST_F(WrappersTest, DomVisitorHandsTheDocumentOnAndReleasesIt) {
  TCefDomDocument* document = FakeRuntime::NewObjectOf<TCefDomDocument>("document");
  ustring title;
  TRef<TCefFastDomVisitor> visitor(new TCefFastDomVisitor(
      [&](const TRef<ICefDomDocument>& d) { title = d ? u"seen" : u"none"; }));
  auto* exposed = static_cast<TCefDomVisitor*>(visitor->Wrap());
  FakeRuntime::Fire(exposed, &TCefDomVisitor::visit, document);
  EXPECT_EQ(title, u"seen");
  EXPECT_EQ(FakeRuntime::RefCountOf(document), 0);
  exposed->base.release(&exposed->base);
}

}  // namespace
