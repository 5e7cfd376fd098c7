#pragma once
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "Component.h"

class TFont;
class TForm;
class TPopupMenu;


// A colour: an RGB value, a system colour (0x80000000 | COLOR_xxx) or clDefault.
using TColor = unsigned;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clBtnFace = 0x80000000 | COLOR_BTNFACE;
constexpr TColor clWindow = 0x80000000 | COLOR_WINDOW;
constexpr TColor clWindowText = 0x80000000 | COLOR_WINDOWTEXT;
constexpr TColor clBlack = 0x000000, clWhite = 0xFFFFFF, clRed = 0x0000FF, clLime = 0x00FF00,
                 clBlue = 0xFF0000;
COLORREF ColorToRGB(TColor color);

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
#include "Alignment.h"

// Keyboard state of a key or mouse event.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4;
// Of a mouse press: the second press of a double click.
constexpr TShiftState ssDouble = 8;
TShiftState KeyboardShiftState();

enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TMouseEvent =
    std::function<void(TComponent* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TComponent* sender, TShiftState shift, int x, int y)>;
// The handler may change the key, or clear it (0) so that it goes no further.
using TKeyEvent = std::function<void(TComponent* sender, WORD& key, TShiftState shift)>;

// The base of every control and form: one window (a standard control subclassed, or a window
// of our own class that paints itself), its parent/child tree, bounds, alignment, visibility,
// enabled state, caption and colour. Settings are kept in the object and re-applied to the live
// window; the window is made once the parent has one, so a form's constructor can build its
// controls in any order. Notifications that Win32 sends to the parent (commands, scrolls,
// colours) are handed back to the control they came from.
class TControl : public TComponent {
public:
  explicit TControl(TComponent* owner);
  ~TControl() override;

  HWND Handle() const { return handle_; }
  bool HandleAllocated() const { return handle_ != nullptr; }
  static TControl* FromHandle(HWND hwnd);

  TControl* Parent() const { return parent_; }
  void SetParent(TControl* parent);
  const std::vector<TControl*>& Controls() const { return children_; }
  TForm* ParentForm() const;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  int ClientWidth() const;
  int ClientHeight() const;
  virtual void SetClientSize(int width, int height);
  void SetClientWidth(int v) { SetClientSize(v, ClientHeight()); }
  void SetClientHeight(int v) { SetClientSize(ClientWidth(), v); }

  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  // The window text: caption of labels, buttons, panels and forms; text of edits.
  std::string Caption() const;
  virtual void SetCaption(const std::string& caption);

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor color);
  // The control's own font (its colour becomes FontColor); without one it has the dialog font.
  void SetFont(const TFont& font);
  const TFont* GetFont() const { return font_.get(); }
  // The colour behind this control's children: its own, else its parent's.
  TColor BackColor() const;

  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu) { popupMenu_ = menu; }

  void SetFocus();
  bool Focused() const;
  void Invalidate();
  void BringToFront();
  void SendToBack();
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

  TNotifyEvent OnResize;

protected:
  struct TCreateParams {
    std::string className;  // a standard control class, or one of ours when ownClass
    DWORD style = 0;
    DWORD exStyle = 0;
    bool ownClass = false;
    HWND parent = nullptr;  // for top-level windows: the owner
  };
  virtual void CreateParams(TCreateParams& params) = 0;
  virtual void CreateHandle();
  // Called once the window exists, to push the settings kept in the object into it.
  virtual void HandleCreated() {}
  virtual void DestroyHandle();

  // Returns true when it handled the message; false lets the default procedure run.
  virtual bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // Runs the mouse-down and key-down events of a control that has them; true when the message
  // is done with (a key went through OnKeyDown).
  bool MouseAndKeyDown(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result,
                       const TMouseEvent& onMouseDown, const TKeyEvent& onKeyDown);

  // Notifications reflected from the parent.
  virtual void Command(WORD code) {}
  virtual bool Notify(NMHDR* header, LRESULT& result) { return false; }
  virtual void Scroll(WORD code) {}
  virtual HBRUSH CtlColor(HDC dc);
  // Painting of our own window classes.
  virtual void Paint(HDC dc, const RECT& client) {}
  virtual void Resized();
  virtual void FontChanged() {}
  // The height given to the window itself (a combo box adds its drop-down list).
  virtual int WindowHeight(int height) const { return height; }
  // Size limits applied by SetBounds (forms have constraints).
  virtual void ConstrainSize(int& width, int& height) {}

  void AlignControls();
  void UpdateStyle(DWORD set, DWORD clear, bool ex = false);
  HBRUSH BackBrush();
  HFONT Font() const;
  // Cached bounds, written by the window when it moves.
  void CacheBounds(int left, int top, int width, int height);

  mutable std::string caption_;
  bool visible_ = true;
  // Colour when Color is clDefault and the parent's colour is not taken.
  TColor defaultColor_ = clBtnFace;
  // Labels, check boxes and bevels show their parent's colour unless given their own.
  bool parentColor_ = false;
  // Kept behind its siblings (a bevel drawn around other controls).
  bool backmost_ = false;

private:
  static LRESULT CALLBACK OwnClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT Dispatch(TControl* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void Attach(HWND hwnd);
  bool Reflect(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void ReadBoundsFromWindow();

  HWND handle_ = nullptr;
  WNDPROC oldProc_ = nullptr;
  bool ownClass_ = false;
  TControl* parent_ = nullptr;
  std::vector<TControl*> children_;
  int left_ = 0, top_ = 0, width_ = 100, height_ = 25;
  TAlign align_ = alNone;
  bool enabled_ = true;
  bool aligning_ = false;
  TColor color_ = clDefault;
  TColor fontColor_ = clDefault;
  HBRUSH brush_ = nullptr;
  TColor brushColor_ = clDefault;
  TPopupMenu* popupMenu_ = nullptr;
  std::unique_ptr<TFont> font_;
};

// Registers one of our window classes (idempotent); forms and painted controls use it.
void RegisterControlClass(const std::string& className, WNDPROC proc, HBRUSH background,
                          HICON icon = nullptr);
// Makes sure the common controls (track bar, up-down, progress bar) are registered.
void InitCommonControlsOnce();
