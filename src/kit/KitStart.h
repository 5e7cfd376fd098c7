#pragma once

class TKitXPThemeManager;
class TKitContainer;

// The kit's start steps, run once from the top of the program's entry point (and of each test
// main), before any form exists: the visual-styles library, then KitApplication with its mutex,
// then the theme manager and the default container (both without an owner). KitStop undoes
// them in reverse order. Nothing of this runs from a static initialiser.
void KitStart();
void KitStop();

extern TKitXPThemeManager* KitThemeManager;
extern TKitContainer* KitDefaultContainer;
