// Process messages: a name and the list of arguments the message owns; those that travel to
// the web-process extension and back.

#include "RtProcessMessage.h"

#include <memory>
#include <string>
#include <variant>

#include "RtBrowser.h"
#include "RtGuard.h"
#include "RtObject.h"
#include "RtRuntime.h"
#include "RtStrings.h"
#include "RtValues.h"
#include "WebMessages.h"

namespace {

// ---- Values as GVariants -------------------------------------------------------------------
// Text travels as UTF-16 code units, so unpaired surrogates arrive as they left.

GVariant* ValueVariant(const TRtValue& value);

GVariant* TextVariant(const std::u16string& text) {
  return g_variant_new_fixed_array(G_VARIANT_TYPE_UINT16, text.data(), text.size(),
                                   sizeof(char16_t));
}

GVariant* ListVariant(const TRtListData& list) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("av"));
  for (const TRtValue& item : list.Items) g_variant_builder_add(&builder, "v", ValueVariant(item));
  return g_variant_builder_end(&builder);
}

GVariant* DictionaryVariant(const TRtDictionaryData& dictionary) {
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("a(aqv)"));
  for (const auto& [key, item] : dictionary.Items)
    g_variant_builder_add(&builder, "(@aqv)", TextVariant(key), ValueVariant(item));
  return g_variant_builder_end(&builder);
}

struct TVariantOf {
  GVariant* operator()(std::monostate) const { return g_variant_new_tuple(nullptr, 0); }
  GVariant* operator()(bool flag) const { return g_variant_new_boolean(flag); }
  GVariant* operator()(int32_t number) const { return g_variant_new_int32(number); }
  GVariant* operator()(double number) const { return g_variant_new_double(number); }
  GVariant* operator()(const std::u16string& text) const { return TextVariant(text); }
  GVariant* operator()(const std::shared_ptr<const TRtBytes>& bytes) const {
    return g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes->data(), bytes->size(), 1);
  }
  GVariant* operator()(const std::shared_ptr<TRtDictionaryData>& dictionary) const {
    return DictionaryVariant(*dictionary);
  }
  GVariant* operator()(const std::shared_ptr<TRtListData>& list) const {
    return ListVariant(*list);
  }
};

GVariant* ValueVariant(const TRtValue& value) {
  return std::visit(TVariantOf{}, value);
}

TRtValue ValueOf(GVariant* variant);

std::u16string TextOf(GVariant* variant) {
  gsize count = 0;
  const auto* units =
      static_cast<const char16_t*>(g_variant_get_fixed_array(variant, &count, sizeof(char16_t)));
  return std::u16string(units, count);
}

std::shared_ptr<TRtListData> ListOf(GVariant* variant) {
  auto list = std::make_shared<TRtListData>();
  GVariantIter iter;
  g_variant_iter_init(&iter, variant);
  while (GVariant* boxed = g_variant_iter_next_value(&iter)) {
    g_autoptr(GVariant) owned = boxed;
    g_autoptr(GVariant) item = g_variant_get_variant(owned);
    list->Items.push_back(ValueOf(item));
  }
  return list;
}

std::shared_ptr<TRtDictionaryData> DictionaryOf(GVariant* variant) {
  auto dictionary = std::make_shared<TRtDictionaryData>();
  GVariantIter iter;
  g_variant_iter_init(&iter, variant);
  while (GVariant* entry = g_variant_iter_next_value(&iter)) {
    g_autoptr(GVariant) owned = entry;
    g_autoptr(GVariant) key = g_variant_get_child_value(owned, 0);
    g_autoptr(GVariant) boxed = g_variant_get_child_value(owned, 1);
    g_autoptr(GVariant) item = g_variant_get_variant(boxed);
    dictionary->Items.insert_or_assign(TextOf(key), ValueOf(item));
  }
  return dictionary;
}

// Anything of another type than the extension sends arrives as null.
TRtValue ValueOf(GVariant* variant) {
  if (g_variant_is_of_type(variant, G_VARIANT_TYPE_BOOLEAN))
    return bool(g_variant_get_boolean(variant));
  if (g_variant_is_of_type(variant, G_VARIANT_TYPE_INT32)) return g_variant_get_int32(variant);
  if (g_variant_is_of_type(variant, G_VARIANT_TYPE_DOUBLE)) return g_variant_get_double(variant);
  if (g_variant_is_of_type(variant, G_VARIANT_TYPE("aq"))) return TextOf(variant);
  if (g_variant_is_of_type(variant, G_VARIANT_TYPE_BYTESTRING)) {
    gsize size = 0;
    const auto* bytes = static_cast<const uint8_t*>(g_variant_get_fixed_array(variant, &size, 1));
    return std::make_shared<const TRtBytes>(bytes, bytes + size);
  }
  if (g_variant_is_of_type(variant, G_VARIANT_TYPE("a(aqv)"))) return DictionaryOf(variant);
  if (g_variant_is_of_type(variant, G_VARIANT_TYPE("av"))) return ListOf(variant);
  return std::monostate{};
}

class TRtProcessMessage final : public TRtCounted {
 public:
  static TCefProcessMessage* New(std::u16string name, std::shared_ptr<TRtListData> arguments,
                                 bool received = false) {
    return &(new TRtProcessMessage(std::move(name), std::move(arguments), received))->FFace.Struct;
  }
  // Name and arguments of one of our messages; null for a client's own.
  static GVariant* ParametersOf(TCefProcessMessage* message) {
    if (!message || message->get_name != get_name) return nullptr;
    const TRtProcessMessage& own = Of(message);
    return g_variant_new("(@aq@av)", TextVariant(own.FName), ListVariant(*own.FArguments));
  }

 private:
  TRtProcessMessage(std::u16string name, std::shared_ptr<TRtListData> arguments, bool received)
      : FName(std::move(name)), FArguments(std::move(arguments)), FReceived(received) {
    InitFace(FFace, this);
    FFace.Struct.is_valid = is_valid;
    FFace.Struct.is_read_only = is_read_only;
    FFace.Struct.copy = copy;
    FFace.Struct.get_name = get_name;
    FFace.Struct.get_argument_list = get_argument_list;
  }
  static TRtProcessMessage& Of(TCefProcessMessage* self) {
    return OwnerOf<TRtProcessMessage>(self);
  }

  static TCefBool CEF_CALLBACK is_valid(TCefProcessMessage*) { return 1; }
  // A message received from another process is read-only; its copy is not.
  static TCefBool CEF_CALLBACK is_read_only(TCefProcessMessage* self) { return Of(self).FReceived; }
  static TCefProcessMessage* CEF_CALLBACK copy(TCefProcessMessage* self) {
    return Guarded(
        "cef_process_message.copy",
        [&] { return New(Of(self).FName, CopyOfList(*Of(self).FArguments)); },
        (TCefProcessMessage*)nullptr);
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_name(TCefProcessMessage* self) {
    return Guarded(
        "cef_process_message.get_name", [&] { return UserFreeCopy(Of(self).FName); },
        TCefStringUserFreeUtf16(nullptr));
  }
  // A live view: what the caller sets in it travels with the message.
  static TCefListValue* CEF_CALLBACK get_argument_list(TCefProcessMessage* self) {
    return Guarded(
        "cef_process_message.get_argument_list",
        [&] { return NewListValue(Of(self).FArguments, true); }, (TCefListValue*)nullptr);
  }

  TFace<TCefProcessMessage> FFace;
  const std::u16string FName;
  const std::shared_ptr<TRtListData> FArguments;
  const bool FReceived;
};

}  // namespace

GVariant* ProcessMessageParameters(TCefProcessMessage* message) {
  return TRtProcessMessage::ParametersOf(message);
}

// The client's answer (handled or not) changes nothing: the message has arrived either way.
void DeliverProcessMessage(WebKitWebView* view, GVariant* parameters) {
  TRuntime* runtime = TRuntime::Instance();
  TBrowser* browser = runtime ? runtime->BrowserOfView(view) : nullptr;
  TCefClient* client = browser ? browser->Client() : nullptr;
  if (!client || !client->on_process_message_received) return;
  g_autoptr(GVariant) name = g_variant_get_child_value(parameters, 0);
  g_autoptr(GVariant) arguments = g_variant_get_child_value(parameters, 1);
  TCefProcessMessage* message = TRtProcessMessage::New(TextOf(name), ListOf(arguments), true);
  client->on_process_message_received(client, browser->ShareBrowser(), PID_RENDERER, message);
}

extern "C" {

// A message needs a name to be told apart by its receiver.
TCefProcessMessage* cef_process_message_create(TCefConstString* name) {
  return Guarded(
      "cef_process_message_create",
      [&]() -> TCefProcessMessage* {
        std::u16string text = ToU16(name);
        if (text.empty()) return nullptr;
        return TRtProcessMessage::New(std::move(text), std::make_shared<TRtListData>());
      },
      (TCefProcessMessage*)nullptr);
}

}  // extern "C"
