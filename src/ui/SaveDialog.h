#pragma once
#include <string>
#include "Component.h"

// The platform's modal "save as" dialog. Filter is "Text|*.ext|Other|*.*". Execute shows it with
// FileName preset and returns true (FileName the chosen full path) when the user confirmed. The
// current folder is the same afterwards. The idle work waits while the dialog is open: the
// dialog moves the current folder while the user browses, and the idle work writes files
// relative to it.
class TSaveDialog : public TComponent {
public:
  explicit TSaveDialog(TComponent* owner) : TComponent(owner) {}

  std::string FileName;
  std::string Filter;
  std::string DefaultExt;  // without the dot; added to a name typed without an extension
  std::string InitialDir;
  std::string Title;

  bool Execute();
};
