#pragma once

#include <string>
#include <vector>

#include "Classes.h"

typedef struct _GtkWidget GtkWidget;

// Images by index, taken from the desktop's icon theme by icon name, so they follow the
// user's theme and scale.
class TImageList : public TComponent {
 public:
  using TComponent::TComponent;

  // Only 16 by 16 is offered, the size of menu and small tool-bar images.
  int Width() const { return 16; }
  int Height() const { return 16; }
  int Count() const { return static_cast<int>(FIconNames.size()); }
  void Add(std::string iconName) { FIconNames.push_back(std::move(iconName)); }
  // A new image widget of the image at index; nullptr outside the list.
  GtkWidget* NewImage(int index) const;

 private:
  std::vector<std::string> FIconNames;
};
