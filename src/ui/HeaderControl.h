#pragma once
#include <string>
#include <vector>
#include "Control.h"

// A row of column titles (sections) over the platform's header control; the user sizes a
// section by dragging its right edge, and OnSectionResize then runs with its index.
class THeaderControl : public TControl {
public:
  explicit THeaderControl(TComponent* owner);

  int AddSection(const std::string& text, int width);
  int SectionCount() const { return static_cast<int>(sections_.size()); }
  const std::string& SectionText(int index) const { return sections_.at(index).text; }
  int SectionWidth(int index) const;
  // Sets a width without running OnSectionResize.
  void SetSectionWidth(int index, int width);
  // The section's left edge in client coordinates.
  int SectionLeft(int index) const;

  std::function<void(TComponent* sender, int section)> OnSectionResize;

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  bool Notify(NMHDR* header, LRESULT& result) override;

private:
  struct TSection {
    std::string text;
    int width;
  };
  void InsertSection(int index);
  std::vector<TSection> sections_;
  int quiet_ = 0;
};
