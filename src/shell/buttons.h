#pragma once
// The shortcut dialog's standard controls: a check box, and a push button
// with a glyph drawn in code (OK: a green tick, Cancel: a red cross).
#include "toolkit/window.h"

#include <string>
#include <windows.h>

class TCheckBox {
public:
    // 96-DPI rectangle relative to the parent.
    void Create(HWND parent, int id, int x, int y, int w, int h, const std::string& caption,
                DWORD extraStyle = 0);
    bool Checked() const;
    void SetChecked(bool checked);
    HWND Handle() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

class TBitBtn : public tk::OwnerDrawn {
public:
    enum class Kind { bkOK, bkCancel };
    // An owner-drawn BUTTON that draws itself; the default frame goes to the
    // button the parent names in its answer to DM_GETDEFID.
    void Create(HWND parent, int id, int x, int y, int w, int h, const std::string& caption,
                Kind kind);
    void Draw(const DRAWITEMSTRUCT& dis) override;
    // Draws face, glyph, caption and focus; isDefault adds the default frame.
    void DrawFace(const DRAWITEMSTRUCT& dis, bool isDefault) const;
    HWND Handle() const { return hwnd_; }
    Kind GetKind() const { return kind_; }

private:
    HWND hwnd_ = nullptr;
    Kind kind_ = Kind::bkOK;
};
