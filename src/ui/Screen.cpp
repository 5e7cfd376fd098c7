#include "Screen.h"
#include <windows.h>
#include <algorithm>
#include "Control.h"
#include "Form.h"

TScreen Screen;

std::vector<TForm*>& TScreen::List() const {
  // Never freed: forms may still leave the list while the program's statics are destroyed.
  static auto* forms = new std::vector<TForm*>;
  return *forms;
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }
int TScreen::FormCount() const { return static_cast<int>(List().size()); }

TForm* TScreen::Forms(int index) const {
  auto& list = List();
  return index >= 0 && index < static_cast<int>(list.size()) ? list[index] : nullptr;
}

TForm* TScreen::ActiveForm() const {
  HWND active = GetActiveWindow();
  if (auto* form = dynamic_cast<TForm*>(TControl::FromHandle(active))) return form;
  return active_;
}

void TScreen::AddForm(TForm* form) { List().push_back(form); }

void TScreen::RemoveForm(TForm* form) {
  auto& list = List();
  list.erase(std::remove(list.begin(), list.end(), form), list.end());
  if (active_ == form) active_ = nullptr;
}
