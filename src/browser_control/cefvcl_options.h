#pragma once

#include <cstdint>

#include "ustring.h"

// The browser's option flags, all off by default. The first 21 and the last 13 go into the
// two blocks of flags of the browser settings record, in this order.
struct TChromiumOptions {
  bool EncodingDetectorEnabled = false;
  bool JavascriptDisabled = false;
  bool JavascriptOpenWindowsDisallowed = false;
  bool JavascriptCloseWindowsDisallowed = false;
  bool JavascriptAccessClipboardDisallowed = false;
  bool DomPasteDisabled = false;
  bool CaretBrowsingEnabled = false;
  bool JavaDisabled = false;
  bool PluginsDisabled = false;
  bool UniversalAccessFromFileUrlsAllowed = false;
  bool FileAccessFromFileUrlsAllowed = false;
  bool WebSecurityDisabled = false;
  bool XssAuditorEnabled = false;
  bool ImageLoadDisabled = false;
  bool ShrinkStandaloneImagesToFit = false;
  bool SiteSpecificQuirksDisabled = false;
  bool TextAreaResizeDisabled = false;
  bool PageCacheDisabled = false;
  bool TabToLinksDisabled = false;
  bool HyperlinkAuditingDisabled = false;
  bool UserStyleSheetEnabled = false;

  bool AuthorAndUserStylesDisabled = false;
  bool LocalStorageDisabled = false;
  bool DatabasesDisabled = false;
  bool ApplicationCacheDisabled = false;
  bool WebglDisabled = false;
  bool AcceleratedCompositingDisabled = false;
  bool AcceleratedLayersDisabled = false;
  bool Accelerated2dCanvasDisabled = false;
  bool AcceleratedPaintingEnabled = false;
  bool AcceleratedFiltersEnabled = false;
  bool AcceleratedPluginsDisabled = false;
  bool DeveloperToolsDisabled = false;
  bool FullscreenEnabled = false;
};

// The browser's fonts: families empty and sizes 0 leave the runtime's own choice.
class TChromiumFontOptions {
 public:
  // Always empty: nothing sets the standard family.
  const ustring& StandardFontFamily() const { return FStandardFontFamily; }
  const ustring& FixedFontFamily() const { return FFixedFontFamily; }
  void SetFixedFontFamily(ustring value) { FFixedFontFamily = std::move(value); }
  const ustring& SerifFontFamily() const { return FSerifFontFamily; }
  void SetSerifFontFamily(ustring value) { FSerifFontFamily = std::move(value); }
  const ustring& SansSerifFontFamily() const { return FSansSerifFontFamily; }
  void SetSansSerifFontFamily(ustring value) { FSansSerifFontFamily = std::move(value); }
  const ustring& CursiveFontFamily() const { return FCursiveFontFamily; }
  void SetCursiveFontFamily(ustring value) { FCursiveFontFamily = std::move(value); }
  const ustring& FantasyFontFamily() const { return FFantasyFontFamily; }
  void SetFantasyFontFamily(ustring value) { FFantasyFontFamily = std::move(value); }
  int32_t DefaultFontSize() const { return FDefaultFontSize; }
  void SetDefaultFontSize(int32_t value) { FDefaultFontSize = value; }
  int32_t DefaultFixedFontSize() const { return FDefaultFixedFontSize; }
  void SetDefaultFixedFontSize(int32_t value) { FDefaultFixedFontSize = value; }
  int32_t MinimumFontSize() const { return FMinimumFontSize; }
  void SetMinimumFontSize(int32_t value) { FMinimumFontSize = value; }
  int32_t MinimumLogicalFontSize() const { return FMinimumLogicalFontSize; }
  void SetMinimumLogicalFontSize(int32_t value) { FMinimumLogicalFontSize = value; }
  bool RemoteFontsDisabled() const { return FRemoteFontsDisabled; }
  void SetRemoteFontsDisabled(bool value) { FRemoteFontsDisabled = value; }

 private:
  ustring FStandardFontFamily;
  ustring FCursiveFontFamily;
  ustring FSansSerifFontFamily;
  int32_t FMinimumLogicalFontSize = 0;
  ustring FFantasyFontFamily;
  ustring FSerifFontFamily;
  int32_t FDefaultFixedFontSize = 0;
  int32_t FDefaultFontSize = 0;
  bool FRemoteFontsDisabled = false;
  ustring FFixedFontFamily;
  int32_t FMinimumFontSize = 0;
};
