#pragma once
// The thin control layer the forms are built from. Every control is a real
// child window (so tests can find it by class and text) on the window base.
#include "toolkit/app.h"
#include "toolkit/handles.h"
#include "toolkit/window.h"
#include <oleacc.h>
#include <span>
#include <string>
#include <windows.h>

namespace tk {

// Window class names, also used by the test driver.
inline constexpr const char* kLabelClass = "TLabel";
inline constexpr const char* kSpeedButtonClass = "TSpeedButton";
inline constexpr const char* kBevelClass = "TBevel";
inline constexpr const char* kPageClass = "TTabSheet";
inline constexpr const char* kPageControlClass = "TPageControl";
inline constexpr const char* kImageClass = "TImage";

// Base of all our own controls.
class TControl : public TWindow {
public:
    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    // Paint now, before any long work that follows.
    void Repaint() const;
    std::string Caption() const;
    void SetCaption(const std::string& text);

protected:
    // Create the window at a 96-DPI rectangle relative to the parent.
    void CreateWnd(const char* cls, HWND parent, int id, int x, int y, int w, int h,
                   const std::string& text, DWORD style, DWORD exStyle = 0);
    // Default processing; answers a screen reader's WM_GETOBJECT with the role.
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);
    // The MSAA role (ROLE_SYSTEM_...) a screen reader is told.
    virtual LONG AccessibleRole() const = 0;

public:
    // The object WM_GETOBJECT hands out, for callers in this process (reference count 1).
    IAccessible* NewAccessibleObject() const;
};

// A static text in the window font or a style of it, with a colour.
class TLabel : public TControl {
public:
    struct Style {
        FontStyle font{};
        COLORREF color = CLR_INVALID; // CLR_INVALID: the window-text colour
        int fixedWidth = 0;           // 0: the label sizes itself to its text
        bool centred = false;
        bool transparent = false;
        bool link = false; // hand cursor, click notifies the parent
    };
    void Create(HWND parent, int id, int x, int y, const std::string& text, Style style);
    void SetFontStyle(FontStyle font);
    FontStyle GetFontStyle() const { return style_.font; }
    HFONT GetFont() const { return UiFont(style_.font); }
    int FixedWidth() const { return style_.fixedWidth; } // at 96 DPI; 0 when auto-sized
    void SetCaption(const std::string& text);            // resizes an auto-sized label

private:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    LONG AccessibleRole() const override;
    void Paint(HDC dc);
    void AutoSize();
    Style style_;
    int x96_ = 0, y96_ = 0;
};

// A control that only draws over its parent's background and takes no input.
class TGraphicControl : public TControl {
protected:
    virtual void Paint(HDC dc, const RECT& client) = 0;

private:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

// A bevel: a sunken frame, or a line at one edge.
class TBevel : public TGraphicControl {
public:
    enum class Shape { bsFrame, bsLeftLine, bsTopLine };
    void Create(HWND parent, int x, int y, int w, int h, Shape shape);

private:
    void Paint(HDC dc, const RECT& client) override;
    LONG AccessibleRole() const override;
    Shape shape_ = Shape::bsFrame;
};

// A picture control showing a bitmap or an icon from the resources.
class TImage : public TGraphicControl {
public:
    void CreateBitmap(HWND parent, int x, int y, int w, int h, int resourceId);
    void CreateIcon(HWND parent, int x, int y, int w, int h, int resourceId);

private:
    void Paint(HDC dc, const RECT& client) override;
    LONG AccessibleRole() const override;
    Bitmap bitmap_;
    Icon icon_;
};

// A flat button with an optional glyph; does not take the focus. The parent
// gets WM_COMMAND(id, BN_CLICKED). Its Alt accelerator works only while it is
// visible and enabled (see AccelChar()).
class TSpeedButton : public TControl {
public:
    enum class GlyphPos { None, Left, Right };
    void Create(HWND parent, int id, int x, int y, int w, int h, const std::string& caption,
                int glyphResource, GlyphPos pos, FontStyle font);
    char AccelChar() const;
    // Click as the user would: only when visible and enabled.
    bool ClickIfActive();

private:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    LONG AccessibleRole() const override;
    void Paint(HDC dc);
    void OnMouseMove(POINT pt);
    void Click();
    Bitmap glyph_;
    GlyphPos pos_ = GlyphPos::None;
    FontStyle font_{};
    bool hot_ = false, down_ = false, tracking_ = false;
};

// The Alt letter of a row of speed buttons: the visible, enabled button whose
// accelerator it is gets clicked. False when none answers.
bool ClickByAccel(std::span<TSpeedButton> buttons, char ch);

// A page without a tab; exactly one page of a page control is visible.
class TTabSheet : public TControl {
public:
    void Create(HWND parent, int x, int y, int w, int h, const std::string& caption);

protected:
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
    LONG AccessibleRole() const override;
};

// The area the pages lie in; it shows no tabs.
class TPageControl : public TTabSheet {
public:
    void Create(HWND parent, int x, int y, int w, int h);

protected:
    LONG AccessibleRole() const override;
};

} // namespace tk
