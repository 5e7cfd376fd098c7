#include "KitBaseController.h"
#include <algorithm>

TKitControllerClient::~TKitControllerClient() {
  if (controller_) controller_->RemoveClient(this);
}

TKitBaseController::~TKitBaseController() {
  while (!clients_.empty()) RemoveClient(clients_.back());
}

void TKitBaseController::Change() {
  if (Locked() || Loading()) return;
  TKitCustomComponent::Change();
  // A client may unlink itself while told; walk a copy.
  auto clients = clients_;
  for (TKitControllerClient* c : clients)
    if (c->controller_ == this) c->ControllerChanged();
}

void TKitBaseController::AddClient(TKitControllerClient* client) {
  if (!client || client->controller_ == this) return;
  if (client->controller_) client->controller_->RemoveClient(client);
  client->controller_ = this;
  clients_.push_back(client);
}

void TKitBaseController::RemoveClient(TKitControllerClient* client) {
  auto it = std::find(clients_.begin(), clients_.end(), client);
  if (it == clients_.end()) return;
  client->controller_ = nullptr;
  clients_.erase(it);
}
