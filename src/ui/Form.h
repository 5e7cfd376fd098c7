#pragma once
#include "Control.h"

class TMainMenu;

enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderIcons = unsigned;
constexpr TBorderIcons biSystemMenu = 1, biMinimize = 2, biMaximize = 4;
enum TPosition { poDesigned, poScreenCenter, poMainFormCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsStayOnTop };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

// Modal results; the values are the platform's IDOK .. IDNO.
constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
              mrYes = 6, mrNo = 7;

struct TSizeConstraints {
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;  // 0: no limit
};

// A top-level window owned by the application window, of a window class of its own name (the
// main window's class is found by other instances). A derived form builds its components in its
// constructor, while the form is loading; AfterConstruction (run by Application.CreateForm or
// NewForm, or by the first Show) ends the load (Loaded) and runs OnCreate, whose exceptions go
// to Application.HandleException (the form still exists).
class TForm : public TControl {
public:
  explicit TForm(TComponent* owner, const std::string& className = "TForm");
  ~TForm() override;

  void AfterConstruction();
  // Runs OnDestroy, then deletes the form. Release does it later, from the message loop (safe
  // inside the form's own handlers).
  void Free();
  void Release();

  void Show();
  void Hide();
  void SetVisible(bool visible) override;
  // Shows the form modally: the other windows are disabled and a message loop (with idle work)
  // runs until ModalResult is set and the close query agrees; returns ModalResult.
  int ShowModal();
  void Close();
  bool CloseQuery();
  bool Modal() const { return modal_; }
  int ModalResult = mrNone;

  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle style);
  TBorderIcons BorderIcons() const { return borderIcons_; }
  void SetBorderIcons(TBorderIcons icons);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle style);
  void SetIcon(HICON icon);  // not owned
  void SetMenu(TMainMenu* menu);
  TMainMenu* Menu() const { return menu_; }

  TControl* ActiveControl() const { return activeControl_; }
  void SetActiveControl(TControl* control);

  // Tries a key as a shortcut of the main menu and of the action lists the form owns.
  bool IsShortCut(unsigned short shortCut);

  TPosition Position = poDesigned;
  TSizeConstraints Constraints;
  bool KeyPreview = false;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  std::function<void(TComponent* sender, TCloseAction& action)> OnClose;
  std::function<void(TComponent* sender, bool& canClose)> OnCloseQuery;
  TKeyEvent OnKeyDown;

protected:
  void CreateParams(TCreateParams& params) override;
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void ConstrainSize(int& width, int& height) override;

private:
  DWORD Style() const;
  DWORD ExStyle() const;
  void ApplyStyle();
  void ApplyPosition();
  void CloseModal();
  bool MenuCommand(WORD id);
  void DoDestroy();

  std::string className_;
  TBorderStyle borderStyle_ = bsSizeable;
  TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
  TFormStyle formStyle_ = fsNormal;
  TWindowState windowState_ = wsNormal;
  TMainMenu* menu_ = nullptr;
  TControl* activeControl_ = nullptr;
  HWND lastFocus_ = nullptr;
  bool constructed_ = false;
  bool destroyed_ = false;
  bool modal_ = false;
};

// Makes a form outside the application's list (owner as given) and completes its construction.
template <class T, class... Args>
T* NewForm(Args&&... args) {
  T* form = new T(std::forward<Args>(args)...);
  form->AfterConstruction();
  return form;
}
