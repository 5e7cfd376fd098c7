#pragma once
#include "KitBaseController.h"

// The kit's list container. Its bitmap, image, string and wave lists are not built yet; the
// default instance made at kit start is a plain controller until they are.
class TKitContainer : public TKitBaseController {
public:
  explicit TKitContainer(TComponent* owner) : TKitBaseController(owner) {}
};
