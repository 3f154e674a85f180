#pragma once

#include "ceflib_bridge.h"
#include "ceflib_calls.h"
#include "ceflib_time.h"
#include "ceflib_types.h"

// Downloads, plug-in descriptions, and the callbacks through which a handler answers the
// runtime later.

class ICefDownloadItem : public virtual ICefBase {
 public:
  virtual bool is_valid() = 0;
  virtual bool is_in_progress() = 0;
  virtual bool is_complete() = 0;
  virtual bool is_canceled() = 0;
  virtual int64_t get_current_speed() = 0;
  virtual int32_t get_percent_complete() = 0;
  virtual int64_t get_total_bytes() = 0;
  virtual int64_t get_received_bytes() = 0;
  virtual TDateTime get_start_time() = 0;
  virtual TDateTime get_end_time() = 0;
  virtual ustring get_full_path() = 0;
  virtual uint32_t get_id() = 0;
  virtual ustring get_url() = 0;
  virtual ustring get_suggested_file_name() = 0;
  virtual ustring get_content_disposition() = 0;
  virtual ustring get_mime_type() = 0;
  virtual ustring get_referrer_charset() = 0;
};

class ICefWebPluginInfo : public virtual ICefBase {
 public:
  virtual ustring get_name() = 0;
  virtual ustring get_path() = 0;
  virtual ustring get_version() = 0;
  virtual ustring get_description() = 0;
};

class ICefBeforeDownloadCallback : public virtual ICefBase {
 public:
  virtual void cont(const ustring& downloadPath, bool showDialog) = 0;
};

class ICefDownloadItemCallback : public virtual ICefBase {
 public:
  virtual void cancel() = 0;
};

class ICefAuthCallback : public virtual ICefBase {
 public:
  virtual void cont(const ustring& username, const ustring& password) = 0;
  virtual void cancel() = 0;
};

class ICefJsDialogCallback : public virtual ICefBase {
 public:
  virtual void cont(bool success, const ustring& userInput) = 0;
};

class ICefQuotaCallback : public virtual ICefBase {
 public:
  virtual void cont(bool allow) = 0;
  virtual void cancel() = 0;
};

class ICefGeolocationCallback : public virtual ICefBase {
 public:
  virtual void cont(bool allow) = 0;
};

class TCefDownLoadItemRef
    : public TCefBaseRefOf<TCefDownLoadItemRef, ICefDownloadItem, TCefDownloadItem> {
  using T = TCefDownloadItem;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  bool is_valid() override { return CallEntry<bool>(Data(), &T::is_valid); }
  bool is_in_progress() override { return CallEntry<bool>(Data(), &T::is_in_progress); }
  bool is_complete() override { return CallEntry<bool>(Data(), &T::is_complete); }
  bool is_canceled() override { return CallEntry<bool>(Data(), &T::is_canceled); }
  int64_t get_current_speed() override { return CallEntry<int64_t>(Data(), &T::get_current_speed); }
  int32_t get_percent_complete() override {
    return CallEntry<int32_t>(Data(), &T::get_percent_complete);
  }
  int64_t get_total_bytes() override { return CallEntry<int64_t>(Data(), &T::get_total_bytes); }
  int64_t get_received_bytes() override {
    return CallEntry<int64_t>(Data(), &T::get_received_bytes);
  }
  TDateTime get_start_time() override { return CallEntry<TDateTime>(Data(), &T::get_start_time); }
  TDateTime get_end_time() override { return CallEntry<TDateTime>(Data(), &T::get_end_time); }
  ustring get_full_path() override { return CallEntry<ustring>(Data(), &T::get_full_path); }
  uint32_t get_id() override { return CallEntry<uint32_t>(Data(), &T::get_id); }
  ustring get_url() override { return CallEntry<ustring>(Data(), &T::get_url); }
  ustring get_suggested_file_name() override {
    return CallEntry<ustring>(Data(), &T::get_suggested_file_name);
  }
  ustring get_content_disposition() override {
    return CallEntry<ustring>(Data(), &T::get_content_disposition);
  }
  ustring get_mime_type() override { return CallEntry<ustring>(Data(), &T::get_mime_type); }
  ustring get_referrer_charset() override {
    return CallEntry<ustring>(Data(), &T::get_referrer_charset);
  }
};

class TCefWebPluginInfoRef
    : public TCefBaseRefOf<TCefWebPluginInfoRef, ICefWebPluginInfo, TCefWebPluginInfo> {
  using T = TCefWebPluginInfo;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;

  ustring get_name() override { return CallEntry<ustring>(Data(), &T::get_name); }
  ustring get_path() override { return CallEntry<ustring>(Data(), &T::get_path); }
  ustring get_version() override { return CallEntry<ustring>(Data(), &T::get_version); }
  ustring get_description() override { return CallEntry<ustring>(Data(), &T::get_description); }
};

class TCefBeforeDownloadCallbackRef
    : public TCefBaseRefOf<TCefBeforeDownloadCallbackRef, ICefBeforeDownloadCallback,
                           TCefBeforeDownloadCallback> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  void cont(const ustring& downloadPath, bool showDialog) override {
    CallEntry<void>(Data(), &TCefBeforeDownloadCallback::cont, downloadPath, showDialog);
  }
};

class TCefDownloadItemCallbackRef
    : public TCefBaseRefOf<TCefDownloadItemCallbackRef, ICefDownloadItemCallback,
                           TCefDownloadItemCallback> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  void cancel() override { CallEntry<void>(Data(), &TCefDownloadItemCallback::cancel); }
};

class TCefAuthCallbackRef
    : public TCefBaseRefOf<TCefAuthCallbackRef, ICefAuthCallback, TCefAuthCallback> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  void cont(const ustring& username, const ustring& password) override {
    CallEntry<void>(Data(), &TCefAuthCallback::cont, username, password);
  }
  void cancel() override { CallEntry<void>(Data(), &TCefAuthCallback::cancel); }
};

class TCefJsDialogCallbackRef
    : public TCefBaseRefOf<TCefJsDialogCallbackRef, ICefJsDialogCallback, TCefJsDialogCallback> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  void cont(bool success, const ustring& userInput) override {
    CallEntry<void>(Data(), &TCefJsDialogCallback::cont, success, userInput);
  }
};

class TCefQuotaCallbackRef
    : public TCefBaseRefOf<TCefQuotaCallbackRef, ICefQuotaCallback, TCefQuotaCallback> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  void cont(bool allow) override { CallEntry<void>(Data(), &TCefQuotaCallback::cont, allow); }
  void cancel() override { CallEntry<void>(Data(), &TCefQuotaCallback::cancel); }
};

class TCefGeolocationCallbackRef
    : public TCefBaseRefOf<TCefGeolocationCallbackRef, ICefGeolocationCallback,
                           TCefGeolocationCallback> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  void cont(bool allow) override { CallEntry<void>(Data(), &TCefGeolocationCallback::cont, allow); }
};

CEF_WRAPS(TCefDownLoadItemRef, ICefDownloadItem, TCefDownloadItem);
CEF_WRAPS(TCefWebPluginInfoRef, ICefWebPluginInfo, TCefWebPluginInfo);
CEF_WRAPS(TCefBeforeDownloadCallbackRef, ICefBeforeDownloadCallback, TCefBeforeDownloadCallback);
CEF_WRAPS(TCefDownloadItemCallbackRef, ICefDownloadItemCallback, TCefDownloadItemCallback);
CEF_WRAPS(TCefAuthCallbackRef, ICefAuthCallback, TCefAuthCallback);
CEF_WRAPS(TCefJsDialogCallbackRef, ICefJsDialogCallback, TCefJsDialogCallback);
CEF_WRAPS(TCefQuotaCallbackRef, ICefQuotaCallback, TCefQuotaCallback);
CEF_WRAPS(TCefGeolocationCallbackRef, ICefGeolocationCallback, TCefGeolocationCallback);
