#pragma once
#include "Control.h"

// A picture: a bitmap or an icon that the control owns, drawn at its size (Stretch), kept in
// proportion (Proportional) and centred (Center). A transparent bitmap leaves out the colour of
// its bottom-left pixel.
class TImage : public TControl {
public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  void SetBitmap(HBITMAP bitmap);  // takes ownership
  void SetIcon(HICON icon);        // takes ownership
  // Loads a .bmp or .ico file; throws EInOutError when it cannot be read.
  void LoadFromFile(const std::string& fileName);
  HBITMAP Bitmap() const { return bitmap_; }
  bool Empty() const { return !bitmap_ && !icon_; }

  bool Stretch = false;
  bool Proportional = false;
  bool Center = false;
  bool Transparent = false;

protected:
  void CreateParams(TCreateParams& params) override;
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void Paint(HDC dc, const RECT& client) override;

private:
  void Clear();
  RECT Destination(const RECT& client, int width, int height) const;
  HBITMAP bitmap_ = nullptr;
  HICON icon_ = nullptr;
};
