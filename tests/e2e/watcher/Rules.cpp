#include "Rules.h"
#include <cstdlib>

namespace {
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

int Number(const std::string& word, const std::string& value, int min) {
  char* end = nullptr;
  long n = value.empty() ? -1 : std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end != 0 || n < min || n > 10000000)
    throw ERuleError("bad number in '" + word + "'");
  return static_cast<int>(n);
}

void SetText(TTextMatch& m, const std::string& key, const std::string& value, const std::string& word) {
  if (m.set) throw ERuleError("'" + key + "' given twice");
  if (value.empty()) throw ERuleError("empty text in '" + word + "'");
  m.set = true;
  m.contains = !key.empty() && key.back() == '~';
  m.text = value;
}

void SetAction(TRule& rule, TRule::TAction action) {
  if (rule.action != TRule::acNone) throw ERuleError("more than one action");
  rule.action = action;
}
}

bool TTextMatch::Matches(const std::string& s) const {
  return contains ? s.find(text) != std::string::npos : s == text;
}

bool TTextMatch::MatchesCaption(const std::string& caption) const {
  std::string c = Lower(PlainCaption(caption)), t = Lower(text);
  return contains ? c.find(t) != std::string::npos : c == t;
}

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) word += line[++i];
      else if (c == '"') quoted = false;
      else word += c;
    } else if (c == '"') {
      quoted = inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quoted) throw ERuleError("a quote is not closed");
  if (inWord) words.push_back(word);
  return words;
}

TRule ParseRule(const std::string& line) {
  TRule rule;
  rule.source = line;
  bool hasAfter = false, hasTimes = false, hasAgain = false;
  for (const std::string& word : SplitWords(line)) {
    size_t eq = word.find('=');
    std::string key = eq == std::string::npos ? word : word.substr(0, eq);
    std::string value = eq == std::string::npos ? "" : word.substr(eq + 1);
    if (eq == std::string::npos && key == "close") SetAction(rule, TRule::acClose);
    else if (eq == std::string::npos && key == "ignore") SetAction(rule, TRule::acIgnore);
    else if (eq == std::string::npos) throw ERuleError("unknown word '" + word + "'");
    else if (key == "title" || key == "title~") SetText(rule.title, key, value, word);
    else if (key == "class") SetText(rule.cls, key, value, word);
    else if (key == "text" || key == "text~") SetText(rule.text, key, value, word);
    else if (key == "button" || key == "button~") SetText(rule.button, key, value, word);
    else if (key == "select" && value.size() > 1 && value[0] == '#') {
      if (rule.select.set || rule.selectIndex >= 0) throw ERuleError("'select' given twice");
      rule.selectIndex = Number(word, value.substr(1), 0);
    } else if (key == "select" || key == "select~") {
      if (rule.selectIndex >= 0) throw ERuleError("'select' given twice");
      SetText(rule.select, key, value, word);
    } else if (key == "edit") {
      if (rule.hasEdit) throw ERuleError("'edit' given twice");
      rule.hasEdit = true;
      rule.edit = value;
    } else if (key == "press" || key == "press~") {
      SetAction(rule, TRule::acPress);
      if (key == "press" && value == "default") rule.pressDefault = true;
      else if (key == "press" && value.size() > 1 && value[0] == '#') rule.pressId = Number(word, value.substr(1), 0);
      else SetText(rule.press, key, value, word);
    } else if (key == "after" && !hasAfter) {
      rule.after = Number(word, value, 0);
      hasAfter = true;
    } else if (key == "again" && !hasAgain) {
      rule.again = Number(word, value, 0);
      hasAgain = true;
    } else if (key == "times" && !hasTimes) {
      rule.times = Number(word, value, 1);
      hasTimes = true;
    } else {
      throw ERuleError("unknown or repeated word '" + word + "'");
    }
  }
  if (!rule.title.set && !rule.cls.set && !rule.text.set && !rule.button.set)
    throw ERuleError("no match (title=, class=, text= or button=)");
  if (rule.action == TRule::acNone) throw ERuleError("no action (press=, close or ignore)");
  if (rule.action == TRule::acIgnore && (rule.select.set || rule.selectIndex >= 0 || rule.hasEdit))
    throw ERuleError("'ignore' with select= or edit=");
  return rule;
}

std::vector<TRule> ParseRules(const std::string& text) {
  std::vector<TRule> rules;
  size_t start = 0;
  for (int lineNo = 1; start < text.size() || start == 0; ++lineNo) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    size_t first = line.find_first_not_of(" \t\r");
    if (first != std::string::npos && line[first] != '#') {
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
      try {
        rules.push_back(ParseRule(line));
      } catch (const ERuleError& e) {
        throw ERuleError("line " + std::to_string(lineNo) + ": " + e.what());
      }
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return rules;
}

bool TRule::Matches(const TBox& box) const {
  if (title.set && !title.Matches(box.title)) return false;
  if (cls.set && !cls.Matches(box.cls)) return false;
  if (text.set) {
    bool found = false;
    for (const std::string& t : box.texts) found = found || text.Matches(t);
    for (const std::string& t : box.edits) found = found || text.Matches(t);
    if (!found) return false;
  }
  if (button.set) {
    bool found = false;
    for (const TBoxButton& b : box.buttons) found = found || button.MatchesCaption(b.text);
    if (!found) return false;
  }
  return true;
}

TRule* FindRule(std::vector<TRule>& rules, const TBox& box) {
  for (TRule& rule : rules)
    if (!rule.Exhausted() && rule.Matches(box)) return &rule;
  return nullptr;
}

int FindPressButton(const TRule& rule, const TBox& box) {
  if (rule.pressDefault) return FindDefaultButton(box);
  for (size_t i = 0; i < box.buttons.size(); ++i) {
    const TBoxButton& b = box.buttons[i];
    if (rule.pressId >= 0 ? b.id == rule.pressId : rule.press.MatchesCaption(b.text))
      return static_cast<int>(i);
  }
  return -1;
}

int FindDefaultButton(const TBox& box) {
  for (size_t i = 0; i < box.buttons.size(); ++i)
    if (box.buttons[i].isDefault) return static_cast<int>(i);
  for (size_t i = 0; i < box.buttons.size(); ++i)
    if (Lower(PlainCaption(box.buttons[i].text)) == "ok") return static_cast<int>(i);
  return box.buttons.size() == 1 ? 0 : -1;
}

int FindSelectEntry(const TRule& rule, const TBox& box) {
  if (box.lists.empty()) return -1;
  const std::vector<std::string>& items = box.lists[0].items;
  if (rule.selectIndex >= 0) return rule.selectIndex < static_cast<int>(items.size()) ? rule.selectIndex : -1;
  for (size_t i = 0; i < items.size(); ++i)
    if (rule.select.Matches(items[i])) return static_cast<int>(i);
  return -1;
}
