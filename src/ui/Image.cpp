#include "Image.h"
#include "Exception.h"

TImage::TImage(TComponent* owner) : TControl(owner) {
  parentColor_ = true;
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { Clear(); }

void TImage::Clear() {
  if (bitmap_) DeleteObject(bitmap_);
  if (icon_) DestroyIcon(icon_);
  bitmap_ = nullptr;
  icon_ = nullptr;
}

void TImage::SetBitmap(HBITMAP bitmap) {
  Clear();
  bitmap_ = bitmap;
  Invalidate();
}

void TImage::SetIcon(HICON icon) {
  Clear();
  icon_ = icon;
  Invalidate();
}

void TImage::LoadFromFile(const std::string& fileName) {
  bool isIcon = fileName.size() > 4 && _stricmp(fileName.c_str() + fileName.size() - 4, ".ico") == 0;
  HANDLE h = LoadImageA(nullptr, fileName.c_str(), isIcon ? IMAGE_ICON : IMAGE_BITMAP, 0, 0,
                        LR_LOADFROMFILE | (isIcon ? LR_DEFAULTSIZE : LR_CREATEDIBSECTION));
  if (!h) {
    int code = static_cast<int>(GetLastError());
    throw EInOutError("Cannot load the picture " + fileName, code ? code : ERROR_INVALID_DATA);
  }
  if (isIcon)
    SetIcon(static_cast<HICON>(h));
  else
    SetBitmap(static_cast<HBITMAP>(h));
}

void TImage::CreateParams(TCreateParams& params) {
  params.className = "TImage";
  params.ownClass = true;
}

bool TImage::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == WM_NCHITTEST) {
    result = HTTRANSPARENT;  // clicks go to what lies under the picture
    return true;
  }
  return TControl::WndProc(msg, wParam, lParam, result);
}

RECT TImage::Destination(const RECT& client, int width, int height) const {
  int cw = client.right - client.left, ch = client.bottom - client.top;
  int w = width, h = height;
  if (Stretch || (Proportional && (w > cw || h > ch))) {
    if (Proportional && w > 0 && h > 0) {
      if (static_cast<long long>(cw) * h < static_cast<long long>(ch) * w) {
        h = static_cast<int>(static_cast<long long>(h) * cw / w);
        w = cw;
      } else {
        w = static_cast<int>(static_cast<long long>(w) * ch / h);
        h = ch;
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  RECT r = {0, 0, w, h};
  if (Center) OffsetRect(&r, (cw - w) / 2, (ch - h) / 2);
  return r;
}

void TImage::Paint(HDC dc, const RECT& client) {
  if (icon_) {
    ICONINFO info = {};
    int w = GetSystemMetrics(SM_CXICON), h = GetSystemMetrics(SM_CYICON);
    if (GetIconInfo(icon_, &info)) {
      BITMAP bm = {};
      if (GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm)) {
        w = bm.bmWidth;
        h = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
      }
      if (info.hbmColor) DeleteObject(info.hbmColor);
      if (info.hbmMask) DeleteObject(info.hbmMask);
    }
    RECT r = Destination(client, w, h);
    DrawIconEx(dc, r.left, r.top, icon_, r.right - r.left, r.bottom - r.top, 0, nullptr, DI_NORMAL);
    return;
  }
  if (!bitmap_) return;
  BITMAP bm = {};
  GetObjectA(bitmap_, sizeof bm, &bm);
  RECT r = Destination(client, bm.bmWidth, bm.bmHeight);
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, bitmap_);
  SetStretchBltMode(dc, COLORONCOLOR);
  if (Transparent) {
    COLORREF key = GetPixel(mem, 0, bm.bmHeight - 1);
    TransparentBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, bm.bmWidth,
                   bm.bmHeight, key);
  } else {
    StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, mem, 0, 0, bm.bmWidth,
               bm.bmHeight, SRCCOPY);
  }
  SelectObject(mem, old);
  DeleteDC(mem);
}
