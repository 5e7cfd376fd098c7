#pragma once
#include "ItemsControl.h"

// A list of text items with one selection. OnClick runs when the user selects an item.
class TListBox : public TItemsControl {
public:
  explicit TListBox(TComponent* owner);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;

protected:
  void CreateParams(TCreateParams& params) override;
  void Command(WORD code) override;
};
