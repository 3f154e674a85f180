/* C ABI between the program and the browser runtime library (libcef.so).
 *
 * Plain C, shared by the binding, the runtime and the test runtime. Every reference-counted
 * object starts with TCefBase; its own entries follow in declared order. Pointer-sized fields
 * (pointers, handles, TCefBase.size, TCefStringUtf16.length) follow the target; every other
 * field has a fixed width, so a 32-bit x86 build has the runtime's historic layout
 * (tests/abi proves it). */
#ifndef CORVANE_RUNTIME_BINDING_CEF_CAPI_H
#define CORVANE_RUNTIME_BINDING_CEF_CAPI_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Entries inside runtime structures are standard-call on 32-bit x86, the platform's C
 * convention elsewhere. Exported functions always use the C convention. */
#if defined(__i386__)
#define CEF_CALLBACK __attribute__((stdcall))
#else
#define CEF_CALLBACK
#endif
#define CEF_EXPORT __attribute__((visibility("default")))

/* ---- Platform handles ---------------------------------------------------------------- */

typedef struct _GtkWidget GtkWidget;
typedef union _GdkEvent GdkEvent;
typedef GtkWidget* cef_window_handle_t; /* INVALID_HANDLE_VALUE is (GtkWidget*)-1 */
typedef void* cef_menu_handle_t;
typedef GdkEvent* cef_event_handle_t;
typedef void* cef_instance_handle_t;

/* Booleans: 4 bytes in calls (non-zero is true), 1 byte inside records. */
typedef int32_t TCefBool;
typedef uint8_t TCefByteBool;

/* ---- Strings ------------------------------------------------------------------------- */

/* dtor frees str; null when the record only borrows its text. */
typedef struct TCefStringUtf16 {
  char16_t* str;
  size_t length; /* code units, no terminator required */
  void (*dtor)(char16_t* str);
} TCefStringUtf16;

typedef struct TCefStringWide {
  wchar_t* str;
  size_t length;
  void (*dtor)(wchar_t* str);
} TCefStringWide;

typedef struct TCefStringUtf8 {
  char* str;
  size_t length;
  void (*dtor)(char* str);
} TCefStringUtf8;

/* Allocated by the runtime as a whole; the receiver frees record and text with the matching
 * cef_string_userfree_*_free. Null stands for the empty string. */
typedef TCefStringUtf16* TCefStringUserFreeUtf16;
typedef TCefStringWide* TCefStringUserFreeWide;
typedef TCefStringUtf8* TCefStringUserFreeUtf8;

/* Opaque collections owned by the runtime; they keep their own copies of the text. */
typedef struct TCefStringListData* TCefStringList;
typedef struct TCefStringMapData* TCefStringMap;
typedef struct TCefStringMultimapData* TCefStringMultimap;

/* ---- Object header ------------------------------------------------------------------- */

typedef struct TCefBase {
  size_t size; /* byte size of the whole structure */
  int32_t(CEF_CALLBACK* add_ref)(struct TCefBase* self);
  int32_t(CEF_CALLBACK* release)(struct TCefBase* self);
  int32_t(CEF_CALLBACK* get_refct)(struct TCefBase* self);
} TCefBase;

/* ---- Enumerations (4 bytes each) ----------------------------------------------------- */

/* A caller may pass any int where an enumeration is asked for; C++ may hold a value outside
   an enumeration's named ones only when the enumeration names its underlying type. */
#ifdef __cplusplus
#define CEF_ENUM_BASE : int32_t
#else
#define CEF_ENUM_BASE
#endif

typedef enum TCefProcessId CEF_ENUM_BASE { PID_BROWSER, PID_RENDERER } TCefProcessId;

typedef enum TCefTerminationStatus CEF_ENUM_BASE {
  TS_ABNORMAL_TERMINATION,
  TS_PROCESS_WAS_KILLED,
  TS_PROCESS_CRASHED
} TCefTerminationStatus;

typedef enum TCefFocusSource CEF_ENUM_BASE {
  FOCUS_SOURCE_NAVIGATION,
  FOCUS_SOURCE_SYSTEM
} TCefFocusSource;

typedef enum TCefJsDialogType CEF_ENUM_BASE {
  JSDIALOGTYPE_ALERT,
  JSDIALOGTYPE_CONFIRM,
  JSDIALOGTYPE_PROMPT
} TCefJsDialogType;

typedef enum TCefKeyEventType CEF_ENUM_BASE {
  KEYEVENT_RAWKEYDOWN,
  KEYEVENT_KEYDOWN,
  KEYEVENT_KEYUP,
  KEYEVENT_CHAR
} TCefKeyEventType;

/* Bit i stands for the i-th flag; the program keeps the low 16 bits. */
typedef enum TCefEventFlag CEF_ENUM_BASE {
  EVENTFLAG_CAPS_LOCK_DOWN = 1 << 0,
  EVENTFLAG_SHIFT_DOWN = 1 << 1,
  EVENTFLAG_CONTROL_DOWN = 1 << 2,
  EVENTFLAG_ALT_DOWN = 1 << 3,
  EVENTFLAG_LEFT_MOUSE_BUTTON = 1 << 4,
  EVENTFLAG_MIDDLE_MOUSE_BUTTON = 1 << 5,
  EVENTFLAG_RIGHT_MOUSE_BUTTON = 1 << 6,
  EVENTFLAG_COMMAND_DOWN = 1 << 7,
  EVENTFLAG_EXTENDED = 1 << 8
} TCefEventFlag;
typedef uint32_t TCefEventFlags;

typedef enum TCefThreadId CEF_ENUM_BASE {
  TID_UI,
  TID_DB,
  TID_FILE,
  TID_FILE_USER_BLOCKING,
  TID_PROCESS_LAUNCHER,
  TID_CACHE,
  TID_IO,
  TID_RENDERER
} TCefThreadId;

typedef enum TCefValueType CEF_ENUM_BASE {
  VTYPE_INVALID,
  VTYPE_NULL,
  VTYPE_BOOL,
  VTYPE_INT,
  VTYPE_DOUBLE,
  VTYPE_STRING,
  VTYPE_BINARY,
  VTYPE_DICTIONARY,
  VTYPE_LIST
} TCefValueType;

typedef enum TCefPostDataElementType CEF_ENUM_BASE {
  PDE_TYPE_EMPTY,
  PDE_TYPE_BYTES,
  PDE_TYPE_FILE
} TCefPostDataElementType;

typedef enum TCefDomDocumentType CEF_ENUM_BASE {
  DOM_DOCUMENT_TYPE_UNKNOWN,
  DOM_DOCUMENT_TYPE_HTML,
  DOM_DOCUMENT_TYPE_XHTML,
  DOM_DOCUMENT_TYPE_PLUGIN
} TCefDomDocumentType;

typedef enum TCefDomNodeType CEF_ENUM_BASE {
  DOM_NODE_TYPE_UNSUPPORTED,
  DOM_NODE_TYPE_ELEMENT,
  DOM_NODE_TYPE_ATTRIBUTE,
  DOM_NODE_TYPE_TEXT,
  DOM_NODE_TYPE_CDATA_SECTION,
  DOM_NODE_TYPE_ENTITY_REFERENCE,
  DOM_NODE_TYPE_ENTITY,
  DOM_NODE_TYPE_PROCESSING_INSTRUCTIONS,
  DOM_NODE_TYPE_COMMENT,
  DOM_NODE_TYPE_DOCUMENT,
  DOM_NODE_TYPE_DOCUMENT_TYPE,
  DOM_NODE_TYPE_DOCUMENT_FRAGMENT,
  DOM_NODE_TYPE_NOTATION,
  DOM_NODE_TYPE_XPATH_NAMESPACE
} TCefDomNodeType;

typedef enum TCefDomEventPhase CEF_ENUM_BASE {
  DOM_EVENT_PHASE_UNKNOWN,
  DOM_EVENT_PHASE_CAPTURING,
  DOM_EVENT_PHASE_AT_TARGET,
  DOM_EVENT_PHASE_BUBBLING
} TCefDomEventPhase;

/* Category bit set of a document event. */
typedef int32_t TCefDomEventCategory;

typedef enum TCefMenuItemType CEF_ENUM_BASE {
  MENUITEMTYPE_NONE,
  MENUITEMTYPE_COMMAND,
  MENUITEMTYPE_CHECK,
  MENUITEMTYPE_RADIO,
  MENUITEMTYPE_SEPARATOR,
  MENUITEMTYPE_SUBMENU
} TCefMenuItemType;

typedef enum TCefV8AccessControl CEF_ENUM_BASE {
  V8_ACCESS_CONTROL_DEFAULT = 0,
  V8_ACCESS_CONTROL_ALL_CAN_READ = 1 << 0,
  V8_ACCESS_CONTROL_ALL_CAN_WRITE = 1 << 1,
  V8_ACCESS_CONTROL_PROHIBITS_OVERWRITING = 1 << 2
} TCefV8AccessControl;

typedef enum TCefV8PropertyAttribute CEF_ENUM_BASE {
  V8_PROPERTY_ATTRIBUTE_NONE = 0,
  V8_PROPERTY_ATTRIBUTE_READONLY = 1 << 0,
  V8_PROPERTY_ATTRIBUTE_DONTENUM = 1 << 1,
  V8_PROPERTY_ATTRIBUTE_DONTDELETE = 1 << 2
} TCefV8PropertyAttribute;

/* Bit sets and kinds of a context menu's parameters. */
typedef int32_t TCefContextMenuTypeFlags;
typedef int32_t TCefContextMenuMediaType;
typedef int32_t TCefContextMenuMediaStateFlags;
typedef int32_t TCefContextMenuEditStateFlags;

typedef enum TCefXmlEncodingType CEF_ENUM_BASE {
  XML_ENCODING_NONE,
  XML_ENCODING_UTF8,
  XML_ENCODING_UTF16LE,
  XML_ENCODING_UTF16BE,
  XML_ENCODING_ASCII
} TCefXmlEncodingType;

typedef enum TCefPathKey CEF_ENUM_BASE {
  PK_DIR_CURRENT,
  PK_DIR_EXE,
  PK_DIR_MODULE,
  PK_DIR_TEMP,
  PK_FILE_EXE,
  PK_FILE_MODULE
} TCefPathKey;

/* ---- Records ------------------------------------------------------------------------- */

typedef struct RuntimeMainArgs {
  cef_instance_handle_t instance;
} RuntimeMainArgs;

typedef struct RuntimeSettings {
  uint32_t size;
  TCefByteBool single_process;
  TCefStringUtf16 browser_subprocess_path;
  TCefByteBool multi_threaded_message_loop;
  TCefByteBool command_line_args_disabled;
  TCefStringUtf16 cache_path;
  TCefStringUtf16 user_agent;
  TCefStringUtf16 product_version;
  TCefStringUtf16 locale;
  TCefStringUtf16 log_file;
  int32_t log_severity;
  TCefStringUtf16 javascript_flags;
  TCefByteBool auto_detect_proxy_settings_enabled;
  TCefStringUtf16 resources_dir_path;
  TCefStringUtf16 locales_dir_path;
  TCefByteBool pack_loading_disabled;
  int32_t remote_debugging_port;
} RuntimeSettings;

typedef struct TCefWindowInfo {
  uint32_t ex_style;
  TCefStringUtf16 window_name;
  uint32_t style;
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
  cef_window_handle_t parent_window;
  cef_menu_handle_t menu;
  TCefBool transparent_painting;
  cef_window_handle_t window;
} TCefWindowInfo;

typedef struct TCefBrowserSettings {
  uint32_t size;
  TCefStringUtf16 standard_font_family;
  TCefStringUtf16 fixed_font_family;
  TCefStringUtf16 serif_font_family;
  TCefStringUtf16 sans_serif_font_family;
  TCefStringUtf16 cursive_font_family;
  TCefStringUtf16 fantasy_font_family;
  int32_t default_font_size;
  int32_t default_fixed_font_size;
  int32_t minimum_font_size;
  int32_t minimum_logical_font_size;
  TCefByteBool remote_fonts_disabled;
  TCefStringUtf16 default_encoding;
  TCefByteBool encoding_detector_enabled;
  TCefByteBool javascript_disabled;
  TCefByteBool javascript_open_windows_disallowed;
  TCefByteBool javascript_close_windows_disallowed;
  TCefByteBool javascript_access_clipboard_disallowed;
  TCefByteBool dom_paste_disabled;
  TCefByteBool caret_browsing_enabled;
  TCefByteBool java_disabled;
  TCefByteBool plugins_disabled;
  TCefByteBool universal_access_from_file_urls_allowed;
  TCefByteBool file_access_from_file_urls_allowed;
  TCefByteBool web_security_disabled;
  TCefByteBool xss_auditor_enabled;
  TCefByteBool image_load_disabled;
  TCefByteBool shrink_standalone_images_to_fit;
  TCefByteBool site_specific_quirks_disabled;
  TCefByteBool text_area_resize_disabled;
  TCefByteBool page_cache_disabled;
  TCefByteBool tab_to_links_disabled;
  TCefByteBool hyperlink_auditing_disabled;
  TCefByteBool user_style_sheet_enabled;
  TCefStringUtf16 user_style_sheet_location;
  TCefByteBool author_and_user_styles_disabled;
  TCefByteBool local_storage_disabled;
  TCefByteBool databases_disabled;
  TCefByteBool application_cache_disabled;
  TCefByteBool webgl_disabled;
  TCefByteBool accelerated_compositing_disabled;
  TCefByteBool accelerated_layers_disabled;
  TCefByteBool accelerated_2d_canvas_disabled;
  TCefByteBool accelerated_painting_enabled;
  TCefByteBool accelerated_filters_enabled;
  TCefByteBool accelerated_plugins_disabled;
  TCefByteBool developer_tools_disabled;
  TCefByteBool fullscreen_enabled;
} TCefBrowserSettings;

typedef struct TCefKeyEvent {
  TCefKeyEventType type_;
  int32_t modifiers;
  int32_t windows_key_code;
  int32_t native_key_code;
  TCefByteBool is_system_key;
  char16_t character;
  char16_t unmodified_character;
  TCefByteBool focus_on_editable_field;
} TCefKeyEvent;
typedef TCefKeyEvent* PCefKeyEvent;

typedef struct TCefPopupFeatures {
  int32_t x;
  TCefByteBool xSet;
  int32_t y;
  TCefByteBool ySet;
  int32_t width;
  TCefByteBool widthSet;
  int32_t height;
  TCefByteBool heightSet;
  TCefByteBool menuBarVisible;
  TCefByteBool statusBarVisible;
  TCefByteBool toolBarVisible;
  TCefByteBool locationBarVisible;
  TCefByteBool scrollbarsVisible;
  TCefByteBool resizable;
  TCefByteBool fullscreen;
  TCefByteBool dialog;
  TCefStringList additionalFeatures;
} TCefPopupFeatures;

/* UTC calendar time. */
typedef struct RuntimeTime {
  int32_t year;
  int32_t month;
  int32_t day_of_week;
  int32_t day_of_month;
  int32_t hour;
  int32_t minute;
  int32_t second;
  int32_t millisecond;
} RuntimeTime;

typedef struct RuntimeCookie {
  TCefStringUtf16 name;
  TCefStringUtf16 value;
  TCefStringUtf16 domain;
  TCefStringUtf16 path;
  TCefByteBool secure;
  TCefByteBool httponly;
  RuntimeTime creation;
  RuntimeTime last_access;
  TCefByteBool has_expires;
  RuntimeTime expires; /* meaningful only when has_expires is set */
} RuntimeCookie;

typedef struct TCefUrlParts {
  TCefStringUtf16 spec;
  TCefStringUtf16 scheme;
  TCefStringUtf16 username;
  TCefStringUtf16 password;
  TCefStringUtf16 host;
  TCefStringUtf16 port;
  TCefStringUtf16 path;
  TCefStringUtf16 query;
} TCefUrlParts;

/* ---- Objects whose entries the program never calls --------------------------------- */
/* Each starts with TCefBase; only its reference count is ever touched through it. Our runtime
 * lays out the streams and the XML and ZIP readers it offers in its own headers; the resource
 * handler and scheme-handler factory are laid out in cef_capi_scheme.h. */

typedef struct TCefResourceHandler TCefResourceHandler;
typedef struct TCefResourceBundleHandler TCefResourceBundleHandler;
typedef struct TCefBrowserProcessHandler TCefBrowserProcessHandler;
typedef struct TCefRenderProcessHandler TCefRenderProcessHandler;
typedef struct TCefSchemeHandlerFactory TCefSchemeHandlerFactory;
typedef struct TCefStreamReader TCefStreamReader;
typedef struct TCefStreamWriter TCefStreamWriter;
typedef struct TCefReadHandler TCefReadHandler;
typedef struct TCefWriteHandler TCefWriteHandler;
typedef struct TCefV8StackTrace TCefV8StackTrace;
typedef struct TCefXmlReader TCefXmlReader;
typedef struct TCefZipReader TCefZipReader;
/* The next three have their entries in cef_capi_urlrequest.h, for clients sending requests. */
typedef struct TCefResponse TCefResponse;
typedef struct TCefUrlRequest TCefUrlRequest;
typedef struct TCefUrlRequestClient TCefUrlRequestClient;
typedef struct TCefWebPluginInfoVisitor TCefWebPluginInfoVisitor;
typedef struct TCefWebPluginUnstableCallback TCefWebPluginUnstableCallback;

/* ---- Runtime objects ----------------------------------------------------------------- */

typedef struct TCefApp TCefApp;
typedef struct TCefBrowser TCefBrowser;
typedef struct TCefBrowserHost TCefBrowserHost;
typedef struct TCefFrame TCefFrame;
typedef struct TCefClient TCefClient;
typedef struct TCefCookieManager TCefCookieManager;
typedef struct TCefStringVisitor TCefStringVisitor;
typedef struct TCefCookieVisitor TCefCookieVisitor;
typedef struct TCefDomVisitor TCefDomVisitor;
typedef struct TCefDomEventListener TCefDomEventListener;
typedef struct TCefV8Accessor TCefV8Accessor;
typedef struct TCefv8Value TCefv8Value;
typedef struct TCefv8Context TCefv8Context;
typedef struct TCefv8Handler TCefv8Handler;
typedef struct TCefV8Exception TCefV8Exception;
typedef struct TCefPostData TCefPostData;
typedef struct TCefPostDataElement TCefPostDataElement;
typedef struct TCefRequest TCefRequest;
typedef struct TCefDomDocument TCefDomDocument;
typedef struct TCefDomNode TCefDomNode;
typedef struct TCefDomEvent TCefDomEvent;
typedef struct TCefProcessMessage TCefProcessMessage;
typedef struct TCefListValue TCefListValue;
typedef struct TCefDictionaryValue TCefDictionaryValue;
typedef struct TCefBinaryValue TCefBinaryValue;
typedef struct TCefCommandLine TCefCommandLine;
typedef struct TCefSchemeRegistrar TCefSchemeRegistrar;
typedef struct TCefMenuModel TCefMenuModel;
typedef struct TCefContextMenuParams TCefContextMenuParams;
typedef struct TCefDownloadItem TCefDownloadItem;
typedef struct TCefWebPluginInfo TCefWebPluginInfo;
typedef struct TCefBeforeDownloadCallback TCefBeforeDownloadCallback;
typedef struct TCefDownloadItemCallback TCefDownloadItemCallback;
typedef struct TCefAuthCallback TCefAuthCallback;
typedef struct TCefJsDialogCallback TCefJsDialogCallback;
typedef struct TCefQuotaCallback TCefQuotaCallback;
typedef struct TCefGeolocationCallback TCefGeolocationCallback;
typedef struct TCefLifeSpanHandler TCefLifeSpanHandler;
typedef struct TCefLoadHandler TCefLoadHandler;
typedef struct TCefRequestHandler TCefRequestHandler;
typedef struct TCefDisplayHandler TCefDisplayHandler;
typedef struct TCefFocusHandler TCefFocusHandler;
typedef struct TCefKeyboardHandler TCefKeyboardHandler;
typedef struct TCefJsDialogHandler TCefJsDialogHandler;
typedef struct TCefContextMenuHandler TCefContextMenuHandler;
typedef struct TCefDownloadHandler TCefDownloadHandler;
typedef struct TCefGeolocationHandler TCefGeolocationHandler;

/* Shorthands for the entry lists below. */
typedef const TCefStringUtf16 TCefConstString;

struct TCefApp {
  TCefBase base;
  void(CEF_CALLBACK* on_before_command_line_processing)(TCefApp* self,
                                                        TCefConstString* process_type,
                                                        TCefCommandLine* command_line);
  void(CEF_CALLBACK* on_register_custom_schemes)(TCefApp* self, TCefSchemeRegistrar* registrar);
  TCefResourceBundleHandler*(CEF_CALLBACK* get_resource_bundle_handler)(TCefApp* self);
  TCefBrowserProcessHandler*(CEF_CALLBACK* get_browser_process_handler)(TCefApp* self);
  TCefRenderProcessHandler*(CEF_CALLBACK* get_render_process_handler)(TCefApp* self);
};

struct TCefBrowser {
  TCefBase base;
  TCefBrowserHost*(CEF_CALLBACK* get_host)(TCefBrowser* self);
  TCefBool(CEF_CALLBACK* can_go_back)(TCefBrowser* self);
  void(CEF_CALLBACK* go_back)(TCefBrowser* self);
  TCefBool(CEF_CALLBACK* can_go_forward)(TCefBrowser* self);
  void(CEF_CALLBACK* go_forward)(TCefBrowser* self);
  TCefBool(CEF_CALLBACK* is_loading)(TCefBrowser* self);
  void(CEF_CALLBACK* reload)(TCefBrowser* self);
  void(CEF_CALLBACK* reload_ignore_cache)(TCefBrowser* self);
  void(CEF_CALLBACK* stop_load)(TCefBrowser* self);
  int32_t(CEF_CALLBACK* get_identifier)(TCefBrowser* self);
  TCefBool(CEF_CALLBACK* is_popup)(TCefBrowser* self);
  TCefBool(CEF_CALLBACK* has_document)(TCefBrowser* self);
  TCefFrame*(CEF_CALLBACK* get_main_frame)(TCefBrowser* self);
  TCefFrame*(CEF_CALLBACK* get_focused_frame)(TCefBrowser* self);
  TCefFrame*(CEF_CALLBACK* get_frame_byident)(TCefBrowser* self, int64_t identifier);
  TCefFrame*(CEF_CALLBACK* get_frame)(TCefBrowser* self, TCefConstString* name);
  uint32_t(CEF_CALLBACK* get_frame_count)(TCefBrowser* self);
  /* identifiersCount: capacity going in, number written coming out. */
  void(CEF_CALLBACK* get_frame_identifiers)(TCefBrowser* self, uint32_t* identifiersCount,
                                            int64_t* identifiers);
  void(CEF_CALLBACK* get_frame_names)(TCefBrowser* self, TCefStringList names);
  TCefBool(CEF_CALLBACK* send_process_message)(TCefBrowser* self, TCefProcessId target_process,
                                               TCefProcessMessage* message);
};

struct TCefBrowserHost {
  TCefBase base;
  TCefBrowser*(CEF_CALLBACK* get_browser)(TCefBrowserHost* self);
  void(CEF_CALLBACK* parent_window_will_close)(TCefBrowserHost* self);
  void(CEF_CALLBACK* close_browser)(TCefBrowserHost* self);
  void(CEF_CALLBACK* set_focus)(TCefBrowserHost* self, TCefBool enable);
  cef_window_handle_t(CEF_CALLBACK* get_window_handle)(TCefBrowserHost* self);
  cef_window_handle_t(CEF_CALLBACK* get_opener_window_handle)(TCefBrowserHost* self);
  TCefClient*(CEF_CALLBACK* get_client)(TCefBrowserHost* self); /* not used by the program */
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_dev_tools_url)(TCefBrowserHost* self,
                                                           TCefBool http_scheme);
  double(CEF_CALLBACK* get_zoom_level)(TCefBrowserHost* self);
  void(CEF_CALLBACK* set_zoom_level)(TCefBrowserHost* self, double zoomLevel);
};

struct TCefFrame {
  TCefBase base;
  TCefBool(CEF_CALLBACK* is_valid)(TCefFrame* self);
  void(CEF_CALLBACK* undo)(TCefFrame* self);
  void(CEF_CALLBACK* redo)(TCefFrame* self);
  void(CEF_CALLBACK* cut)(TCefFrame* self);
  void(CEF_CALLBACK* copy)(TCefFrame* self);
  void(CEF_CALLBACK* paste)(TCefFrame* self);
  void(CEF_CALLBACK* del)(TCefFrame* self);
  void(CEF_CALLBACK* select_all)(TCefFrame* self);
  void(CEF_CALLBACK* view_source)(TCefFrame* self);
  void(CEF_CALLBACK* get_source)(TCefFrame* self, TCefStringVisitor* visitor);
  void(CEF_CALLBACK* get_text)(TCefFrame* self, TCefStringVisitor* visitor);
  void(CEF_CALLBACK* load_request)(TCefFrame* self, TCefRequest* request);
  void(CEF_CALLBACK* load_url)(TCefFrame* self, TCefConstString* url);
  void(CEF_CALLBACK* load_string)(TCefFrame* self, TCefConstString* string_val,
                                  TCefConstString* url);
  void(CEF_CALLBACK* execute_java_script)(TCefFrame* self, TCefConstString* code,
                                          TCefConstString* script_url, int32_t start_line);
  TCefBool(CEF_CALLBACK* is_main)(TCefFrame* self);
  TCefBool(CEF_CALLBACK* is_focused)(TCefFrame* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_name)(TCefFrame* self);
  int64_t(CEF_CALLBACK* get_identifier)(TCefFrame* self);
  TCefFrame*(CEF_CALLBACK* get_parent)(TCefFrame* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_url)(TCefFrame* self);
  TCefBrowser*(CEF_CALLBACK* get_browser)(TCefFrame* self);
  TCefv8Context*(CEF_CALLBACK* get_v8context)(TCefFrame* self);
  void(CEF_CALLBACK* visit_dom)(TCefFrame* self, TCefDomVisitor* visitor);
};

/* ---- Handler structures the program exposes ---------------------------------------- */

struct TCefClient {
  TCefBase base;
  TCefContextMenuHandler*(CEF_CALLBACK* get_context_menu_handler)(TCefClient* self);
  TCefDisplayHandler*(CEF_CALLBACK* get_display_handler)(TCefClient* self);
  TCefDownloadHandler*(CEF_CALLBACK* get_download_handler)(TCefClient* self);
  TCefFocusHandler*(CEF_CALLBACK* get_focus_handler)(TCefClient* self);
  TCefGeolocationHandler*(CEF_CALLBACK* get_geolocation_handler)(TCefClient* self);
  TCefJsDialogHandler*(CEF_CALLBACK* get_jsdialog_handler)(TCefClient* self);
  TCefKeyboardHandler*(CEF_CALLBACK* get_keyboard_handler)(TCefClient* self);
  TCefLifeSpanHandler*(CEF_CALLBACK* get_life_span_handler)(TCefClient* self);
  TCefLoadHandler*(CEF_CALLBACK* get_load_handler)(TCefClient* self);
  TCefRequestHandler*(CEF_CALLBACK* get_request_handler)(TCefClient* self);
  TCefBool(CEF_CALLBACK* on_process_message_received)(TCefClient* self, TCefBrowser* browser,
                                                      TCefProcessId source_process,
                                                      TCefProcessMessage* message);
};

struct TCefLifeSpanHandler {
  TCefBase base;
  /* url and client are in-out: the handler may replace both. */
  TCefBool(CEF_CALLBACK* on_before_popup)(TCefLifeSpanHandler* self, TCefBrowser* parentBrowser,
                                          const TCefPopupFeatures* popupFeatures,
                                          TCefWindowInfo* windowInfo, TCefStringUtf16* url,
                                          TCefClient** client, TCefBrowserSettings* settings);
  void(CEF_CALLBACK* on_after_created)(TCefLifeSpanHandler* self, TCefBrowser* browser);
  TCefBool(CEF_CALLBACK* run_modal)(TCefLifeSpanHandler* self, TCefBrowser* browser);
  TCefBool(CEF_CALLBACK* do_close)(TCefLifeSpanHandler* self, TCefBrowser* browser);
  void(CEF_CALLBACK* on_before_close)(TCefLifeSpanHandler* self, TCefBrowser* browser);
};

struct TCefLoadHandler {
  TCefBase base;
  void(CEF_CALLBACK* on_load_start)(TCefLoadHandler* self, TCefBrowser* browser, TCefFrame* frame);
  void(CEF_CALLBACK* on_load_end)(TCefLoadHandler* self, TCefBrowser* browser, TCefFrame* frame,
                                  int32_t httpStatusCode);
  void(CEF_CALLBACK* on_load_error)(TCefLoadHandler* self, TCefBrowser* browser, TCefFrame* frame,
                                    int32_t errorCode, TCefConstString* errorText,
                                    TCefConstString* failedUrl);
  void(CEF_CALLBACK* on_render_process_terminated)(TCefLoadHandler* self, TCefBrowser* browser,
                                                   TCefTerminationStatus status);
  void(CEF_CALLBACK* on_plugin_crashed)(TCefLoadHandler* self, TCefBrowser* browser,
                                        TCefConstString* plugin_path);
};

struct TCefRequestHandler {
  TCefBase base;
  TCefBool(CEF_CALLBACK* on_before_resource_load)(TCefRequestHandler* self, TCefBrowser* browser,
                                                  TCefFrame* frame, TCefRequest* request);
  TCefResourceHandler*(CEF_CALLBACK* get_resource_handler)(TCefRequestHandler* self,
                                                           TCefBrowser* browser, TCefFrame* frame,
                                                           TCefRequest* request);
  /* new_url is in-out. */
  void(CEF_CALLBACK* on_resource_redirect)(TCefRequestHandler* self, TCefBrowser* browser,
                                           TCefFrame* frame, TCefConstString* old_url,
                                           TCefStringUtf16* new_url);
  TCefBool(CEF_CALLBACK* get_auth_credentials)(TCefRequestHandler* self, TCefBrowser* browser,
                                               TCefFrame* frame, TCefBool isProxy,
                                               TCefConstString* host, int32_t port,
                                               TCefConstString* realm, TCefConstString* scheme,
                                               TCefAuthCallback* callback);
  TCefBool(CEF_CALLBACK* on_quota_request)(TCefRequestHandler* self, TCefBrowser* browser,
                                           TCefConstString* origin_url, int64_t new_size,
                                           TCefQuotaCallback* callback);
  TCefCookieManager*(CEF_CALLBACK* get_cookie_manager)(TCefRequestHandler* self,
                                                       TCefBrowser* browser,
                                                       TCefConstString* main_url);
  void(CEF_CALLBACK* on_protocol_execution)(TCefRequestHandler* self, TCefBrowser* browser,
                                            TCefConstString* url, TCefBool* allow_os_execution);
  TCefBool(CEF_CALLBACK* on_before_plugin_load)(TCefRequestHandler* self, TCefBrowser* browser,
                                                TCefConstString* url, TCefConstString* policy_url,
                                                TCefWebPluginInfo* info);
};

struct TCefDisplayHandler {
  TCefBase base;
  void(CEF_CALLBACK* on_loading_state_change)(TCefDisplayHandler* self, TCefBrowser* browser,
                                              TCefBool isLoading, TCefBool canGoBack,
                                              TCefBool canGoForward);
  void(CEF_CALLBACK* on_address_change)(TCefDisplayHandler* self, TCefBrowser* browser,
                                        TCefFrame* frame, TCefConstString* url);
  void(CEF_CALLBACK* on_title_change)(TCefDisplayHandler* self, TCefBrowser* browser,
                                      TCefConstString* title);
  /* text is in-out. */
  TCefBool(CEF_CALLBACK* on_tooltip)(TCefDisplayHandler* self, TCefBrowser* browser,
                                     TCefStringUtf16* text);
  void(CEF_CALLBACK* on_status_message)(TCefDisplayHandler* self, TCefBrowser* browser,
                                        TCefConstString* value);
  TCefBool(CEF_CALLBACK* on_console_message)(TCefDisplayHandler* self, TCefBrowser* browser,
                                             TCefConstString* message, TCefConstString* source,
                                             int32_t line);
};

struct TCefFocusHandler {
  TCefBase base;
  void(CEF_CALLBACK* on_take_focus)(TCefFocusHandler* self, TCefBrowser* browser, TCefBool next);
  TCefBool(CEF_CALLBACK* on_set_focus)(TCefFocusHandler* self, TCefBrowser* browser,
                                       TCefFocusSource source);
  void(CEF_CALLBACK* on_got_focus)(TCefFocusHandler* self, TCefBrowser* browser);
};

struct TCefKeyboardHandler {
  TCefBase base;
  TCefBool(CEF_CALLBACK* on_pre_key_event)(TCefKeyboardHandler* self, TCefBrowser* browser,
                                           const TCefKeyEvent* event, cef_event_handle_t os_event,
                                           TCefBool* is_keyboard_shortcut);
  TCefBool(CEF_CALLBACK* on_key_event)(TCefKeyboardHandler* self, TCefBrowser* browser,
                                       const TCefKeyEvent* event, cef_event_handle_t os_event);
};

struct TCefJsDialogHandler {
  TCefBase base;
  TCefBool(CEF_CALLBACK* on_jsdialog)(TCefJsDialogHandler* self, TCefBrowser* browser,
                                      TCefConstString* origin_url, TCefConstString* accept_lang,
                                      TCefJsDialogType dialog_type, TCefConstString* message_text,
                                      TCefConstString* default_prompt_text,
                                      TCefJsDialogCallback* callback, TCefBool* suppress_message);
  TCefBool(CEF_CALLBACK* on_before_unload_dialog)(TCefJsDialogHandler* self, TCefBrowser* browser,
                                                  TCefConstString* message_text, TCefBool is_reload,
                                                  TCefJsDialogCallback* callback);
  void(CEF_CALLBACK* on_reset_dialog_state)(TCefJsDialogHandler* self, TCefBrowser* browser);
};

struct TCefContextMenuHandler {
  TCefBase base;
  void(CEF_CALLBACK* on_before_context_menu)(TCefContextMenuHandler* self, TCefBrowser* browser,
                                             TCefFrame* frame, TCefContextMenuParams* params,
                                             TCefMenuModel* model);
  TCefBool(CEF_CALLBACK* on_context_menu_command)(TCefContextMenuHandler* self,
                                                  TCefBrowser* browser, TCefFrame* frame,
                                                  TCefContextMenuParams* params, int32_t command_id,
                                                  TCefEventFlags event_flags);
  void(CEF_CALLBACK* on_context_menu_dismissed)(TCefContextMenuHandler* self, TCefBrowser* browser,
                                                TCefFrame* frame);
};

struct TCefDownloadHandler {
  TCefBase base;
  void(CEF_CALLBACK* on_before_download)(TCefDownloadHandler* self, TCefBrowser* browser,
                                         TCefDownloadItem* download_item,
                                         TCefConstString* suggested_name,
                                         TCefBeforeDownloadCallback* callback);
  void(CEF_CALLBACK* on_download_updated)(TCefDownloadHandler* self, TCefBrowser* browser,
                                          TCefDownloadItem* download_item,
                                          TCefDownloadItemCallback* callback);
};

struct TCefGeolocationHandler {
  TCefBase base;
  void(CEF_CALLBACK* on_request_geolocation_permission)(TCefGeolocationHandler* self,
                                                        TCefBrowser* browser,
                                                        TCefConstString* requesting_url,
                                                        int32_t request_id,
                                                        TCefGeolocationCallback* callback);
  void(CEF_CALLBACK* on_cancel_geolocation_permission)(TCefGeolocationHandler* self,
                                                       TCefBrowser* browser,
                                                       TCefConstString* requesting_url,
                                                       int32_t request_id);
};

/* ---- Visitors, listeners and accessors the program exposes ------------------------ */

/* Work posted to a runtime thread; the runtime calls execute once, then releases it. */
typedef struct TCefTask TCefTask;
struct TCefTask {
  TCefBase base;
  void(CEF_CALLBACK* execute)(TCefTask* self, TCefThreadId thread_id);
};

struct TCefStringVisitor {
  TCefBase base;
  void(CEF_CALLBACK* visit)(TCefStringVisitor* self, TCefConstString* string);
};

struct TCefCookieVisitor {
  TCefBase base;
  TCefBool(CEF_CALLBACK* visit)(TCefCookieVisitor* self, const RuntimeCookie* cookie, int32_t count,
                                int32_t total, TCefBool* deleteCookie);
};

struct TCefDomVisitor {
  TCefBase base;
  void(CEF_CALLBACK* visit)(TCefDomVisitor* self, TCefDomDocument* document);
};

struct TCefDomEventListener {
  TCefBase base;
  void(CEF_CALLBACK* handle_event)(TCefDomEventListener* self, TCefDomEvent* event);
};

struct TCefV8Accessor {
  TCefBase base;
  TCefBool(CEF_CALLBACK* get)(TCefV8Accessor* self, TCefConstString* name, TCefv8Value* object,
                              TCefv8Value** retval, TCefStringUtf16* exception);
  TCefBool(CEF_CALLBACK* set)(TCefV8Accessor* self, TCefConstString* name, TCefv8Value* object,
                              TCefv8Value* value, TCefStringUtf16* exception);
};

/* ---- Cookie manager ------------------------------------------------------------------ */

struct TCefCookieManager {
  TCefBase base;
  void(CEF_CALLBACK* set_supported_schemes)(TCefCookieManager* self, TCefStringList schemes);
  TCefBool(CEF_CALLBACK* visit_all_cookies)(TCefCookieManager* self, TCefCookieVisitor* visitor);
  TCefBool(CEF_CALLBACK* visit_url_cookies)(TCefCookieManager* self, TCefConstString* url,
                                            TCefBool includeHttpOnly, TCefCookieVisitor* visitor);
  TCefBool(CEF_CALLBACK* set_cookie)(TCefCookieManager* self, TCefConstString* url,
                                     const RuntimeCookie* cookie);
  TCefBool(CEF_CALLBACK* delete_cookies)(TCefCookieManager* self, TCefConstString* url,
                                         TCefConstString* cookie_name);
  TCefBool(CEF_CALLBACK* set_storage_path)(TCefCookieManager* self, TCefConstString* path);
};

/* ---- Script engine ------------------------------------------------------------------- */

struct TCefv8Value {
  TCefBase base;
  TCefBool(CEF_CALLBACK* is_undefined)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* is_null)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* is_bool)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* is_int)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* is_uint)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* is_double)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* is_date)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* is_string)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* is_object)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* is_array)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* is_function)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* is_same)(TCefv8Value* self, TCefv8Value* that);
  TCefBool(CEF_CALLBACK* get_bool_value)(TCefv8Value* self);
  int32_t(CEF_CALLBACK* get_int_value)(TCefv8Value* self);
  uint32_t(CEF_CALLBACK* get_uint_value)(TCefv8Value* self);
  double(CEF_CALLBACK* get_double_value)(TCefv8Value* self);
  /* Returned in memory: the caller's result buffer is the hidden first argument. */
  RuntimeTime(CEF_CALLBACK* get_date_value)(TCefv8Value* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_string_value)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* is_user_created)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* has_exception)(TCefv8Value* self);
  TCefV8Exception*(CEF_CALLBACK* get_exception)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* clear_exception)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* will_rethrow_exceptions)(TCefv8Value* self);
  TCefBool(CEF_CALLBACK* set_rethrow_exceptions)(TCefv8Value* self, TCefBool rethrow);
  TCefBool(CEF_CALLBACK* has_value_bykey)(TCefv8Value* self, TCefConstString* key);
  TCefBool(CEF_CALLBACK* has_value_byindex)(TCefv8Value* self, int32_t index);
  TCefBool(CEF_CALLBACK* delete_value_bykey)(TCefv8Value* self, TCefConstString* key);
  TCefBool(CEF_CALLBACK* delete_value_byindex)(TCefv8Value* self, int32_t index);
  TCefv8Value*(CEF_CALLBACK* get_value_bykey)(TCefv8Value* self, TCefConstString* key);
  TCefv8Value*(CEF_CALLBACK* get_value_byindex)(TCefv8Value* self, int32_t index);
  TCefBool(CEF_CALLBACK* set_value_bykey)(TCefv8Value* self, TCefConstString* key,
                                          TCefv8Value* value, TCefV8PropertyAttribute attribute);
  TCefBool(CEF_CALLBACK* set_value_byindex)(TCefv8Value* self, int32_t index, TCefv8Value* value);
  TCefBool(CEF_CALLBACK* set_value_byaccessor)(TCefv8Value* self, TCefConstString* key,
                                               TCefV8AccessControl settings,
                                               TCefV8PropertyAttribute attribute);
  TCefBool(CEF_CALLBACK* get_keys)(TCefv8Value* self, TCefStringList keys);
  TCefBool(CEF_CALLBACK* set_user_data)(TCefv8Value* self, TCefBase* user_data);
  TCefBase*(CEF_CALLBACK* get_user_data)(TCefv8Value* self);
  int32_t(CEF_CALLBACK* get_externally_allocated_memory)(TCefv8Value* self);
  int32_t(CEF_CALLBACK* adjust_externally_allocated_memory)(TCefv8Value* self,
                                                            int32_t change_in_bytes);
  int32_t(CEF_CALLBACK* get_array_length)(TCefv8Value* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_function_name)(TCefv8Value* self);
  TCefv8Handler*(CEF_CALLBACK* get_function_handler)(TCefv8Value* self);
  TCefv8Value*(CEF_CALLBACK* execute_function)(TCefv8Value* self, TCefv8Value* object,
                                               size_t argumentsCount,
                                               TCefv8Value* const* arguments);
  TCefv8Value*(CEF_CALLBACK* execute_function_with_context)(TCefv8Value* self,
                                                            TCefv8Context* context,
                                                            TCefv8Value* object,
                                                            size_t argumentsCount,
                                                            TCefv8Value* const* arguments);
};

struct TCefv8Context {
  TCefBase base;
  TCefBrowser*(CEF_CALLBACK* get_browser)(TCefv8Context* self);
  TCefFrame*(CEF_CALLBACK* get_frame)(TCefv8Context* self);
  TCefv8Value*(CEF_CALLBACK* get_global)(TCefv8Context* self);
  TCefBool(CEF_CALLBACK* enter)(TCefv8Context* self);
  TCefBool(CEF_CALLBACK* exit)(TCefv8Context* self);
  TCefBool(CEF_CALLBACK* is_same)(TCefv8Context* self, TCefv8Context* that);
  TCefBool(CEF_CALLBACK* eval)(TCefv8Context* self, TCefConstString* code, TCefv8Value** retval,
                               TCefV8Exception** exception);
};

struct TCefv8Handler {
  TCefBase base;
  TCefBool(CEF_CALLBACK* execute)(TCefv8Handler* self, TCefConstString* name, TCefv8Value* object,
                                  size_t argumentsCount, TCefv8Value* const* arguments,
                                  TCefv8Value** retval, TCefStringUtf16* exception);
};

struct TCefV8Exception {
  TCefBase base;
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_message)(TCefV8Exception* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_source_line)(TCefV8Exception* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_script_resource_name)(TCefV8Exception* self);
  int32_t(CEF_CALLBACK* get_line_number)(TCefV8Exception* self);
  int32_t(CEF_CALLBACK* get_start_position)(TCefV8Exception* self);
  int32_t(CEF_CALLBACK* get_end_position)(TCefV8Exception* self);
  int32_t(CEF_CALLBACK* get_start_column)(TCefV8Exception* self);
  int32_t(CEF_CALLBACK* get_end_column)(TCefV8Exception* self);
};

/* ---- Requests ------------------------------------------------------------------------ */

struct TCefPostData {
  TCefBase base;
  TCefBool(CEF_CALLBACK* is_read_only)(TCefPostData* self);
  size_t(CEF_CALLBACK* get_element_count)(TCefPostData* self);
  /* elementsCount: capacity of elements going in, number written coming out. */
  void(CEF_CALLBACK* get_elements)(TCefPostData* self, size_t* elementsCount,
                                   TCefPostDataElement** elements);
  TCefBool(CEF_CALLBACK* remove_element)(TCefPostData* self, TCefPostDataElement* element);
  TCefBool(CEF_CALLBACK* add_element)(TCefPostData* self, TCefPostDataElement* element);
  void(CEF_CALLBACK* remove_elements)(TCefPostData* self);
};

struct TCefPostDataElement {
  TCefBase base;
  TCefBool(CEF_CALLBACK* is_read_only)(TCefPostDataElement* self);
  void(CEF_CALLBACK* set_to_empty)(TCefPostDataElement* self);
  void(CEF_CALLBACK* set_to_file)(TCefPostDataElement* self, TCefConstString* fileName);
  void(CEF_CALLBACK* set_to_bytes)(TCefPostDataElement* self, size_t size, const void* bytes);
  TCefPostDataElementType(CEF_CALLBACK* get_type)(TCefPostDataElement* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_file)(TCefPostDataElement* self);
  size_t(CEF_CALLBACK* get_bytes_count)(TCefPostDataElement* self);
  size_t(CEF_CALLBACK* get_bytes)(TCefPostDataElement* self, size_t size, void* bytes);
};

struct TCefRequest {
  TCefBase base;
  TCefBool(CEF_CALLBACK* is_read_only)(TCefRequest* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_url)(TCefRequest* self);
  void(CEF_CALLBACK* set_url)(TCefRequest* self, TCefConstString* url);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_method)(TCefRequest* self);
  void(CEF_CALLBACK* set_method)(TCefRequest* self, TCefConstString* method);
  TCefPostData*(CEF_CALLBACK* get_post_data)(TCefRequest* self);
  void(CEF_CALLBACK* set_post_data)(TCefRequest* self, TCefPostData* postData);
  void(CEF_CALLBACK* get_header_map)(TCefRequest* self, TCefStringMultimap headerMap);
  void(CEF_CALLBACK* set_header_map)(TCefRequest* self, TCefStringMultimap headerMap);
  void(CEF_CALLBACK* set)(TCefRequest* self, TCefConstString* url, TCefConstString* method,
                          TCefPostData* postData, TCefStringMultimap headerMap);
  int32_t(CEF_CALLBACK* get_flags)(TCefRequest* self);
  void(CEF_CALLBACK* set_flags)(TCefRequest* self, int32_t flags);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_first_party_for_cookies)(TCefRequest* self);
  void(CEF_CALLBACK* set_first_party_for_cookies)(TCefRequest* self, TCefConstString* url);
};

/* ---- Documents ----------------------------------------------------------------------- */

struct TCefDomDocument {
  TCefBase base;
  TCefDomDocumentType(CEF_CALLBACK* get_type)(TCefDomDocument* self);
  TCefDomNode*(CEF_CALLBACK* get_document)(TCefDomDocument* self);
  TCefDomNode*(CEF_CALLBACK* get_body)(TCefDomDocument* self);
  TCefDomNode*(CEF_CALLBACK* get_head)(TCefDomDocument* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_title)(TCefDomDocument* self);
  TCefDomNode*(CEF_CALLBACK* get_element_by_id)(TCefDomDocument* self, TCefConstString* id);
  TCefDomNode*(CEF_CALLBACK* get_focused_node)(TCefDomDocument* self);
  TCefBool(CEF_CALLBACK* has_selection)(TCefDomDocument* self);
  TCefDomNode*(CEF_CALLBACK* get_selection_start_node)(TCefDomDocument* self);
  int32_t(CEF_CALLBACK* get_selection_start_offset)(TCefDomDocument* self);
  TCefDomNode*(CEF_CALLBACK* get_selection_end_node)(TCefDomDocument* self);
  int32_t(CEF_CALLBACK* get_selection_end_offset)(TCefDomDocument* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_selection_as_markup)(TCefDomDocument* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_selection_as_text)(TCefDomDocument* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_base_url)(TCefDomDocument* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_complete_url)(TCefDomDocument* self,
                                                          TCefConstString* partialURL);
};

struct TCefDomNode {
  TCefBase base;
  TCefDomNodeType(CEF_CALLBACK* get_type)(TCefDomNode* self);
  TCefBool(CEF_CALLBACK* is_text)(TCefDomNode* self);
  TCefBool(CEF_CALLBACK* is_element)(TCefDomNode* self);
  TCefBool(CEF_CALLBACK* is_editable)(TCefDomNode* self);
  TCefBool(CEF_CALLBACK* is_form_control_element)(TCefDomNode* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_form_control_element_type)(TCefDomNode* self);
  TCefBool(CEF_CALLBACK* is_same)(TCefDomNode* self, TCefDomNode* that);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_name)(TCefDomNode* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_value)(TCefDomNode* self);
  TCefBool(CEF_CALLBACK* set_value)(TCefDomNode* self, TCefConstString* value);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_as_markup)(TCefDomNode* self);
  TCefDomDocument*(CEF_CALLBACK* get_document)(TCefDomNode* self);
  TCefDomNode*(CEF_CALLBACK* get_parent)(TCefDomNode* self);
  TCefDomNode*(CEF_CALLBACK* get_previous_sibling)(TCefDomNode* self);
  TCefDomNode*(CEF_CALLBACK* get_next_sibling)(TCefDomNode* self);
  TCefBool(CEF_CALLBACK* has_children)(TCefDomNode* self);
  TCefDomNode*(CEF_CALLBACK* get_first_child)(TCefDomNode* self);
  TCefDomNode*(CEF_CALLBACK* get_last_child)(TCefDomNode* self);
  void(CEF_CALLBACK* add_event_listener)(TCefDomNode* self, TCefConstString* eventType,
                                         TCefDomEventListener* listener, TCefBool useCapture);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_element_tag_name)(TCefDomNode* self);
  TCefBool(CEF_CALLBACK* has_element_attributes)(TCefDomNode* self);
  TCefBool(CEF_CALLBACK* has_element_attribute)(TCefDomNode* self, TCefConstString* attrName);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_element_attribute)(TCefDomNode* self,
                                                               TCefConstString* attrName);
  void(CEF_CALLBACK* get_element_attributes)(TCefDomNode* self, TCefStringMap attrMap);
  TCefBool(CEF_CALLBACK* set_element_attribute)(TCefDomNode* self, TCefConstString* attrName,
                                                TCefConstString* value);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_element_inner_text)(TCefDomNode* self);
};

struct TCefDomEvent {
  TCefBase base;
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_type)(TCefDomEvent* self);
  TCefDomEventCategory(CEF_CALLBACK* get_category)(TCefDomEvent* self);
  TCefDomEventPhase(CEF_CALLBACK* get_phase)(TCefDomEvent* self);
  TCefBool(CEF_CALLBACK* can_bubble)(TCefDomEvent* self);
  TCefBool(CEF_CALLBACK* can_cancel)(TCefDomEvent* self);
  TCefDomDocument*(CEF_CALLBACK* get_document)(TCefDomEvent* self);
  TCefDomNode*(CEF_CALLBACK* get_target)(TCefDomEvent* self);
  TCefDomNode*(CEF_CALLBACK* get_current_target)(TCefDomEvent* self);
};

/* ---- Messages and values ------------------------------------------------------------- */

struct TCefProcessMessage {
  TCefBase base;
  TCefBool(CEF_CALLBACK* is_valid)(TCefProcessMessage* self);
  TCefBool(CEF_CALLBACK* is_read_only)(TCefProcessMessage* self);
  TCefProcessMessage*(CEF_CALLBACK* copy)(TCefProcessMessage* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_name)(TCefProcessMessage* self);
  TCefListValue*(CEF_CALLBACK* get_argument_list)(TCefProcessMessage* self);
};

struct TCefListValue {
  TCefBase base;
  TCefBool(CEF_CALLBACK* is_valid)(TCefListValue* self);
  TCefBool(CEF_CALLBACK* is_owned)(TCefListValue* self);
  TCefBool(CEF_CALLBACK* is_read_only)(TCefListValue* self);
  TCefListValue*(CEF_CALLBACK* copy)(TCefListValue* self);
  TCefBool(CEF_CALLBACK* set_size)(TCefListValue* self, size_t size);
  size_t(CEF_CALLBACK* get_size)(TCefListValue* self);
  TCefBool(CEF_CALLBACK* clear)(TCefListValue* self);
  TCefBool(CEF_CALLBACK* remove)(TCefListValue* self, int32_t index);
  TCefValueType(CEF_CALLBACK* get_type)(TCefListValue* self, int32_t index);
  TCefBool(CEF_CALLBACK* get_bool)(TCefListValue* self, int32_t index);
  int32_t(CEF_CALLBACK* get_int)(TCefListValue* self, int32_t index);
  double(CEF_CALLBACK* get_double)(TCefListValue* self, int32_t index);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_string)(TCefListValue* self, int32_t index);
  TCefBinaryValue*(CEF_CALLBACK* get_binary)(TCefListValue* self, int32_t index);
  TCefDictionaryValue*(CEF_CALLBACK* get_dictionary)(TCefListValue* self, int32_t index);
  TCefListValue*(CEF_CALLBACK* get_list)(TCefListValue* self, int32_t index);
  TCefBool(CEF_CALLBACK* set_null)(TCefListValue* self, int32_t index);
  TCefBool(CEF_CALLBACK* set_bool)(TCefListValue* self, int32_t index, TCefBool value);
  TCefBool(CEF_CALLBACK* set_int)(TCefListValue* self, int32_t index, int32_t value);
  TCefBool(CEF_CALLBACK* set_double)(TCefListValue* self, int32_t index, double value);
  TCefBool(CEF_CALLBACK* set_string)(TCefListValue* self, int32_t index, TCefConstString* value);
  TCefBool(CEF_CALLBACK* set_binary)(TCefListValue* self, int32_t index, TCefBinaryValue* value);
  TCefBool(CEF_CALLBACK* set_dictionary)(TCefListValue* self, int32_t index,
                                         TCefDictionaryValue* value);
  TCefBool(CEF_CALLBACK* set_list)(TCefListValue* self, int32_t index, TCefListValue* value);
};

struct TCefDictionaryValue {
  TCefBase base;
  TCefBool(CEF_CALLBACK* is_valid)(TCefDictionaryValue* self);
  TCefBool(CEF_CALLBACK* is_owned)(TCefDictionaryValue* self);
  TCefBool(CEF_CALLBACK* is_read_only)(TCefDictionaryValue* self);
  TCefDictionaryValue*(CEF_CALLBACK* copy)(TCefDictionaryValue* self,
                                           TCefBool exclude_empty_children);
  size_t(CEF_CALLBACK* get_size)(TCefDictionaryValue* self);
  TCefBool(CEF_CALLBACK* clear)(TCefDictionaryValue* self);
  TCefBool(CEF_CALLBACK* has_key)(TCefDictionaryValue* self, TCefConstString* key);
  TCefBool(CEF_CALLBACK* get_keys)(TCefDictionaryValue* self, TCefStringList keys);
  TCefBool(CEF_CALLBACK* remove)(TCefDictionaryValue* self, TCefConstString* key);
  TCefValueType(CEF_CALLBACK* get_type)(TCefDictionaryValue* self, TCefConstString* key);
  TCefBool(CEF_CALLBACK* get_bool)(TCefDictionaryValue* self, TCefConstString* key);
  int32_t(CEF_CALLBACK* get_int)(TCefDictionaryValue* self, TCefConstString* key);
  double(CEF_CALLBACK* get_double)(TCefDictionaryValue* self, TCefConstString* key);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_string)(TCefDictionaryValue* self,
                                                    TCefConstString* key);
  TCefBinaryValue*(CEF_CALLBACK* get_binary)(TCefDictionaryValue* self, TCefConstString* key);
  TCefDictionaryValue*(CEF_CALLBACK* get_dictionary)(TCefDictionaryValue* self,
                                                     TCefConstString* key);
  TCefListValue*(CEF_CALLBACK* get_list)(TCefDictionaryValue* self, TCefConstString* key);
  TCefBool(CEF_CALLBACK* set_null)(TCefDictionaryValue* self, TCefConstString* key);
  TCefBool(CEF_CALLBACK* set_bool)(TCefDictionaryValue* self, TCefConstString* key, TCefBool value);
  TCefBool(CEF_CALLBACK* set_int)(TCefDictionaryValue* self, TCefConstString* key, int32_t value);
  TCefBool(CEF_CALLBACK* set_double)(TCefDictionaryValue* self, TCefConstString* key, double value);
  TCefBool(CEF_CALLBACK* set_string)(TCefDictionaryValue* self, TCefConstString* key,
                                     TCefConstString* value);
  TCefBool(CEF_CALLBACK* set_binary)(TCefDictionaryValue* self, TCefConstString* key,
                                     TCefBinaryValue* value);
  TCefBool(CEF_CALLBACK* set_dictionary)(TCefDictionaryValue* self, TCefConstString* key,
                                         TCefDictionaryValue* value);
  TCefBool(CEF_CALLBACK* set_list)(TCefDictionaryValue* self, TCefConstString* key,
                                   TCefListValue* value);
};

struct TCefBinaryValue {
  TCefBase base;
  TCefBool(CEF_CALLBACK* is_valid)(TCefBinaryValue* self);
  TCefBool(CEF_CALLBACK* is_owned)(TCefBinaryValue* self);
  TCefBinaryValue*(CEF_CALLBACK* copy)(TCefBinaryValue* self);
  size_t(CEF_CALLBACK* get_size)(TCefBinaryValue* self);
  size_t(CEF_CALLBACK* get_data)(TCefBinaryValue* self, void* buffer, size_t buffer_size,
                                 size_t data_offset);
};

/* ---- Process start-up ---------------------------------------------------------------- */

struct TCefCommandLine {
  TCefBase base;
  TCefBool(CEF_CALLBACK* is_valid)(TCefCommandLine* self);
  TCefBool(CEF_CALLBACK* is_read_only)(TCefCommandLine* self);
  TCefCommandLine*(CEF_CALLBACK* copy)(TCefCommandLine* self);
  void(CEF_CALLBACK* init_from_argv)(TCefCommandLine* self, int32_t argc, const char* const* argv);
  void(CEF_CALLBACK* init_from_string)(TCefCommandLine* self, TCefConstString* command_line);
  void(CEF_CALLBACK* reset)(TCefCommandLine* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_command_line_string)(TCefCommandLine* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_program)(TCefCommandLine* self);
  void(CEF_CALLBACK* set_program)(TCefCommandLine* self, TCefConstString* program);
  TCefBool(CEF_CALLBACK* has_switches)(TCefCommandLine* self);
  TCefBool(CEF_CALLBACK* has_switch)(TCefCommandLine* self, TCefConstString* name);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_switch_value)(TCefCommandLine* self,
                                                          TCefConstString* name);
  void(CEF_CALLBACK* get_switches)(TCefCommandLine* self, TCefStringMap switches);
  void(CEF_CALLBACK* append_switch)(TCefCommandLine* self, TCefConstString* name);
  void(CEF_CALLBACK* append_switch_with_value)(TCefCommandLine* self, TCefConstString* name,
                                               TCefConstString* value);
  TCefBool(CEF_CALLBACK* has_arguments)(TCefCommandLine* self);
  void(CEF_CALLBACK* get_arguments)(TCefCommandLine* self, TCefStringList arguments);
  void(CEF_CALLBACK* append_argument)(TCefCommandLine* self, TCefConstString* argument);
  void(CEF_CALLBACK* prepend_wrapper)(TCefCommandLine* self, TCefConstString* wrapper);
};

struct TCefSchemeRegistrar {
  TCefBase base;
  TCefBool(CEF_CALLBACK* add_custom_scheme)(TCefSchemeRegistrar* self, TCefConstString* scheme_name,
                                            TCefBool is_standard, TCefBool is_local,
                                            TCefBool is_display_isolated);
};

/* ---- Menus, downloads and plug-ins --------------------------------------------------- */

struct TCefMenuModel {
  TCefBase base;
  TCefBool(CEF_CALLBACK* clear)(TCefMenuModel* self);
  int32_t(CEF_CALLBACK* get_count)(TCefMenuModel* self);
  TCefBool(CEF_CALLBACK* add_separator)(TCefMenuModel* self);
  TCefBool(CEF_CALLBACK* add_item)(TCefMenuModel* self, int32_t command_id, TCefConstString* label);
  TCefBool(CEF_CALLBACK* add_check_item)(TCefMenuModel* self, int32_t command_id,
                                         TCefConstString* label);
  TCefBool(CEF_CALLBACK* add_radio_item)(TCefMenuModel* self, int32_t command_id,
                                         TCefConstString* label, int32_t group_id);
  TCefMenuModel*(CEF_CALLBACK* add_sub_menu)(TCefMenuModel* self, int32_t command_id,
                                             TCefConstString* label);
  TCefBool(CEF_CALLBACK* insert_separator_at)(TCefMenuModel* self, int32_t index);
  TCefBool(CEF_CALLBACK* insert_item_at)(TCefMenuModel* self, int32_t index, int32_t command_id,
                                         TCefConstString* label);
  TCefBool(CEF_CALLBACK* insert_check_item_at)(TCefMenuModel* self, int32_t index,
                                               int32_t command_id, TCefConstString* label);
  TCefBool(CEF_CALLBACK* insert_radio_item_at)(TCefMenuModel* self, int32_t index,
                                               int32_t command_id, TCefConstString* label,
                                               int32_t group_id);
  TCefMenuModel*(CEF_CALLBACK* insert_sub_menu_at)(TCefMenuModel* self, int32_t index,
                                                   int32_t command_id, TCefConstString* label);
  TCefBool(CEF_CALLBACK* remove)(TCefMenuModel* self, int32_t command_id);
  TCefBool(CEF_CALLBACK* remove_at)(TCefMenuModel* self, int32_t index);
  int32_t(CEF_CALLBACK* get_index_of)(TCefMenuModel* self, int32_t command_id);
  int32_t(CEF_CALLBACK* get_command_id_at)(TCefMenuModel* self, int32_t index);
  TCefBool(CEF_CALLBACK* set_command_id_at)(TCefMenuModel* self, int32_t index, int32_t command_id);
  /* From here on each operation comes as a pair: by command id, then by index. */
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_label)(TCefMenuModel* self, int32_t command_id);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_label_at)(TCefMenuModel* self, int32_t index);
  TCefBool(CEF_CALLBACK* set_label)(TCefMenuModel* self, int32_t command_id,
                                    TCefConstString* label);
  TCefBool(CEF_CALLBACK* set_label_at)(TCefMenuModel* self, int32_t index, TCefConstString* label);
  TCefMenuItemType(CEF_CALLBACK* get_type)(TCefMenuModel* self, int32_t command_id);
  TCefMenuItemType(CEF_CALLBACK* get_type_at)(TCefMenuModel* self, int32_t index);
  int32_t(CEF_CALLBACK* get_group_id)(TCefMenuModel* self, int32_t command_id);
  int32_t(CEF_CALLBACK* get_group_id_at)(TCefMenuModel* self, int32_t index);
  TCefBool(CEF_CALLBACK* set_group_id)(TCefMenuModel* self, int32_t command_id, int32_t group_id);
  TCefBool(CEF_CALLBACK* set_group_id_at)(TCefMenuModel* self, int32_t index, int32_t group_id);
  TCefMenuModel*(CEF_CALLBACK* get_sub_menu)(TCefMenuModel* self, int32_t command_id);
  TCefMenuModel*(CEF_CALLBACK* get_sub_menu_at)(TCefMenuModel* self, int32_t index);
  TCefBool(CEF_CALLBACK* is_visible)(TCefMenuModel* self, int32_t command_id);
  TCefBool(CEF_CALLBACK* is_visible_at)(TCefMenuModel* self, int32_t index);
  TCefBool(CEF_CALLBACK* set_visible)(TCefMenuModel* self, int32_t command_id, TCefBool visible);
  TCefBool(CEF_CALLBACK* set_visible_at)(TCefMenuModel* self, int32_t index, TCefBool visible);
  TCefBool(CEF_CALLBACK* is_enabled)(TCefMenuModel* self, int32_t command_id);
  TCefBool(CEF_CALLBACK* is_enabled_at)(TCefMenuModel* self, int32_t index);
  TCefBool(CEF_CALLBACK* set_enabled)(TCefMenuModel* self, int32_t command_id, TCefBool enabled);
  TCefBool(CEF_CALLBACK* set_enabled_at)(TCefMenuModel* self, int32_t index, TCefBool enabled);
  TCefBool(CEF_CALLBACK* is_checked)(TCefMenuModel* self, int32_t command_id);
  TCefBool(CEF_CALLBACK* is_checked_at)(TCefMenuModel* self, int32_t index);
  TCefBool(CEF_CALLBACK* set_checked)(TCefMenuModel* self, int32_t command_id, TCefBool checked);
  TCefBool(CEF_CALLBACK* set_checked_at)(TCefMenuModel* self, int32_t index, TCefBool checked);
  TCefBool(CEF_CALLBACK* has_accelerator)(TCefMenuModel* self, int32_t command_id);
  TCefBool(CEF_CALLBACK* has_accelerator_at)(TCefMenuModel* self, int32_t index);
  TCefBool(CEF_CALLBACK* set_accelerator)(TCefMenuModel* self, int32_t command_id, int32_t key_code,
                                          TCefBool shift_pressed, TCefBool ctrl_pressed,
                                          TCefBool alt_pressed);
  TCefBool(CEF_CALLBACK* set_accelerator_at)(TCefMenuModel* self, int32_t index, int32_t key_code,
                                             TCefBool shift_pressed, TCefBool ctrl_pressed,
                                             TCefBool alt_pressed);
  TCefBool(CEF_CALLBACK* remove_accelerator)(TCefMenuModel* self, int32_t command_id);
  TCefBool(CEF_CALLBACK* remove_accelerator_at)(TCefMenuModel* self, int32_t index);
  TCefBool(CEF_CALLBACK* get_accelerator)(TCefMenuModel* self, int32_t command_id,
                                          int32_t* key_code, TCefBool* shift_pressed,
                                          TCefBool* ctrl_pressed, TCefBool* alt_pressed);
  TCefBool(CEF_CALLBACK* get_accelerator_at)(TCefMenuModel* self, int32_t index, int32_t* key_code,
                                             TCefBool* shift_pressed, TCefBool* ctrl_pressed,
                                             TCefBool* alt_pressed);
};

struct TCefContextMenuParams {
  TCefBase base;
  int32_t(CEF_CALLBACK* get_xcoord)(TCefContextMenuParams* self);
  int32_t(CEF_CALLBACK* get_ycoord)(TCefContextMenuParams* self);
  TCefContextMenuTypeFlags(CEF_CALLBACK* get_type_flags)(TCefContextMenuParams* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_link_url)(TCefContextMenuParams* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_unfiltered_link_url)(TCefContextMenuParams* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_source_url)(TCefContextMenuParams* self);
  TCefBool(CEF_CALLBACK* is_image_blocked)(TCefContextMenuParams* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_page_url)(TCefContextMenuParams* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_frame_url)(TCefContextMenuParams* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_frame_charset)(TCefContextMenuParams* self);
  TCefContextMenuMediaType(CEF_CALLBACK* get_media_type)(TCefContextMenuParams* self);
  TCefContextMenuMediaStateFlags(CEF_CALLBACK* get_media_state_flags)(TCefContextMenuParams* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_selection_text)(TCefContextMenuParams* self);
  TCefBool(CEF_CALLBACK* is_editable)(TCefContextMenuParams* self);
  TCefBool(CEF_CALLBACK* is_speech_input_enabled)(TCefContextMenuParams* self);
  TCefContextMenuEditStateFlags(CEF_CALLBACK* get_edit_state_flags)(TCefContextMenuParams* self);
};

struct TCefDownloadItem {
  TCefBase base;
  TCefBool(CEF_CALLBACK* is_valid)(TCefDownloadItem* self);
  TCefBool(CEF_CALLBACK* is_in_progress)(TCefDownloadItem* self);
  TCefBool(CEF_CALLBACK* is_complete)(TCefDownloadItem* self);
  TCefBool(CEF_CALLBACK* is_canceled)(TCefDownloadItem* self);
  int64_t(CEF_CALLBACK* get_current_speed)(TCefDownloadItem* self);
  int32_t(CEF_CALLBACK* get_percent_complete)(TCefDownloadItem* self);
  int64_t(CEF_CALLBACK* get_total_bytes)(TCefDownloadItem* self);
  int64_t(CEF_CALLBACK* get_received_bytes)(TCefDownloadItem* self);
  /* Returned in memory, like TCefv8Value.get_date_value. */
  RuntimeTime(CEF_CALLBACK* get_start_time)(TCefDownloadItem* self);
  RuntimeTime(CEF_CALLBACK* get_end_time)(TCefDownloadItem* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_full_path)(TCefDownloadItem* self);
  uint32_t(CEF_CALLBACK* get_id)(TCefDownloadItem* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_url)(TCefDownloadItem* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_suggested_file_name)(TCefDownloadItem* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_content_disposition)(TCefDownloadItem* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_mime_type)(TCefDownloadItem* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_referrer_charset)(TCefDownloadItem* self);
};

struct TCefWebPluginInfo {
  TCefBase base;
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_name)(TCefWebPluginInfo* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_path)(TCefWebPluginInfo* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_version)(TCefWebPluginInfo* self);
  TCefStringUserFreeUtf16(CEF_CALLBACK* get_description)(TCefWebPluginInfo* self);
};

/* ---- Callbacks through which a handler answers later -------------------------------- */

struct TCefBeforeDownloadCallback {
  TCefBase base;
  void(CEF_CALLBACK* cont)(TCefBeforeDownloadCallback* self, TCefConstString* download_path,
                           TCefBool show_dialog);
};

struct TCefDownloadItemCallback {
  TCefBase base;
  void(CEF_CALLBACK* cancel)(TCefDownloadItemCallback* self);
};

struct TCefAuthCallback {
  TCefBase base;
  void(CEF_CALLBACK* cont)(TCefAuthCallback* self, TCefConstString* username,
                           TCefConstString* password);
  void(CEF_CALLBACK* cancel)(TCefAuthCallback* self);
};

struct TCefJsDialogCallback {
  TCefBase base;
  void(CEF_CALLBACK* cont)(TCefJsDialogCallback* self, TCefBool success,
                           TCefConstString* user_input);
};

struct TCefQuotaCallback {
  TCefBase base;
  void(CEF_CALLBACK* cont)(TCefQuotaCallback* self, TCefBool allow);
  void(CEF_CALLBACK* cancel)(TCefQuotaCallback* self);
};

struct TCefGeolocationCallback {
  TCefBase base;
  void(CEF_CALLBACK* cont)(TCefGeolocationCallback* self, TCefBool allow);
};

/* ---- Exported functions -------------------------------------------------------------- */
/* Each family lists X(result, name, (parameters)). The loader resolves all 113 by name;
 * for each, T<name> is its pointer type and <name> its prototype. */

#define CEF_STRING_FUNCTIONS(X)                                                                    \
  X(int32_t, cef_string_wide_set,                                                                  \
    (const wchar_t* src, size_t src_len, TCefStringWide* output, int32_t copy))                    \
  X(int32_t, cef_string_utf8_set,                                                                  \
    (const char* src, size_t src_len, TCefStringUtf8* output, int32_t copy))                       \
  X(int32_t, cef_string_utf16_set,                                                                 \
    (const char16_t* src, size_t src_len, TCefStringUtf16* output, int32_t copy))                  \
  X(void, cef_string_wide_clear, (TCefStringWide * str))                                           \
  X(void, cef_string_utf8_clear, (TCefStringUtf8 * str))                                           \
  X(void, cef_string_utf16_clear, (TCefStringUtf16 * str))                                         \
  X(int32_t, cef_string_wide_cmp, (const TCefStringWide* str1, const TCefStringWide* str2))        \
  X(int32_t, cef_string_utf8_cmp, (const TCefStringUtf8* str1, const TCefStringUtf8* str2))        \
  X(int32_t, cef_string_utf16_cmp, (const TCefStringUtf16* str1, const TCefStringUtf16* str2))     \
  X(int32_t, cef_string_wide_to_utf8,                                                              \
    (const wchar_t* src, size_t src_len, TCefStringUtf8* output))                                  \
  X(int32_t, cef_string_utf8_to_wide, (const char* src, size_t src_len, TCefStringWide* output))   \
  X(int32_t, cef_string_wide_to_utf16,                                                             \
    (const wchar_t* src, size_t src_len, TCefStringUtf16* output))                                 \
  X(int32_t, cef_string_utf16_to_wide,                                                             \
    (const char16_t* src, size_t src_len, TCefStringWide* output))                                 \
  X(int32_t, cef_string_utf8_to_utf16, (const char* src, size_t src_len, TCefStringUtf16* output)) \
  X(int32_t, cef_string_utf16_to_utf8,                                                             \
    (const char16_t* src, size_t src_len, TCefStringUtf8* output))                                 \
  X(int32_t, cef_string_ascii_to_wide, (const char* src, size_t src_len, TCefStringWide* output))  \
  X(int32_t, cef_string_ascii_to_utf16,                                                            \
    (const char* src, size_t src_len, TCefStringUtf16* output))                                    \
  X(TCefStringUserFreeWide, cef_string_userfree_wide_alloc, (void))                                \
  X(TCefStringUserFreeUtf8, cef_string_userfree_utf8_alloc, (void))                                \
  X(TCefStringUserFreeUtf16, cef_string_userfree_utf16_alloc, (void))                              \
  X(void, cef_string_userfree_wide_free, (TCefStringUserFreeWide str))                             \
  X(void, cef_string_userfree_utf8_free, (TCefStringUserFreeUtf8 str))                             \
  X(void, cef_string_userfree_utf16_free, (TCefStringUserFreeUtf16 str))

#define CEF_STRING_MAP_FUNCTIONS(X)                                                             \
  X(TCefStringMap, cef_string_map_alloc, (void))                                                \
  X(int32_t, cef_string_map_size, (TCefStringMap map))                                          \
  X(int32_t, cef_string_map_find,                                                               \
    (TCefStringMap map, TCefConstString * key, TCefStringUtf16 * value))                        \
  X(int32_t, cef_string_map_key, (TCefStringMap map, int32_t index, TCefStringUtf16 * key))     \
  X(int32_t, cef_string_map_value, (TCefStringMap map, int32_t index, TCefStringUtf16 * value)) \
  X(int32_t, cef_string_map_append,                                                             \
    (TCefStringMap map, TCefConstString * key, TCefConstString * value))                        \
  X(void, cef_string_map_clear, (TCefStringMap map))                                            \
  X(void, cef_string_map_free, (TCefStringMap map))

#define CEF_STRING_LIST_FUNCTIONS(X)                                                               \
  X(TCefStringList, cef_string_list_alloc, (void))                                                 \
  X(int32_t, cef_string_list_size, (TCefStringList list))                                          \
  X(int32_t, cef_string_list_value, (TCefStringList list, int32_t index, TCefStringUtf16 * value)) \
  X(void, cef_string_list_append, (TCefStringList list, TCefConstString * value))                  \
  X(void, cef_string_list_clear, (TCefStringList list))                                            \
  X(void, cef_string_list_free, (TCefStringList list))                                             \
  X(TCefStringList, cef_string_list_copy, (TCefStringList list))

#define CEF_PROCESS_FUNCTIONS(X)                                                          \
  X(int32_t, cef_initialize,                                                              \
    (const RuntimeMainArgs* args, const RuntimeSettings* settings, TCefApp* application)) \
  X(int32_t, cef_execute_process, (const RuntimeMainArgs* args, TCefApp* application))    \
  X(void, cef_shutdown, (void))                                                           \
  X(void, cef_do_message_loop_work, (void))                                               \
  X(void, cef_run_message_loop, (void))                                                   \
  X(void, cef_quit_message_loop, (void))

#define CEF_REGISTRATION_FUNCTIONS(X)                                     \
  X(TCefBool, cef_register_extension,                                     \
    (TCefConstString * extension_name, TCefConstString * javascript_code, \
     TCefv8Handler * handler))                                            \
  X(TCefBool, cef_register_scheme_handler_factory,                        \
    (TCefConstString * scheme_name, TCefConstString * domain_name,        \
     TCefSchemeHandlerFactory * factory))                                 \
  X(TCefBool, cef_clear_scheme_handler_factories, (void))                 \
  X(TCefBool, cef_add_cross_origin_whitelist_entry,                       \
    (TCefConstString * source_origin, TCefConstString * target_protocol,  \
     TCefConstString * target_domain, TCefBool allow_target_subdomains))  \
  X(TCefBool, cef_remove_cross_origin_whitelist_entry,                    \
    (TCefConstString * source_origin, TCefConstString * target_protocol,  \
     TCefConstString * target_domain, TCefBool allow_target_subdomains))  \
  X(TCefBool, cef_clear_cross_origin_whitelist, (void))

#define CEF_TASK_FUNCTIONS(X)                                           \
  X(TCefBool, cef_currently_on, (TCefThreadId thread_id))               \
  X(TCefBool, cef_post_task, (TCefThreadId thread_id, TCefTask * task)) \
  X(TCefBool, cef_post_delayed_task, (TCefThreadId thread_id, TCefTask * task, int64_t delay_ms))

#define CEF_URL_FUNCTIONS(X)                                                \
  X(TCefBool, cef_parse_url, (TCefConstString * url, TCefUrlParts * parts)) \
  X(TCefBool, cef_create_url, (const TCefUrlParts* parts, TCefStringUtf16* url))

#define CEF_BROWSER_FUNCTIONS(X)                                                 \
  X(TCefBool, cef_browser_host_create_browser,                                   \
    (const TCefWindowInfo* windowInfo, TCefClient* client, TCefConstString* url, \
     const TCefBrowserSettings* settings))                                       \
  X(TCefBrowser*, cef_browser_host_create_browser_sync,                          \
    (const TCefWindowInfo* windowInfo, TCefClient* client, TCefConstString* url, \
     const TCefBrowserSettings* settings))

#define CEF_REQUEST_FUNCTIONS(X)                 \
  X(TCefRequest*, cef_request_create, (void))    \
  X(TCefPostData*, cef_post_data_create, (void)) \
  X(TCefPostDataElement*, cef_post_data_element_create, (void))

#define CEF_STREAM_FUNCTIONS(X)                                                           \
  X(TCefStreamReader*, cef_stream_reader_create_for_file, (TCefConstString * fileName))   \
  X(TCefStreamReader*, cef_stream_reader_create_for_data, (void* data, size_t size))      \
  X(TCefStreamReader*, cef_stream_reader_create_for_handler, (TCefReadHandler * handler)) \
  X(TCefStreamWriter*, cef_stream_writer_create_for_file, (TCefConstString * fileName))   \
  X(TCefStreamWriter*, cef_stream_writer_create_for_handler, (TCefWriteHandler * handler))

/* Script contexts and values live in the web process, where no program code runs (only our
 * web-process extension): in the program's process our runtime answers these with null, 0 or
 * false, and cef_register_extension keeps nothing. */
#define CEF_SCRIPT_FUNCTIONS(X)                                                                   \
  X(TCefv8Context*, cef_v8context_get_current_context, (void))                                    \
  X(TCefv8Context*, cef_v8context_get_entered_context, (void))                                    \
  X(TCefBool, cef_v8context_in_context, (void))                                                   \
  X(TCefv8Value*, cef_v8value_create_undefined, (void))                                           \
  X(TCefv8Value*, cef_v8value_create_null, (void))                                                \
  X(TCefv8Value*, cef_v8value_create_bool, (TCefBool value))                                      \
  X(TCefv8Value*, cef_v8value_create_int, (int32_t value))                                        \
  X(TCefv8Value*, cef_v8value_create_uint, (uint32_t value))                                      \
  X(TCefv8Value*, cef_v8value_create_double, (double value))                                      \
  X(TCefv8Value*, cef_v8value_create_date, (const RuntimeTime* date))                             \
  X(TCefv8Value*, cef_v8value_create_string, (TCefConstString * value))                           \
  X(TCefv8Value*, cef_v8value_create_object, (TCefV8Accessor * accessor))                         \
  X(TCefv8Value*, cef_v8value_create_array, (int32_t length))                                     \
  X(TCefv8Value*, cef_v8value_create_function, (TCefConstString * name, TCefv8Handler * handler)) \
  X(TCefV8StackTrace*, cef_v8stack_trace_get_current, (int32_t frame_limit))

#define CEF_READER_FUNCTIONS(X)                                                           \
  X(TCefXmlReader*, cef_xml_reader_create,                                                \
    (TCefStreamReader * stream, TCefXmlEncodingType encodingType, TCefConstString * URI)) \
  X(TCefZipReader*, cef_zip_reader_create, (TCefStreamReader * stream))

#define CEF_STRING_MULTIMAP_FUNCTIONS(X)                                                           \
  X(TCefStringMultimap, cef_string_multimap_alloc, (void))                                         \
  X(int32_t, cef_string_multimap_size, (TCefStringMultimap map))                                   \
  X(int32_t, cef_string_multimap_find_count, (TCefStringMultimap map, TCefConstString * key))      \
  X(int32_t, cef_string_multimap_enumerate,                                                        \
    (TCefStringMultimap map, TCefConstString * key, int32_t value_index, TCefStringUtf16 * value)) \
  X(int32_t, cef_string_multimap_key,                                                              \
    (TCefStringMultimap map, int32_t index, TCefStringUtf16 * key))                                \
  X(int32_t, cef_string_multimap_value,                                                            \
    (TCefStringMultimap map, int32_t index, TCefStringUtf16 * value))                              \
  X(int32_t, cef_string_multimap_append,                                                           \
    (TCefStringMultimap map, TCefConstString * key, TCefConstString * value))                      \
  X(void, cef_string_multimap_clear, (TCefStringMultimap map))                                     \
  X(void, cef_string_multimap_free, (TCefStringMultimap map))

#define CEF_MISC_FUNCTIONS(X)                                                        \
  X(int32_t, cef_build_revision, (void))                                             \
  X(TCefCookieManager*, cef_cookie_manager_get_global_manager, (void))               \
  X(TCefCookieManager*, cef_cookie_manager_create_manager, (TCefConstString * path)) \
  X(TCefCommandLine*, cef_command_line_create, (void))                               \
  X(TCefCommandLine*, cef_command_line_get_global, (void))                           \
  X(TCefProcessMessage*, cef_process_message_create, (TCefConstString * name))       \
  X(TCefBinaryValue*, cef_binary_value_create, (const void* data, size_t data_size)) \
  X(TCefDictionaryValue*, cef_dictionary_value_create, (void))                       \
  X(TCefListValue*, cef_list_value_create, (void))                                   \
  X(TCefBool, cef_get_path, (TCefPathKey key, TCefStringUtf16 * path))               \
  X(TCefBool, cef_launch_process, (TCefCommandLine * command_line))                  \
  X(TCefResponse*, cef_response_create, (void))                                      \
  X(TCefUrlRequest*, cef_urlrequest_create, (TCefRequest * request, TCefUrlRequestClient * client))

#define CEF_PLUGIN_FUNCTIONS(X)                                            \
  X(void, cef_visit_web_plugin_info, (TCefWebPluginInfoVisitor * visitor)) \
  X(void, cef_refresh_web_plugins, (void))                                 \
  X(void, cef_add_web_plugin_path, (TCefConstString * path))               \
  X(void, cef_add_web_plugin_directory, (TCefConstString * dir))           \
  X(void, cef_remove_web_plugin_path, (TCefConstString * path))            \
  X(void, cef_unregister_internal_web_plugin, (TCefConstString * path))    \
  X(void, cef_force_web_plugin_shutdown, (TCefConstString * path))         \
  X(void, cef_register_web_plugin_crash, (TCefConstString * path))         \
  X(void, cef_is_web_plugin_unstable,                                      \
    (TCefConstString * path, TCefWebPluginUnstableCallback * callback))

/* All 113, in the order the loader resolves them. */
#define CEF_EXPORTED_FUNCTIONS(X)  \
  CEF_STRING_FUNCTIONS(X)          \
  CEF_STRING_MAP_FUNCTIONS(X)      \
  CEF_STRING_LIST_FUNCTIONS(X)     \
  CEF_PROCESS_FUNCTIONS(X)         \
  CEF_REGISTRATION_FUNCTIONS(X)    \
  CEF_TASK_FUNCTIONS(X)            \
  CEF_URL_FUNCTIONS(X)             \
  CEF_BROWSER_FUNCTIONS(X)         \
  CEF_REQUEST_FUNCTIONS(X)         \
  CEF_STREAM_FUNCTIONS(X)          \
  CEF_SCRIPT_FUNCTIONS(X)          \
  CEF_READER_FUNCTIONS(X)          \
  CEF_STRING_MULTIMAP_FUNCTIONS(X) \
  CEF_MISC_FUNCTIONS(X)            \
  CEF_PLUGIN_FUNCTIONS(X)

#define CEF_EXPORTED_FUNCTION_COUNT 113

#define CEF_DECLARE_FUNCTION_TYPE(result, name, params) typedef result(*T##name) params;
#define CEF_DECLARE_FUNCTION(result, name, params) CEF_EXPORT result name params;
CEF_EXPORTED_FUNCTIONS(CEF_DECLARE_FUNCTION_TYPE)
CEF_EXPORTED_FUNCTIONS(CEF_DECLARE_FUNCTION)
#undef CEF_DECLARE_FUNCTION_TYPE
#undef CEF_DECLARE_FUNCTION

#ifdef __cplusplus
}
#endif

#endif /* CORVANE_RUNTIME_BINDING_CEF_CAPI_H */
