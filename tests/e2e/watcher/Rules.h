#pragma once
#include <stdexcept>
#include <string>
#include <vector>
#include "Box.h"

// The rules of the watcher, one a line:  <match>... <action> [options]
//   match:   title=T  title~=T  class=C  text=T  text~=T  button=B  button~=B
//            ("~=" means "contains"; text looks at the static texts and edits; button at the
//            push buttons' captions without '&', any case)
//   before the action: select=ENTRY  select~=ENTRY  select=#N (first list or combo box; N from 0)
//                      edit=TEXT (first edit box)
//   action:  press=CAPTION  press~=CAPTION  press=#ID  press=default  close  ignore
//   options: after=MS (wait this long after the box appeared; default 300)  times=N (at most
//            N boxes; the next rule then matches)  again=MS (a box still up, enabled and
//            unchanged this long after it was answered is taken as shown again; 0: never;
//            default: the watcher's --again-after)
// Words may be put in double quotes ("a b", \" and \\ inside). '#' at the start of a line is a
// comment. The first rule that matches (and has times left) decides.
class ERuleError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct TTextMatch {
  bool set = false;
  bool contains = false;
  std::string text;
  bool Matches(const std::string& s) const;
  bool MatchesCaption(const std::string& caption) const;  // '&' removed, any case
};

struct TRule {
  enum TAction { acNone, acPress, acClose, acIgnore };
  std::string source;
  TTextMatch title, cls, text, button;
  TTextMatch select;
  int selectIndex = -1;
  bool hasEdit = false;
  std::string edit;
  TAction action = acNone;
  TTextMatch press;
  int pressId = -1;
  bool pressDefault = false;
  int after = 300;
  int times = -1;  // -1: no limit
  int again = -1;  // -1: the watcher's default
  int used = 0;

  bool Matches(const TBox& box) const;
  bool Exhausted() const { return times >= 0 && used >= times; }
};

// Splits a rule line into words (quotes removed); throws ERuleError on an open quote.
std::vector<std::string> SplitWords(const std::string& line);
// Throws ERuleError naming the word that is wrong.
TRule ParseRule(const std::string& line);
// Reads the rules of a file's text; blank and '#' lines are skipped. Errors name the line.
std::vector<TRule> ParseRules(const std::string& text);

// The first rule that matches the box and has times left, or nullptr.
TRule* FindRule(std::vector<TRule>& rules, const TBox& box);

// The button a press rule means, or -1 when the box has no such button (yet). Disabled buttons
// are found too: the caller waits until they are enabled.
int FindPressButton(const TRule& rule, const TBox& box);
// The default button of a box: the one marked default, else "OK", else the only button; -1 if none.
int FindDefaultButton(const TBox& box);
// The entry of the first list that the rule selects, or -1.
int FindSelectEntry(const TRule& rule, const TBox& box);
