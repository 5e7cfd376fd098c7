#pragma once
#include <string>
#include <vector>
#include "Control.h"
#include "ShortCut.h"

class TAction;

// A menu item or button bound to an action: it shows the action's caption, enabled and checked
// state, and executes the action when clicked.
class TActionClient {
public:
  virtual ~TActionClient();
  TAction* Action() const { return action_; }
  // Binds it to the action (nullptr: none) and shows the action's state at once.
  void SetAction(TAction* action);
  virtual void ActionChanged() = 0;
  void ActionFreed() { action_ = nullptr; }

private:
  TAction* action_ = nullptr;
};

// The actions of a form; it owns them. The form tries their shortcuts after its main menu's.
class TActionList : public TComponent {
public:
  explicit TActionList(TComponent* owner) : TComponent(owner) {}
  std::vector<TAction*> Actions() const;
  // Executes the enabled action with this shortcut; false when none (a disabled one does nothing).
  bool IsShortCut(TShortCut shortCut);
};

// One command with its caption, shortcut, enabled and checked state and one execute handler,
// shared by every menu item and button bound to it.
class TAction : public TComponent {
public:
  explicit TAction(TActionList* list);
  ~TAction() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut shortCut);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

  // Runs OnExecute (sender: the action) when enabled; false when disabled or without a handler.
  bool Execute();
  TNotifyEvent OnExecute;

  void AddClient(TActionClient* client);
  void RemoveClient(TActionClient* client);

private:
  void Changed();
  std::string caption_;
  TShortCut shortCut_ = scNone;
  bool enabled_ = true;
  bool checked_ = false;
  std::vector<TActionClient*> clients_;
};
