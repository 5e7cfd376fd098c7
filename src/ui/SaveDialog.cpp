#include "SaveDialog.h"
#include <windows.h>
#include <commdlg.h>
#include <vector>
#include "Application.h"
#include "Exception.h"
#include "Form.h"
#include "TaskWindows.h"

namespace {
HWND OwnerWindow(TComponent* owner) {
  for (TComponent* c = owner; c; c = c->Owner())
    if (auto* form = dynamic_cast<TForm*>(c))
      if (form->HandleAllocated() && IsWindowVisible(form->Handle())) return form->Handle();
  HWND active = GetActiveWindow();
  return active ? active : Application.Handle();
}
}

bool TSaveDialog::Execute() {
  std::vector<char> file(MAX_PATH * 4, '\0');
  lstrcpynA(file.data(), FileName.c_str(), static_cast<int>(file.size()));
  std::string filter = Filter;
  for (char& ch : filter)
    if (ch == '|') ch = '\0';
  filter.append(2, '\0');

  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = OwnerWindow(Owner());
  ofn.lpstrFilter = Filter.empty() ? nullptr : filter.c_str();
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
  ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;

  char folder[MAX_PATH] = {};
  DWORD kept = GetCurrentDirectoryA(MAX_PATH, folder);
  BOOL ok;
  {
    TTaskWindowsDisabler disabled(ofn.hwndOwner);
    ok = GetSaveFileNameA(&ofn);
  }
  if (kept > 0 && kept < MAX_PATH) SetCurrentDirectoryA(folder);
  if (!ok) {
    DWORD error = CommDlgExtendedError();
    if (error != 0)
      throw EOutOfResources("Cannot show the save dialog (error " + std::to_string(error) + ")");
    return false;
  }
  FileName = file.data();
  return true;
}
