#include "Box.h"

bool operator==(const TBoxButton& a, const TBoxButton& b) {
  return a.text == b.text && a.id == b.id && a.isDefault == b.isDefault && a.enabled == b.enabled;
}

bool operator==(const TBoxList& a, const TBoxList& b) {
  return a.cls == b.cls && a.id == b.id && a.items == b.items && a.selected == b.selected;
}

bool operator==(const TBox& a, const TBox& b) {
  return a.cls == b.cls && a.title == b.title && a.enabled == b.enabled && a.texts == b.texts &&
         a.buttons == b.buttons && a.lists == b.lists && a.edits == b.edits && a.progress == b.progress;
}

std::string PlainCaption(const std::string& caption) {
  std::string plain;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    else if (caption[i] == '&') continue;
    plain += caption[i];
  }
  return plain;
}
