// The life cycle of the grid's in-place editor: made on first need, shown over the current cell
// while the editor mode is on, loaded from GetEditText, reporting each change by SetEditText.
#include "CustomGrid.h"
#include "Font.h"

bool TCustomGrid::CanEditShow() const {
  return (options_ & (goEditing | goRowSelect)) == goEditing &&
         (editorMode_ || (options_ & goAlwaysShowEditor)) && HandleAllocated() && !Designing() &&
         current_.Col >= FixedCols() && current_.Row >= FixedRows();
}

void TCustomGrid::SetEditorMode(bool on) { on ? ShowEditor() : HideEditor(); }

void TCustomGrid::ShowEditor() {
  editorMode_ = true;
  UpdateEditor();
}

void TCustomGrid::HideEditor() {
  editorMode_ = false;
  CloseEditor();
}

void TCustomGrid::InvalidateEditor() {
  editorCell_ = {};
  UpdateEditor();
}

void TCustomGrid::CloseEditor() {
  editorCell_ = {};
  if (!editor_ || !editor_->Visible()) return;
  bool hadFocus = editor_->Focused();
  editor_->SetVisible(false);
  if (hadFocus) SetFocus();
}

void TCustomGrid::UpdateEditor() {
  if (!CanEditShow()) {
    CloseEditor();
    return;
  }
  if (!editor_) {
    editor_ = CreateEditor();
    editor_->SetVisible(false);
    if (GetFont()) editor_->SetFont(*GetFont());
    editor_->OnChange = [this](TComponent*) { EditorChanged(); };
    editor_->SetParent(this);
  }
  if (!(editorCell_ == current_)) {
    editorCell_ = current_;
    LoadEditor();
  }
  PlaceEditor();
}

void TCustomGrid::LoadEditor() {
  loadingEditor_ = true;
  editor_->SetMaxLength(GetEditLimit());
  editor_->SetText(GetEditText(editorCell_.Col, editorCell_.Row));
  editor_->SelectAll();
  loadingEditor_ = false;
}

void TCustomGrid::EditorChanged() {
  if (loadingEditor_ || !editorCell_.Valid()) return;
  SetEditText(editorCell_.Col, editorCell_.Row, editor_->Text());
}

void TCustomGrid::PlaceEditor() {
  if (!editor_ || !editorCell_.Valid()) return;
  RECT r = CellRect(editorCell_.Col, editorCell_.Row);
  if (IsRectEmpty(&r)) {  // scrolled away: it comes back with its cell
    bool hadFocus = editor_->Focused();
    editor_->SetVisible(false);
    if (hadFocus) SetFocus();
    return;
  }
  editor_->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  editor_->SetVisible(true);
  if (Focused()) editor_->SetFocus();
}
