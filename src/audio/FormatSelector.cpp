#include "FormatSelector.h"
#include "Application.h"
#include <memory>

TFormatSelector::TFormatSelector(TComponent* owner, ACMFORMATCHOOSEA& record)
    : TForm(owner, "TFormatSelector"), record_(record) {
  SetBorderStyle(bsNone);
  Position = poScreenCenter;
  SetBounds(Left(), Top(), 0, 0);
  // The chooser runs once the show has finished, from the modal loop.
  OnShow = [this](TComponent*) { PostMessageA(Handle(), WM_USER, 0, 0); };
}

bool TFormatSelector::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg != WM_USER) return TForm::WndProc(msg, wParam, lParam, result);
  record_.hwndOwner = Handle();
  MMRESULT r = acmFormatChooseA(&record_);
  ModalResult = r == 0 ? mrOk : r == ACMERR_CANCELED ? mrCancel : mrAbort;
  result = 0;
  return true;
}

int RunFormatSelector(ACMFORMATCHOOSEA& record) {
  Application.Initialize();
  std::unique_ptr<TFormatSelector> selector(NewForm<TFormatSelector>(&Application, record));
  return selector->ShowModal();
}
