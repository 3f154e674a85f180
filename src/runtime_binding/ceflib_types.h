#pragma once

#include <functional>

#include "DateUtils.h"
#include "RefCounted.h"
#include "ustring.h"

// The bridged interfaces, declared ahead so that each header can name the others.
class ICefBrowser;
class ICefBrowserHost;
class ICefFrame;
class ICefClient;
class ICefStringVisitor;
class ICefCookieManager;
class ICefCookieVisitor;
class ICefv8Value;
class ICefv8Context;
class ICefv8Handler;
class ICefV8Exception;
class ICefV8Accessor;
class ICefPostData;
class ICefPostDataElement;
class ICefRequest;
class ICefDomDocument;
class ICefDomNode;
class ICefDomEvent;
class ICefDomVisitor;
class ICefDomEventListener;
class ICefProcessMessage;
class ICefListValue;
class ICefDictionaryValue;
class ICefBinaryValue;
class ICefMenuModel;
class ICefContextMenuParams;
class ICefDownloadItem;
class ICefWebPluginInfo;
class ICefBeforeDownloadCallback;
class ICefDownloadItemCallback;
class ICefAuthCallback;
class ICefJsDialogCallback;
class ICefQuotaCallback;
class ICefGeolocationCallback;

// Procedures that the TCefFast... objects forward to.
using TCefStringVisitorProc = std::function<void(const ustring& str)>;
using TCefCookieVisitorProc = std::function<bool(
    const ustring& name, const ustring& value, const ustring& domain, const ustring& path,
    bool secure, bool httponly, bool hasExpires, TDateTime creation, TDateTime lastAccess,
    TDateTime expires, int32_t count, int32_t total, bool& deleteCookie)>;
using TCefDomVisitorProc = std::function<void(const TRef<ICefDomDocument>& document)>;
using TCefDomEventListenerProc = std::function<void(const TRef<ICefDomEvent>& event)>;
using TCefV8AccessorGetterProc =
    std::function<bool(const ustring& name, const TRef<ICefv8Value>& object,
                       TRef<ICefv8Value>& value, const ustring& exception)>;
using TCefV8AccessorSetterProc =
    std::function<bool(const ustring& name, const TRef<ICefv8Value>& object,
                       const TRef<ICefv8Value>& value, const ustring& exception)>;
