#pragma once
#include <string>
#include <vector>
#include "Control.h"

// A status bar of panels at the bottom of its parent, over the platform's status bar. Each panel
// has a width and a text; the last one reaches the right edge.
class TStatusBar : public TControl {
public:
  explicit TStatusBar(TComponent* owner);

  int AddPanel(int width);
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  int PanelWidth(int index) const { return panels_.at(index).width; }
  void SetPanelWidth(int index, int width);
  // The text as the bar shows it.
  std::string PanelText(int index) const;
  void SetPanelText(int index, const std::string& text);

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Resized() override;

private:
  struct TPanel {
    int width;
    std::string text;
  };
  void ApplyParts();
  std::vector<TPanel> panels_;
};
