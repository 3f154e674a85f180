#pragma once

#include <vector>

#include "ceflib_bridge.h"
#include "ceflib_calls.h"
#include "ceflib_types.h"

// A runtime string multimap owned by the program (request headers).
class ICefStringMultimap {
 public:
  virtual int AddRef() const = 0;
  virtual int Release() const = 0;
  virtual TCefStringMultimap Handle() const = 0;
  virtual int32_t GetSize() = 0;
  virtual int32_t FindCount(const ustring& key) = 0;
  virtual ustring GetEnumerate(const ustring& key, int32_t valueIndex) = 0;
  virtual ustring GetKey(int32_t index) = 0;
  virtual ustring GetValue(int32_t index) = 0;
  virtual bool Append(const ustring& key, const ustring& value) = 0;
  virtual void Clear() = 0;

 protected:
  virtual ~ICefStringMultimap() = default;
};

class TCefStringMultimapOwn : public ICefStringMultimap, private TRefCounted {
 public:
  TCefStringMultimapOwn();
  ~TCefStringMultimapOwn() override;

  int AddRef() const override { return TRefCounted::AddRef(); }
  int Release() const override { return TRefCounted::Release(); }
  TCefStringMultimap Handle() const override { return FMap; }
  int32_t GetSize() override;
  int32_t FindCount(const ustring& key) override;
  ustring GetEnumerate(const ustring& key, int32_t valueIndex) override;
  ustring GetKey(int32_t index) override;
  ustring GetValue(int32_t index) override;
  bool Append(const ustring& key, const ustring& value) override;
  void Clear() override;

 private:
  TCefStringMultimap FMap;
};

class ICefPostDataElement : public virtual ICefBase {
 public:
  virtual bool is_read_only() = 0;
  virtual void set_to_empty() = 0;
  virtual void set_to_file(const ustring& fileName) = 0;
  virtual void set_to_bytes(size_t size, const void* bytes) = 0;
  virtual TCefPostDataElementType get_type() = 0;
  virtual ustring get_file() = 0;
  virtual size_t get_bytes_count() = 0;
  virtual size_t get_bytes(size_t size, void* bytes) = 0;
};

class ICefPostData : public virtual ICefBase {
 public:
  virtual bool is_read_only() = 0;
  virtual size_t get_element_count() = 0;
  // Up to capacity elements, as many as the runtime reports.
  virtual std::vector<TRef<ICefPostDataElement>> get_elements(size_t capacity) = 0;
  virtual bool remove_element(const TRef<ICefPostDataElement>& element) = 0;
  virtual bool add_element(const TRef<ICefPostDataElement>& element) = 0;
  virtual void remove_elements() = 0;
};

class ICefRequest : public virtual ICefBase {
 public:
  virtual bool is_read_only() = 0;
  virtual ustring get_url() = 0;
  virtual ustring get_method() = 0;
  virtual TRef<ICefPostData> get_post_data() = 0;
  // Adds the headers to headerMap; nothing happens without one.
  virtual void get_header_map(const TRef<ICefStringMultimap>& headerMap) = 0;
  virtual void set_url(const ustring& value) = 0;
  virtual void set_method(const ustring& value) = 0;
  virtual void set_post_data(const TRef<ICefPostData>& value) = 0;
  virtual void set_header_map(const TRef<ICefStringMultimap>& headerMap) = 0;
  virtual int32_t get_flags() = 0;
  virtual void set_flags(int32_t flags) = 0;
  virtual ustring get_first_party_for_cookies() = 0;
  virtual void set_first_party_for_cookies(const ustring& url) = 0;
  virtual void set(const ustring& url, const ustring& method, const TRef<ICefPostData>& postData,
                   const TRef<ICefStringMultimap>& headerMap) = 0;
};

CEF_WRAPS(TCefPostDataElementRef, ICefPostDataElement, TCefPostDataElement);
CEF_WRAPS(TCefPostDataRef, ICefPostData, TCefPostData);
CEF_WRAPS(TCefRequestRef, ICefRequest, TCefRequest);

class TCefPostDataElementRef
    : public TCefBaseRefOf<TCefPostDataElementRef, ICefPostDataElement, TCefPostDataElement> {
  using T = TCefPostDataElement;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  static TRef<ICefPostDataElement> New();

  bool is_read_only() override { return CallEntry<bool>(Data(), &T::is_read_only); }
  void set_to_empty() override { CallEntry<void>(Data(), &T::set_to_empty); }
  void set_to_file(const ustring& fileName) override {
    CallEntry<void>(Data(), &T::set_to_file, fileName);
  }
  void set_to_bytes(size_t size, const void* bytes) override {
    CallEntry<void>(Data(), &T::set_to_bytes, size, bytes);
  }
  TCefPostDataElementType get_type() override {
    return CallEntry<TCefPostDataElementType>(Data(), &T::get_type);
  }
  ustring get_file() override { return CallEntry<ustring>(Data(), &T::get_file); }
  size_t get_bytes_count() override { return CallEntry<size_t>(Data(), &T::get_bytes_count); }
  size_t get_bytes(size_t size, void* bytes) override {
    return CallEntry<size_t>(Data(), &T::get_bytes, size, bytes);
  }
};

class TCefPostDataRef : public TCefBaseRefOf<TCefPostDataRef, ICefPostData, TCefPostData> {
  using T = TCefPostData;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  static TRef<ICefPostData> New();

  bool is_read_only() override { return CallEntry<bool>(Data(), &T::is_read_only); }
  size_t get_element_count() override { return CallEntry<size_t>(Data(), &T::get_element_count); }
  std::vector<TRef<ICefPostDataElement>> get_elements(size_t capacity) override;
  bool remove_element(const TRef<ICefPostDataElement>& element) override {
    return CallEntry<bool>(Data(), &T::remove_element, element);
  }
  bool add_element(const TRef<ICefPostDataElement>& element) override {
    return CallEntry<bool>(Data(), &T::add_element, element);
  }
  void remove_elements() override { CallEntry<void>(Data(), &T::remove_elements); }
};

class TCefRequestRef : public TCefBaseRefOf<TCefRequestRef, ICefRequest, TCefRequest> {
  using T = TCefRequest;

 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  static TRef<ICefRequest> New();

  bool is_read_only() override { return CallEntry<bool>(Data(), &T::is_read_only); }
  ustring get_url() override { return CallEntry<ustring>(Data(), &T::get_url); }
  ustring get_method() override { return CallEntry<ustring>(Data(), &T::get_method); }
  TRef<ICefPostData> get_post_data() override {
    return CallEntry<TRef<ICefPostData>>(Data(), &T::get_post_data);
  }
  void get_header_map(const TRef<ICefStringMultimap>& headerMap) override {
    if (headerMap) CallEntry<void>(Data(), &T::get_header_map, headerMap->Handle());
  }
  void set_url(const ustring& value) override { CallEntry<void>(Data(), &T::set_url, value); }
  void set_method(const ustring& value) override { CallEntry<void>(Data(), &T::set_method, value); }
  void set_post_data(const TRef<ICefPostData>& value) override {
    CallEntry<void>(Data(), &T::set_post_data, value);
  }
  void set_header_map(const TRef<ICefStringMultimap>& headerMap) override {
    CallEntry<void>(Data(), &T::set_header_map, HandleOf(headerMap));
  }
  int32_t get_flags() override { return CallEntry<int32_t>(Data(), &T::get_flags); }
  void set_flags(int32_t flags) override { CallEntry<void>(Data(), &T::set_flags, flags); }
  ustring get_first_party_for_cookies() override {
    return CallEntry<ustring>(Data(), &T::get_first_party_for_cookies);
  }
  void set_first_party_for_cookies(const ustring& url) override {
    CallEntry<void>(Data(), &T::set_first_party_for_cookies, url);
  }
  void set(const ustring& url, const ustring& method, const TRef<ICefPostData>& postData,
           const TRef<ICefStringMultimap>& headerMap) override {
    CallEntry<void>(Data(), &T::set, url, method, postData, HandleOf(headerMap));
  }

 private:
  static TCefStringMultimap HandleOf(const TRef<ICefStringMultimap>& map) {
    return map ? map->Handle() : nullptr;
  }
};
