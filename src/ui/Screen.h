#pragma once
#include <vector>

class TForm;

// The screen: its size in pixels, the forms that exist and the form that is active.
class TScreen {
public:
  int Width() const;
  int Height() const;
  int FormCount() const;
  TForm* Forms(int index) const;
  TForm* ActiveForm() const;

  // Kept by the forms themselves.
  void AddForm(TForm* form);
  void RemoveForm(TForm* form);
  void SetActiveForm(TForm* form) { active_ = form; }

private:
  std::vector<TForm*>& List() const;
  TForm* active_ = nullptr;
};

extern TScreen Screen;
