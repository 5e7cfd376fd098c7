#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "Component.h"

// A list of same-sized images over the common controls' image list (32-bit with alpha). Icons
// are copied in; GetIcon hands out a new icon that the caller owns.
class TImageList : public TComponent {
public:
  explicit TImageList(TComponent* owner, int width = 16, int height = 16);
  ~TImageList() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const;
  HIMAGELIST Handle() const { return handle_; }

  // Returns the new image's index; throws EOutOfResources when the list cannot take it.
  int AddIcon(HICON icon);
  // Adds the icon resource of this name from the program file, at the list's size.
  int AddResourceIcon(const std::string& name);
  // Adds the bitmap resource of this name from the program file, cut into images of the list's
  // width; its pixels of colour transparent are see-through. Returns the first new index.
  int AddResourceBitmap(const std::string& name, COLORREF transparent);
  // A new icon of image index (the caller destroys it), or nullptr for an index out of range.
  HICON GetIcon(int index) const;
  void Clear();

private:
  HIMAGELIST handle_ = nullptr;
  int width_;
  int height_;
};
