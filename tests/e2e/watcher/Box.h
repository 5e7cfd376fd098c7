#pragma once
#include <string>
#include <vector>

// What the watcher saw of one top-level window: plain data, so that rules can be matched and
// the log written without touching the window again. Texts are UTF-8.
struct TBoxButton {
  std::string text;
  int id = 0;
  bool isDefault = false;
  bool enabled = true;
};

struct TBoxList {
  std::string cls;  // "ListBox" or "ComboBox"
  int id = 0;
  std::vector<std::string> items;
  int selected = -1;
};

struct TBox {
  std::string cls;
  std::string title;
  unsigned pid = 0;
  bool boxLike = false;  // a dialog: may be answered by the default rule
  bool enabled = true;
  std::vector<std::string> texts;  // static texts, group and check box captions
  std::vector<TBoxButton> buttons;
  std::vector<TBoxList> lists;
  std::vector<std::string> edits;
  std::vector<int> progress;  // positions of the progress bars
};

bool operator==(const TBoxButton& a, const TBoxButton& b);
bool operator==(const TBoxList& a, const TBoxList& b);
bool operator==(const TBox& a, const TBox& b);

// A button caption as a person reads it: the '&' of the accelerator removed ("&&" is one '&').
std::string PlainCaption(const std::string& caption);
