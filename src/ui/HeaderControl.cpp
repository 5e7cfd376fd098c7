#include "HeaderControl.h"
#include <commctrl.h>

THeaderControl::THeaderControl(TComponent* owner) : TControl(owner) {
  SetBounds(0, 0, 250, 17);
  SetAlign(alTop);
}

void THeaderControl::CreateParams(TCreateParams& params) {
  InitCommonControlsOnce();
  params.className = WC_HEADERA;
  params.style |= HDS_HORZ;
}

void THeaderControl::HandleCreated() {
  for (int i = 0; i < SectionCount(); ++i) InsertSection(i);
}

void THeaderControl::InsertSection(int index) {
  HDITEMA item = {};
  item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
  item.fmt = HDF_LEFT | HDF_STRING;
  item.cxy = sections_[index].width;
  item.pszText = const_cast<char*>(sections_[index].text.c_str());
  ++quiet_;
  Perform(HDM_INSERTITEMA, index, reinterpret_cast<LPARAM>(&item));
  --quiet_;
}

int THeaderControl::AddSection(const std::string& text, int width) {
  sections_.push_back({text, width});
  int index = SectionCount() - 1;
  if (HandleAllocated()) InsertSection(index);
  return index;
}

int THeaderControl::SectionWidth(int index) const {
  if (HandleAllocated()) {
    HDITEMA item = {};
    item.mask = HDI_WIDTH;
    if (SendMessageA(Handle(), HDM_GETITEMA, index, reinterpret_cast<LPARAM>(&item))) return item.cxy;
  }
  return sections_.at(index).width;
}

void THeaderControl::SetSectionWidth(int index, int width) {
  sections_.at(index).width = width;
  HDITEMA item = {};
  item.mask = HDI_WIDTH;
  item.cxy = width;
  ++quiet_;
  Perform(HDM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
  --quiet_;
}

int THeaderControl::SectionLeft(int index) const {
  int left = 0;
  for (int i = 0; i < index; ++i) left += SectionWidth(i);
  return left;
}

bool THeaderControl::Notify(NMHDR* header, LRESULT& result) {
  if (!Parent()) return false;
  if (header->code != HDN_ITEMCHANGEDA && header->code != HDN_ITEMCHANGEDW) return false;
  auto* nm = reinterpret_cast<NMHEADERA*>(header);
  result = 0;
  if (quiet_ || !nm->pitem || !(nm->pitem->mask & HDI_WIDTH)) return true;
  if (nm->iItem < 0 || nm->iItem >= SectionCount()) return true;
  sections_[nm->iItem].width = nm->pitem->cxy;
  if (OnSectionResize) OnSectionResize(this, nm->iItem);
  return true;
}
