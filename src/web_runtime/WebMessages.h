#pragma once

#include <cstddef>
#include <cstdint>

// Names and parameter types of the user messages between the runtime (UI process) and its
// web-process extension. Frame identifiers are WebKit's 64-bit frame ids.

namespace webmsg {

// Web process -> UI process.
// A frame got a new document: (frame id, is main, parent id or 0, url, name).
inline constexpr char kFrameDocument[] = "corvane.frame-document";
inline constexpr char kFrameDocumentType[] = "(tbtss)";
// A frame finished loading its document: (frame id, is main, parent id or 0, url, name,
// http status or 0 when the document does not know it).
inline constexpr char kFrameLoaded[] = "corvane.frame-loaded";
inline constexpr char kFrameLoadedType[] = "(tbtssi)";
// A frame's window went away: (frame id).
inline constexpr char kFrameGone[] = "corvane.frame-gone";
inline constexpr char kFrameGoneType[] = "(t)";
// A console message of the page: (text, source url, line).
inline constexpr char kConsole[] = "corvane.console";
inline constexpr char kConsoleType[] = "(ssu)";
// What the user typed into a frame's fields, sent a moment after the typing stops and empty
// when the frame's form is submitted: (frame id, frame url, [(field name or id, occurrence of
// that name, value)]).
inline constexpr char kFormFields[] = "corvane.form-fields";
inline constexpr char kFormFieldsType[] = "(tsa(sus))";
// Not a message: the user data the extension gives a context menu: (selected text).
inline constexpr char kMenuFactsType[] = "(ss)";
// A new page's end of its request channel, as the message's one file descriptor: (handle).
inline constexpr char kRequestChannel[] = "corvane.request-channel";
inline constexpr char kRequestChannelType[] = "(h)";

// UI process -> web process; frame id 0 means the page's main frame.
// Run script in a frame: (frame id, code, script url, start line). Reply: none.
inline constexpr char kExecute[] = "corvane.execute";
inline constexpr char kExecuteType[] = "(tssi)";
// Serialised markup or plain text of a frame: (frame id). Reply: (text) or no parameters
// when the frame is gone.
inline constexpr char kGetSource[] = "corvane.get-source";
inline constexpr char kGetText[] = "corvane.get-text";
inline constexpr char kFrameIdType[] = "(t)";
inline constexpr char kTextType[] = "(s)";
// Navigate a frame to a URL: (frame id, url). Reply: none.
inline constexpr char kLoadUrl[] = "corvane.load-url";
inline constexpr char kLoadUrlType[] = "(ts)";
// Replace a frame's document with markup: (frame id, markup). Reply: none.
inline constexpr char kLoadString[] = "corvane.load-string";
inline constexpr char kLoadStringType[] = "(ts)";
// Put typed text back into the still empty fields of a frame, if its address is still url:
// (frame id, url, fields as in kFormFields). Reply: none.
inline constexpr char kRestoreFields[] = "corvane.restore-fields";
inline constexpr char kRestoreFieldsType[] = "(tsa(sus))";

// Both ways: a process message of the program, (name, arguments), text as exact UTF-16 code
// units. Each argument is a variant of: () null, b, i, d, aq text, ay binary, a(aqv) dictionary,
// av list. The extension sends each one it receives back as its delivery receipt.
inline constexpr char kProcessMessage[] = "corvane.process-message";
inline constexpr char kProcessMessageType[] = "(aqav)";

// The request channel: a socket pair of sequenced packets, one GVariant of a fixed type each,
// that lets the web process wait for the client's say on each of its page's requests.
namespace hookwire {
// UI -> web, first packet: which requests the client wants to see (kAsk* bits).
inline constexpr char kModeType[] = "(u)";
inline constexpr uint32_t kAskBeforeLoad = 1;
inline constexpr uint32_t kAskRedirect = 2;
// Web -> UI: (serial, kind, url, method, headers, url before the redirect or "").
inline constexpr char kQueryType[] = "(uyssa(ss)s)";
inline constexpr uint8_t kBeforeLoad = 0;
inline constexpr uint8_t kRedirect = 1;
// UI -> web: (serial, cancel, url, headers).
inline constexpr char kAnswerType[] = "(ubsa(ss))";
// Longer packets are not sent: such a request goes on unasked.
inline constexpr size_t kMostPacketBytes = 128 * 1024;
// How long a page waits for the program's say on one request. A request left unanswered goes
// on as the page made it, so that a program busy for a while does not break the pages it shows;
// the page's later requests go on unasked until the program is heard from again.
inline constexpr int kAnswerWaitMilliseconds = 5000;
}  // namespace hookwire

}  // namespace webmsg
