#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

#include "Application.h"
#include "JvFormPlacement.h"
#include "JvFormPlacement_update.h"
#include "Monitors.h"
#include "SysUtils.h"
#include "WindowPlacement.h"

namespace {

std::string JoinPath(const std::string& path, std::string_view name) {
  return TJvCustomAppStorage::ConcatPaths({path, name});
}

bool SizeOrLocation(TPlacementOptions options) {
  return options.Contains(fpSize) || options.Contains(fpLocation);
}

// Values saved with one desktop size stay apart from those saved with another.
std::string DesktopSuffix() {
  const TRect desktop = VirtualDesktopRect();
  return Format("(%dx%d)", desktop.Width(), desktop.Height());
}

void WritePositionText(TJvCustomAppStorage& storage, const std::string& path,
                       const std::string& name, const std::string& text) {
  storage.WriteString(JoinPath(path, name + DesktopSuffix()), text);
  storage.WriteString(JoinPath(path, name), text);
}

std::string ReadPositionText(TJvCustomAppStorage& storage, const std::string& path,
                             const std::string& name) {
  const std::string forDesktop = JoinPath(path, name + DesktopSuffix());
  if (storage.ValueStored(forDesktop)) return storage.ReadString(forDesktop, "");
  return storage.ReadString(JoinPath(path, name), "");
}

// The words of a position text, separated by blanks and commas.
class TPositionWords {
 public:
  explicit TPositionWords(std::string_view text) {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find_first_of(" ,", start);
      if (end == std::string_view::npos) end = text.size();
      if (end > start) FWords.push_back(text.substr(start, end - start));
      start = end + 1;
    }
  }

  // Word number (from 1) as a number; Default when it is missing or no number.
  int Word(size_t number, int Default) const {
    if (number == 0 || number > FWords.size()) return Default;
    const std::string_view word = FWords[number - 1];
    int value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    return error == std::errc() && end == word.data() + word.size() ? value : Default;
  }

 private:
  std::vector<std::string_view> FWords;
};

TRect NormalRectFromText(const TForm& form, const TPositionWords& words,
                         TPlacementOptions options) {
  const bool location = options.Contains(fpLocation);
  const int left = location ? words.Word(1, form.Left()) : form.Left();
  const int top = location ? words.Word(2, form.Top()) : form.Top();
  if (!options.Contains(fpSize)) return {left, top, left + form.Width(), top + form.Height()};
  // The stored size, moved to the chosen corner.
  return {left, top, words.Word(3, form.Width()) + left - words.Word(1, form.Left()),
          words.Word(4, form.Height()) + top - words.Word(2, form.Top())};
}

// A rectangle saved on another screen, at another resolution, or damaged is not applied, so the
// window never opens off-screen or inside out.
bool PlacementUsable(const TRect& rect, int32_t storedPixelsPerInch) {
  return storedPixelsPerInch == ScreenPixelsPerInch() && rect.Left < rect.Right &&
         rect.Top < rect.Bottom && PointOnMonitor({rect.Left, rect.Top}) &&
         PointOnMonitor({rect.Right - 1, rect.Bottom - 1});
}

// The restored bounds win over the position mode's defaults from now on.
void AdjustPositionMode(TForm& form, TPlacementOptions options) {
  const TPosition position = form.Position();
  if (options.Contains(fpSize) && options.Contains(fpLocation))
    form.SetPosition(poDesigned);
  else if (options.Contains(fpLocation))
    form.SetPosition(position == poDefault ? poDefaultSizeOnly : poDesigned);
  else if (position == poDefault)
    form.SetPosition(poDefaultPosOnly);
}

void LoadBounds(TForm& form, TJvCustomAppStorage& storage, const std::string& path,
                TPlacementOptions options, TWindowPlacement& placement) {
  placement.Flags = static_cast<uint32_t>(
      storage.ReadInteger(JoinPath(path, "Flags"), static_cast<int32_t>(placement.Flags)));
  bool dataFound = false;
  if (const std::string text = ReadPositionText(storage, path, "MinMaxPos"); !text.empty()) {
    dataFound = true;
    const TPositionWords words(text);
    if (options.Contains(fpLocation)) placement.MinPosition = {words.Word(1, 0), words.Word(2, 0)};
    if (options.Contains(fpSize)) placement.MaxPosition = {words.Word(3, 0), words.Word(4, 0)};
  }
  if (const std::string text = ReadPositionText(storage, path, "NormPos"); !text.empty()) {
    dataFound = true;
    placement.NormalPosition = NormalRectFromText(form, TPositionWords(text), options);
  }
  const int32_t pixelsPerInch =
      storage.ReadInteger(JoinPath(path, "PixelsPerInch"), ScreenPixelsPerInch());
  if (!dataFound || !PlacementUsable(placement.NormalPosition, pixelsPerInch)) return;
  AdjustPositionMode(form, options);
  SetWindowPlacement(form, placement);
}

// The state that a stored show command means; nullopt for commands of no known state.
std::optional<TWindowState> StoredWindowState(int32_t showCmd) {
  switch (showCmd) {
    case 1:  // normal, show, restore
    case 5:
    case 9:
      return wsNormal;
    case 2:  // minimized, minimize, minimized without activation
    case 6:
    case 7:
      return wsMinimized;
    case 3:
      return wsMaximized;
    default:
      return std::nullopt;
  }
}

void LoadState(TForm& form, TJvCustomAppStorage& storage, const std::string& path,
               int32_t currentShowCmd) {
  const TForm* mainForm = Application ? Application->MainForm() : nullptr;
  const bool mainOrNone = !mainForm || mainForm == &form;
  const TWindowState defaultState =
      mainOrNone && form.Position() == poDefault ? wsMaximized : wsNormal;
  const TWindowState state =
      StoredWindowState(storage.ReadInteger(JoinPath(path, "ShowCmd"), currentShowCmd))
          .value_or(defaultState);
  if (state == wsMinimized && mainOrNone) {
    // The main window is shown normally first and minimized as a whole application once shown.
    form.SetWindowState(wsNormal);
    PostMinimize(form);
    return;
  }
  form.SetWindowState(state);
}

}  // namespace

void StoreWindowPlacement(TForm& form, TJvCustomAppStorage& storage, const std::string& path,
                          TPlacementOptions options) {
  if (options == TPlacementOptions{fpActiveControl}) return;
  InsideUpdate(storage, [&] {
    const TWindowPlacement placement = GetWindowPlacement(form);
    if (options.Contains(fpState))
      storage.WriteInteger(JoinPath(path, "ShowCmd"), placement.ShowCmd);
    if (!SizeOrLocation(options)) return;
    storage.WriteInteger(JoinPath(path, "Flags"), static_cast<int32_t>(placement.Flags));
    storage.WriteInteger(JoinPath(path, "PixelsPerInch"), ScreenPixelsPerInch());
    WritePositionText(storage, path, "MinMaxPos",
                      Format("%d,%d,%d,%d", placement.MinPosition.X, placement.MinPosition.Y,
                             placement.MaxPosition.X, placement.MaxPosition.Y));
    const TRect& normal = placement.NormalPosition;
    WritePositionText(storage, path, "NormPos",
                      Format("%d,%d,%d,%d", normal.Left, normal.Top, normal.Right, normal.Bottom));
  });
}

void LoadWindowPlacement(TForm& form, TJvCustomAppStorage& storage, const std::string& path,
                         TPlacementOptions options) {
  if (options == TPlacementOptions{fpActiveControl}) return;
  InsideUpdate(storage, [&] {
    TWindowPlacement placement = GetWindowPlacement(form);
    const int32_t currentShowCmd = placement.ShowCmd;
    // Applying the record must not show a window that is still hidden.
    if (!form.Visible()) placement.ShowCmd = swHide;
    if (SizeOrLocation(options)) LoadBounds(form, storage, path, options, placement);
    if (options.Contains(fpState)) LoadState(form, storage, path, currentShowCmd);
  });
}
