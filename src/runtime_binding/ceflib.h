#pragma once

// The browser runtime binding: loading, strings, object bridge and the application object.
#include "ceflib_api.h"
#include "ceflib_app.h"
#include "ceflib_bridge.h"
#include "ceflib_commandline.h"
#include "ceflib_errors.h"
#include "ceflib_loader.h"
#include "ceflib_strings.h"
