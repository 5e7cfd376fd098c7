#include "KitCustomComponent.h"

void TKitCustomComponent::Change() {
  if (!locked_ && OnChange) OnChange(this);
}

void TKitCustomComponent::EndUpdate(bool notify) {
  locked_ = false;
  if (notify) Change();
}
