#pragma once
#include <functional>
#include "Form.h"

class TComboBox;
class TButton;

// The port selection dialog: lists the usable ports COM1..COM50 and gives the chosen number.
class TComSelectForm : public TForm {
public:
  explicit TComSelectForm(TComponent* owner, std::function<bool(int)> probe = nullptr);

  // The number of the selected entry ("COM12" gives 12); 0 when nothing is selected.
  WORD SelectedComPort() const;

  TComboBox* PortsComboBox;
  TButton* OkBtn;
  TButton* AbortBtn;

private:
  void FormCreate(TComponent* sender);
  std::function<bool(int)> probe_;
};

// Makes the serial port component's prompt show this dialog modally: Cancel, or OK with an empty
// list, refuses the open. probe decides which ports are listed (tests pass their own).
void InstallComSelectPrompt(std::function<bool(int)> probe = nullptr);
