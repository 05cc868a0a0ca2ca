#pragma once
// The About dialog: picture, name, version, rights and contact links, and the
// hidden switch (Shift+Ctrl+Alt with a left press on the picture) that shows
// or hides the main window's document text.

#include "platform/Handles.h"
#include "platform/Window.h"

#include <functional>

namespace marovan {

class TF_inf : public win::Dialog {
public:
    // `debugSwitch` is called when the hidden switch is pressed.
    explicit TF_inf(std::function<void()> debugSwitch)
        : debugSwitch_(std::move(debugSwitch)) {}
    // Shows the dialog modally, owned by and centred on `owner`.
    void ShowModal(HWND owner);

protected:
    void OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    enum class Link { None, Mail, Url };

    void CreateControls();
    HWND CreateLabel(const wchar_t* text, int id);
    void LoadPictures();
    void LayOut();
    void SetHover(Link link);
    Link LinkAt(POINT client) const;
    bool OnPicture(POINT client) const;

    // `keys`: the MK_ flags of the press.
    void Image1MouseDown(WPARAM keys);
    void LabelMouseEnter(Link link);
    void LabelMouseLeave(Link link);
    void LabelClick(Link link);
    void Button1Click();

    void OnMouseMove(POINT client);
    void OnMouseLeave();
    void OnLeftButtonDown(POINT client, WPARAM keys);
    void OnLeftButtonUp(POINT client);
    bool OnDrawItem(const DRAWITEMSTRUCT& item);
    LRESULT OnControlColour(HDC dc, HWND control);
    void OnDpiChanged(int dpi) override;

    std::function<void()> debugSwitch_;

    HWND image1_ = nullptr;
    HWND label1_ = nullptr;
    HWND label2_ = nullptr;
    HWND label3_ = nullptr;
    HWND bevel1_ = nullptr;
    HWND image2_ = nullptr;
    HWND label4_ = nullptr;
    HWND label5_ = nullptr;
    HWND button1_ = nullptr;

    win::UniqueFont font_;
    win::UniqueFont nameFont_;
    win::UniqueFont linkFont_;
    // Premultiplied 32-bit pictures, already fitted to their boxes.
    win::UniqueBitmap picture_;
    win::UniqueBitmap banner_;

    Link hover_ = Link::None;
    Link pressed_ = Link::None;
    bool trackingLeave_ = false;
    // Set by the switch press: the Alt key let go after it must not open the
    // window menu, which would swallow the next press.
    bool altOfSwitchPending_ = false;
};

} // namespace marovan
