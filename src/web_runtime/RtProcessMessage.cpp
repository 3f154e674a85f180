// Process messages: a name and the list of arguments the message owns.

#include "RtGuard.h"
#include "RtObject.h"
#include "RtStrings.h"
#include "RtValues.h"

namespace {

class TRtProcessMessage final : public TRtCounted {
 public:
  static TCefProcessMessage* New(std::u16string name, std::shared_ptr<TRtListData> arguments) {
    return &(new TRtProcessMessage(std::move(name), std::move(arguments)))->FFace.Struct;
  }

 private:
  TRtProcessMessage(std::u16string name, std::shared_ptr<TRtListData> arguments)
      : FName(std::move(name)), FArguments(std::move(arguments)) {
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
  // Only a message received from another process is read-only, and none arrive here.
  static TCefBool CEF_CALLBACK is_read_only(TCefProcessMessage*) { return 0; }
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
};

}  // namespace

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
