#include "Action.h"
#include <algorithm>

std::vector<TAction*> TActionList::Actions() const {
  std::vector<TAction*> list;
  for (TComponent* c : Components())
    if (auto* a = dynamic_cast<TAction*>(c)) list.push_back(a);
  return list;
}

bool TActionList::IsShortCut(TShortCut shortCut) {
  for (TAction* a : Actions())
    if (a->ShortCut() == shortCut && a->Enabled()) return a->Execute();
  return false;
}

TActionClient::~TActionClient() {
  if (action_) action_->RemoveClient(this);
}

void TActionClient::SetAction(TAction* action) {
  if (action_ == action) return;
  if (action_) action_->RemoveClient(this);
  action_ = action;
  if (action_) {
    action_->AddClient(this);
    ActionChanged();
  }
}

TAction::TAction(TActionList* list) : TComponent(list) {}

TAction::~TAction() {
  auto clients = clients_;
  clients_.clear();
  for (TActionClient* c : clients) c->ActionFreed();
}

void TAction::SetCaption(const std::string& caption) {
  caption_ = caption;
  Changed();
}

void TAction::SetShortCut(TShortCut shortCut) {
  shortCut_ = shortCut;
  Changed();
}

void TAction::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Changed();
}

void TAction::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  Changed();
}

bool TAction::Execute() {
  if (!enabled_ || !OnExecute) return false;
  OnExecute(this);
  return true;
}

void TAction::AddClient(TActionClient* client) {
  if (std::find(clients_.begin(), clients_.end(), client) == clients_.end())
    clients_.push_back(client);
}

void TAction::RemoveClient(TActionClient* client) {
  clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
}

void TAction::Changed() {
  auto clients = clients_;
  for (TActionClient* c : clients) c->ActionChanged();
}
