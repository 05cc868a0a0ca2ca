#pragma once
// The Options dialog: the six options of the settings file, and the Send To
// registration applied on OK.

#include "platform/Handles.h"
#include "platform/Window.h"

namespace marovan {

class TF_opt : public win::Dialog {
public:
    // Shows the dialog modally, owned by and centred on `owner`.
    void ShowModal(HWND owner);

protected:
    void OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Button1Click();
    void Button2Click();
    bool OnCommand(int id);
    void OnDpiChanged(int dpi) override;
    // Places the controls for the dialog's DPI and gives them a font made for it.
    void LayOut();
    bool IsChecked(int id) const noexcept;
    // The Sub Search box is enabled only while the ERR Search box is ticked.
    void FollowErrSearch();

    win::UniqueFont font_;
};

} // namespace marovan
