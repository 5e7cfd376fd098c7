#pragma once
#include <vector>
#include "Control.h"

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A multi-line text box whose lines are its text split at line breaks. Its text limit is the
// platform's largest, not the default 30000 characters, so a log in it never stops growing.
class TMemo : public TControl {
public:
  explicit TMemo(TComponent* owner);

  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
  void Clear() { SetCaption(""); }
  // Appends one line at the end (a line break is added first when the last line is not empty).
  void Add(const std::string& line);
  std::vector<std::string> Lines() const;
  void SetLines(const std::vector<std::string>& lines);
  int LineCount() const { return static_cast<int>(Lines().size()); }

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool on);
  TScrollStyle ScrollBars = ssNone;  // set before the memo gets its parent
  bool WordWrap = true;              // likewise
  TNotifyEvent OnChange;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Command(WORD code) override;

private:
  bool readOnly_ = false;
};
