#include "ImageList.h"
#include "Control.h"
#include "Exception.h"

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(width), height_(height) {
  InitCommonControlsOnce();
  handle_ = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 4, 4);
  if (!handle_) throw EOutOfResources("Cannot create an image list");
}

TImageList::~TImageList() {
  if (handle_) ImageList_Destroy(handle_);
}

int TImageList::Count() const { return ImageList_GetImageCount(handle_); }

int TImageList::AddIcon(HICON icon) {
  int index = icon ? ImageList_AddIcon(handle_, icon) : -1;
  if (index < 0) throw EOutOfResources("Cannot add an image to the image list");
  return index;
}

int TImageList::AddResourceIcon(const std::string& name) {
  HICON icon = static_cast<HICON>(
      LoadImageA(GetModuleHandleA(nullptr), name.c_str(), IMAGE_ICON, width_, height_, 0));
  if (!icon) throw EOutOfResources("Cannot load the icon resource " + name);
  struct TIconHolder {
    HICON icon;
    ~TIconHolder() { DestroyIcon(icon); }
  } holder{icon};
  return AddIcon(icon);
}

int TImageList::AddResourceBitmap(const std::string& name, COLORREF transparent) {
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), name.c_str(), IMAGE_BITMAP, 0, 0, 0));
  if (!bitmap) throw EOutOfResources("Cannot load the bitmap resource " + name);
  int index = ImageList_AddMasked(handle_, bitmap, transparent);
  DeleteObject(bitmap);
  if (index < 0) throw EOutOfResources("Cannot add the bitmap " + name + " to the image list");
  return index;
}

HICON TImageList::GetIcon(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return ImageList_GetIcon(handle_, index, ILD_NORMAL);
}

void TImageList::Clear() { ImageList_RemoveAll(handle_); }
