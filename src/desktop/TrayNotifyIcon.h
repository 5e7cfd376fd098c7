#pragma once
#include <windows.h>
#include <shellapi.h>
#include <functional>
#include <memory>
#include <string>
#include "Control.h"

class TImageList;
class TMessageWindow;
class TPopupMenu;
class TTimer;
class TTrayFormHook;

using TCycleEvent = std::function<void(TComponent* sender, int nextIndex)>;

// One icon in the taskbar notification area: animated from an image list, mouse activity turned
// into events (a double click fires OnDblClick and no OnClick), a popup menu, and the main
// window hidden to the tray and restored. Hooks the application window and the owner's window.
// Set the properties while the owner loads: Loaded puts the icon in the tray.
class TTrayNotifyIcon : public TComponent {
public:
  static const UINT kCallbackMessage = 0x800;

  explicit TTrayNotifyIcon(TComponent* owner);
  ~TTrayNotifyIcon() override;

  // Each returns the shell's answer.
  virtual bool ShowIcon();
  virtual bool HideIcon();
  virtual bool ModifyIcon();

  // A balloon beside the icon with a title and a text (the shell's answer); the last one is kept.
  bool ShowBalloon(const std::string& title, const std::string& text);
  const std::string& LastBalloon() const { return balloon_; }

  void ShowMainForm();
  void HideMainForm();

  bool DesignPreview() const { return designPreview_; }
  void SetDesignPreview(bool preview);
  TImageList* IconList() const { return iconList_; }
  void SetIconList(TImageList* list);
  bool CycleIcons() const { return cycleIcons_; }
  void SetCycleIcons(bool cycle);
  unsigned CycleInterval() const { return cycleInterval_; }
  void SetCycleInterval(unsigned interval);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool show);
  // The icon shown; the setter copies it.
  HICON Icon() const { return icon_; }
  void SetIcon(HICON icon);
  bool IconVisible() const { return iconVisible_; }
  void SetIconVisible(bool visible);
  int IconIndex() const { return iconIndex_; }
  void SetIconIndex(int index);
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(TPopupMenu* menu);

  bool Enabled = true;  // mouse events only while true
  bool LeftPopup = false;
  bool StartMinimized = false;
  bool MinimizeToTray = false;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TCycleEvent OnCycle;

  // The hidden window that the shell sends the mouse messages to.
  HWND Handle() const;
  // The tooltip as last given to the shell.
  const char* Tip() const { return data_.szTip; }

protected:
  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

  virtual void Click();
  virtual void DblClick();
  virtual void DoOnCycle(int nextIndex);
  virtual void MouseDown(TMouseButton button);
  virtual void MouseUp(TMouseButton button);
  virtual void MouseMove();
  virtual void DoMinimizeToTray();

private:
  friend class TTrayFormHook;
  bool Notify(DWORD operation);
  void FillData();
  bool TrayMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void IconMessage(UINT mouseMessage);
  bool ApplicationMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void ClickTimer();
  void CycleTimer();
  void ShowPopup();
  void TakeIcon(HICON icon);  // owns it
  HWND OwnerWindow() const;

  NOTIFYICONDATAA data_ = {};
  std::unique_ptr<TMessageWindow> window_;
  std::unique_ptr<TTimer> cycleTimer_;
  std::unique_ptr<TTimer> clickTimer_;
  std::unique_ptr<TTrayFormHook> formHook_;
  int appHook_ = 0;
  HICON icon_ = nullptr;
  TImageList* iconList_ = nullptr;
  TPopupMenu* popupMenu_ = nullptr;
  std::string hint_;
  std::string balloon_;
  bool designPreview_ = false;
  bool cycleIcons_ = false;
  unsigned cycleInterval_ = 0;
  bool showHint_ = true;
  bool iconVisible_ = true;
  int iconIndex_ = 0;
  bool leftDown_ = false;
  bool clickPending_ = false;
  bool dblClickDone_ = false;
};
