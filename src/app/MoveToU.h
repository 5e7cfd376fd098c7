#pragma once
#include <string>
#include "Form.h"

class TButton;
class TLabel;
class TTreeView;

// The folder picker of "Move to...": a copy of the main window's folder tree, OK and Cancel.
class TMoveToForm : public TForm {
public:
  explicit TMoveToForm(TComponent* owner);

  // Shows the form modally; id is the chosen folder's id, empty when cancelled.
  void GetTargetFolder(std::string& id);

  TLabel* Label1;
  TTreeView* Tree;
  TButton* BtnOk;
  TButton* btnCancel;

private:
  void FormShow();
  void BtnOkClick();
  void btnCancelClick();
  std::string TargetFolderId;
};

extern TMoveToForm* MoveToForm;
