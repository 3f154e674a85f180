#pragma once

// The browser runtime binding: loading, strings, object bridge, the application object, the
// wrappers of runtime objects and the handler objects the runtime calls.
#include "ceflib_api.h"
#include "ceflib_app.h"
#include "ceflib_bridge.h"
#include "ceflib_browser.h"
#include "ceflib_client.h"
#include "ceflib_commandline.h"
#include "ceflib_cookies.h"
#include "ceflib_dom.h"
#include "ceflib_download.h"
#include "ceflib_errors.h"
#include "ceflib_extensions.h"
#include "ceflib_handlers_browser.h"
#include "ceflib_handlers_interaction.h"
#include "ceflib_loader.h"
#include "ceflib_menu.h"
#include "ceflib_request.h"
#include "ceflib_strings.h"
#include "ceflib_time.h"
#include "ceflib_v8.h"
#include "ceflib_values.h"
