#include "KitStart.h"
#include "KitClass.h"
#include "KitCont.h"
#include "KitXPStyles.h"
#include "KitXPThemeManager.h"

TKitXPThemeManager* KitThemeManager = nullptr;
TKitContainer* KitDefaultContainer = nullptr;

void KitStart() {
  if (KitApplication) return;
  LoadThemeLibrary();
  KitApplication = new TKitApplication();
  KitThemeManager = new TKitXPThemeManager(nullptr);
  KitDefaultContainer = new TKitContainer(nullptr);
}

void KitStop() {
  delete KitDefaultContainer;
  KitDefaultContainer = nullptr;
  delete KitThemeManager;
  KitThemeManager = nullptr;
  delete KitApplication;
  KitApplication = nullptr;
  FreeThemeLibrary();
}
