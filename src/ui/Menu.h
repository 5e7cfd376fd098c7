#pragma once
#include <string>
#include <vector>
#include "Action.h"
#include "Control.h"
#include "ShortCut.h"

class TMenu;

// One entry of a menu: caption ("-" is a separator), shortcut (shown after a tab), enabled,
// checked and visible state, OnClick, or an action whose state it shows and which it executes.
// Items are owned by their form like any component; Add puts one under a parent item.
class TMenuItem : public TComponent, public TActionClient {
public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;

  void Add(TMenuItem* item);
  void Remove(TMenuItem* item);
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const { return items_.at(index); }
  TMenuItem* Parent() const { return parent_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut shortCut);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // The default entry is shown in bold; a double click on a tray icon runs it.
  bool Default() const { return default_; }
  void SetDefault(bool isDefault);

  // Runs OnClick, or else the action; nothing when the item is disabled.
  void Click();
  TNotifyEvent OnClick;

  WORD Command() const { return command_; }
  static TMenuItem* FromCommand(WORD command);
  // The item with this shortcut below this one, or nullptr.
  TMenuItem* FindShortCut(TShortCut shortCut);
  // True when this item and every parent are enabled and visible.
  bool Usable() const;

  HMENU Handle() const { return handle_; }

private:
  friend class TMenu;
  void ActionChanged() override;
  void Rebuild();
  void Update();
  void FillInfo(MENUITEMINFOA& info, std::string& text) const;
  void Changed();

  std::string caption_;
  TShortCut shortCut_ = scNone;
  bool enabled_ = true;
  bool checked_ = false;
  bool visible_ = true;
  bool default_ = false;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
  HMENU handle_ = nullptr;
  WORD command_ = 0;
  TMenu* menu_ = nullptr;  // set on a menu's root item
};

// The base of the main menu and the popup menus: a root item whose children are the entries.
class TMenu : public TComponent {
public:
  TMenuItem* Items() const { return items_; }
  HMENU Handle() const { return items_->Handle(); }
  // Clicks the usable item with this shortcut; false when there is none (a disabled item's
  // shortcut does nothing, and the key goes on to the focused control).
  bool IsShortCut(TShortCut shortCut);
  virtual void Changed() {}

protected:
  TMenu(TComponent* owner, bool bar);
  TMenuItem* items_;
};

class TForm;

// The menu bar of a form (TForm::SetMenu).
class TMainMenu : public TMenu {
public:
  explicit TMainMenu(TComponent* owner) : TMenu(owner, true) {}
  ~TMainMenu() override;
  void Changed() override;
  void AttachForm(TForm* form) { form_ = form; }
  void DetachForm(TForm* form);

private:
  TForm* form_ = nullptr;
};

// A menu shown at a point (a control's PopupMenu opens it on a right click).
class TPopupMenu : public TMenu {
public:
  explicit TPopupMenu(TComponent* owner) : TMenu(owner, false) {}
  // Shows the menu at screen coordinates and runs the chosen item; returns when it closes.
  void Popup(int x, int y);
  // The first visible item marked default, or nullptr.
  TMenuItem* DefaultItem() const;
  TNotifyEvent OnPopup;
  // Off: whoever owns the menu does not open it on a right click.
  bool AutoPopup = true;
  // The component that opened the menu last (set by the opener).
  TComponent* PopupComponent = nullptr;
};
