#include "KitObject.h"

void TKitObject::Change() {
  if (!locked_ && OnChange) OnChange(this);
}

void TKitObject::EndUpdate(bool notify) {
  locked_ = false;
  if (notify) Change();
}
