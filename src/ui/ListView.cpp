#include "ListView.h"
#include <algorithm>

namespace {
const UINT kSelectionCheck = WM_APP + 0x140;
}

TListView::TListView(TComponent* owner) : TControl(owner) {
  defaultColor_ = clWindow;
  SetBounds(0, 0, 250, 150);
}

void TListView::CreateParams(TCreateParams& params) {
  InitCommonControlsOnce();
  params.className = WC_LISTVIEWA;
  params.style |= WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                  (showHeaders_ ? 0 : LVS_NOCOLUMNHEADER);
  params.exStyle |= WS_EX_CLIENTEDGE;
}

void TListView::HandleCreated() {
  Perform(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  if (GetFont()) FontChanged();
  for (int i = 0; i < ColumnCount(); ++i) InsertColumn(i);
  Perform(LVM_SETITEMCOUNT, rowCount_, 0);
  int row = lastIndex_;
  lastIndex_ = -1;
  if (row >= 0) SetItemIndex(row);
}

void TListView::FontChanged() {
  TColor color = FontColor() == clDefault ? clWindowText : FontColor();
  Perform(LVM_SETTEXTCOLOR, 0, ColorToRGB(color));
  Invalidate();
}

void TListView::InsertColumn(int index) {
  const TColumn& c = columns_[index];
  LVCOLUMNA col = {};
  col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  col.fmt = c.alignment == taCenter ? LVCFMT_CENTER : c.alignment == taRightJustify ? LVCFMT_RIGHT
                                                                                     : LVCFMT_LEFT;
  col.cx = c.width;
  col.pszText = const_cast<char*>(c.caption.c_str());
  Perform(LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&col));
}

int TListView::AddColumn(const std::string& caption, int width, TAlignment alignment) {
  columns_.push_back({caption, width, alignment});
  int index = ColumnCount() - 1;
  if (HandleAllocated()) InsertColumn(index);
  return index;
}

int TListView::ColumnWidth(int index) const {
  if (index < 0 || index >= ColumnCount()) return 0;
  if (HandleAllocated())
    const_cast<TColumn&>(columns_[index]).width =
        static_cast<int>(SendMessageA(Handle(), LVM_GETCOLUMNWIDTH, index, 0));
  return columns_[index].width;
}

void TListView::SetColumnWidth(int index, int width) {
  if (index < 0 || index >= ColumnCount()) return;
  columns_[index].width = std::max(0, width);
  Perform(LVM_SETCOLUMNWIDTH, index, MAKELPARAM(columns_[index].width, 0));
}

void TListView::SetShowColumnHeaders(bool show) {
  showHeaders_ = show;
  UpdateStyle(show ? 0 : LVS_NOCOLUMNHEADER, show ? LVS_NOCOLUMNHEADER : 0);
}

void TListView::SetRowCount(int count) {
  rowCount_ = std::max(0, count);
  if (!HandleAllocated()) {
    if (lastIndex_ >= rowCount_) SetItemIndex(-1);
    return;
  }
  if (ItemIndex() >= rowCount_) SetItemIndex(-1);
  Perform(LVM_SETITEMCOUNT, rowCount_, 0);
  Invalidate();
  SelectionMayHaveChanged();
}

void TListView::Refresh() { Invalidate(); }

void TListView::RefreshRow(int row) {
  if (row >= 0 && row < rowCount_) Perform(LVM_REDRAWITEMS, row, row);
}

int TListView::ItemIndex() const {
  if (!HandleAllocated()) return lastIndex_;
  return static_cast<int>(SendMessageA(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void TListView::SetItemIndex(int row) {
  if (row >= rowCount_) row = -1;
  if (row < -1) row = -1;
  if (!HandleAllocated()) {
    if (row == lastIndex_) return;
    lastIndex_ = row;
    if (OnSelectionChange) OnSelectionChange(this);
    return;
  }
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  settingIndex_ = true;
  if (row < 0) {
    Perform(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  } else {
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    Perform(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    Perform(LVM_ENSUREVISIBLE, row, FALSE);
  }
  settingIndex_ = false;
  SelectionMayHaveChanged();
}

void TListView::SelectionMayHaveChanged() {
  int now = ItemIndex();
  if (now == lastIndex_) return;
  lastIndex_ = now;
  if (OnSelectionChange) OnSelectionChange(this);
}

int TListView::RowAt(int x, int y) const {
  if (!HandleAllocated()) return -1;
  LVHITTESTINFO hit = {};
  hit.pt = {x, y};
  SendMessageA(Handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  return hit.iItem >= 0 && hit.iItem < rowCount_ ? hit.iItem : -1;
}

int TListView::TopRow() const {
  return HandleAllocated() ? static_cast<int>(SendMessageA(Handle(), LVM_GETTOPINDEX, 0, 0)) : 0;
}

bool TListView::Notify(NMHDR* header, LRESULT& result) {
  if (!Parent()) return false;  // the form is going away
  switch (header->code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW: {
      auto* nm = reinterpret_cast<NMLVDISPINFOA*>(header);
      result = 0;
      LVITEMA& item = nm->item;
      if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return true;
      cell_.clear();
      if (OnGetCell && item.iItem >= 0 && item.iItem < rowCount_) cell_ = OnGetCell(item.iItem, item.iSubItem);
      if (header->code == LVN_GETDISPINFOA) {
        lstrcpynA(item.pszText, cell_.c_str(), item.cchTextMax);
      } else {
        auto* text = reinterpret_cast<wchar_t*>(item.pszText);
        int n = MultiByteToWideChar(CP_ACP, 0, cell_.c_str(), -1, text, item.cchTextMax);
        if (n == 0) text[0] = L'\0';
        text[item.cchTextMax - 1] = L'\0';
      }
      return true;
    }
    case LVN_ITEMCHANGED: {
      // A new selection comes as a deselection, then a selection: only the end is reported.
      auto* nm = reinterpret_cast<NMLISTVIEW*>(header);
      if ((nm->uChanged & LVIF_STATE) && !settingIndex_) {
        if (nm->uNewState & LVIS_SELECTED)
          SelectionMayHaveChanged();
        else if (nm->uOldState & LVIS_SELECTED)
          PostMessageA(Handle(), kSelectionCheck, 0, 0);
      }
      result = 0;
      return true;
    }
    case LVN_ODSTATECHANGED:
      if (!settingIndex_) PostMessageA(Handle(), kSelectionCheck, 0, 0);
      result = 0;
      return true;
    case NM_DBLCLK:
      if (OnDblClick) OnDblClick(this);
      result = 0;
      return true;
    case LVN_BEGINDRAG: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(header);
      result = 0;
      if (DragMode != dmAutomatic || rowCount_ == 0) return true;
      bool dropped = ::BeginDrag(this, nm->ptAction, DragThreshold);
      if (OnEndDrag) OnEndDrag(this, dropped);
      return true;
    }
    default:
      return false;
  }
}

bool TListView::WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (msg == kSelectionCheck) {
    SelectionMayHaveChanged();
    result = 0;
    return true;
  }
  return MouseAndKeyDown(msg, wParam, lParam, result, OnMouseDown, OnKeyDown) ||
         TControl::WndProc(msg, wParam, lParam, result);
}
