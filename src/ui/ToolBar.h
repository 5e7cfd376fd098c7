#pragma once
#include <windows.h>
#include <commctrl.h>
#include <memory>
#include <string>
#include <vector>
#include "Action.h"
#include "Control.h"

class TMessageWindow;
class TToolBar;

enum TToolButtonStyle { tbsButton, tbsSeparator };

// One button of a tool bar, owned by it and added at its end. It shows an image of the bar's
// image list and, with the bar's ShowCaptions, its caption; Down keeps it pressed (a click does
// not change it). A click on an enabled button runs OnClick, or else the bound action, whose
// caption, enabled and checked (= Down) state it shows.
class TToolButton : public TComponent, public TActionClient {
public:
  explicit TToolButton(TToolBar* bar, TToolButtonStyle style = tbsButton);
  ~TToolButton() override;

  TToolBar* ToolBar() const { return bar_; }
  TToolButtonStyle Style() const { return style_; }
  int Index() const;
  int Command() const { return command_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int index);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Down() const { return down_; }
  void SetDown(bool down);
  // The button's rectangle in the bar's client coordinates.
  RECT BoundsRect() const;

  void Click();
  TNotifyEvent OnClick;
  // The left button pressed on the enabled button and released (x, y: the button's coordinates).
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;

private:
  friend class TToolBar;
  void ActionChanged() override;
  void UpdateState();

  TToolBar* bar_;
  TToolButtonStyle style_;
  int command_;
  std::string caption_;
  int imageIndex_ = -1;
  bool enabled_ = true;
  bool down_ = false;
};

// A flat bar of tool buttons over the platform's tool bar, aligned at the top by default.
class TToolBar : public TControl {
public:
  explicit TToolBar(TComponent* owner);
  ~TToolBar() override;

  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  TToolButton* Buttons(int index) const { return buttons_.at(index); }
  void SetImages(HIMAGELIST images);  // not owned
  bool ShowCaptions() const { return showCaptions_; }
  void SetShowCaptions(bool show);
  void SetButtonSize(int width, int height);

protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
  friend class TToolButton;
  void MouseEvent(TToolButton* button, const TMouseEvent& event, LPARAM lParam);
  void AddButton(TToolButton* button);
  void RemoveButton(TToolButton* button);
  void Rebuild();
  bool NotifyMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

  std::vector<TToolButton*> buttons_;
  TToolButton* pressed_ = nullptr;
  std::unique_ptr<TMessageWindow> notify_;  // the bar tells it of clicks (with the button id)
  HIMAGELIST images_ = nullptr;
  bool showCaptions_ = false;
  int buttonWidth_ = 23, buttonHeight_ = 22;
  int nextCommand_ = 1;
};
