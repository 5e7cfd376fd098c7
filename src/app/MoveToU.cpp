#include "MoveToU.h"
#include "Button.h"
#include "FolderTreeView.h"
#include "ImageList.h"
#include "Label.h"
#include "MainFormU.h"
#include "TreeView.h"

TMoveToForm* MoveToForm = nullptr;

TMoveToForm::TMoveToForm(TComponent* owner) : TForm(owner, "TMoveToForm") {
  SetCaption("Move");
  SetBorderStyle(bsDialog);
  SetBorderIcons(biSystemMenu);
  Position = poMainFormCenter;
  SetClientSize(260, 300);

  Label1 = new TLabel(this);
  Label1->SetParent(this);
  Label1->SetBounds(8, 8, 244, 14);
  Label1->SetCaption("Move the item(s) to the selected folder");
  Tree = new TTreeView(this);
  Tree->SetParent(this);
  Tree->SetBounds(8, 26, 244, 232);
  Tree->OnExpanded = [](TComponent*, TTreeNode* node) { ShowFolderImage(node); };
  Tree->OnCollapsed = [](TComponent*, TTreeNode* node) { ShowFolderImage(node); };

  auto button = [this](const char* caption, int left, std::function<void()> click) {
    auto* b = new TButton(this);
    b->SetParent(this);
    b->SetBounds(left, 268, 75, 25);
    b->SetCaption(caption);
    b->OnClick = [click](TComponent*) { click(); };
    return b;
  };
  BtnOk = button("OK", 96, [this] { BtnOkClick(); });
  BtnOk->SetDefault(true);
  btnCancel = button("Cancel", 177, [this] { btnCancelClick(); });
  btnCancel->SetCancel(true);
  SetActiveControl(Tree);

  OnShow = [this](TComponent*) { FormShow(); };
}

void TMoveToForm::GetTargetFolder(std::string& id) {
  ShowModal();
  id = TargetFolderId;
}

void TMoveToForm::FormShow() {
  TargetFolderId.clear();
  if (fmQdx) {
    Tree->SetImages(fmQdx->ImageList3->Handle());
    ShowFolderTree(*Tree, FolderTreeOf(*fmQdx->Tree));
  }
  Tree->FullExpand();
}

// With no folder selected there is nothing to take: the dialog stays open.
void TMoveToForm::BtnOkClick() {
  TTreeNode* node = Tree->Selected();
  if (!node) return;
  TargetFolderId = node->Data;
  ModalResult = mrOk;
}

void TMoveToForm::btnCancelClick() {
  TargetFolderId.clear();
  ModalResult = mrCancel;
}
