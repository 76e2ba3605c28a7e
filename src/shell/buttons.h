#pragma once
// The shortcut dialog's standard controls: a check box, and a push button
// with a glyph drawn in code (OK: a green tick, Cancel: a red cross).
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

class TBitBtn {
public:
    enum class Kind { bkOK, bkCancel };
    // An owner-drawn BUTTON; the parent forwards WM_DRAWITEM to Draw().
    void Create(HWND parent, int id, int x, int y, int w, int h, const std::string& caption,
                Kind kind);
    // Draws face, glyph, caption and focus; isDefault adds the default frame.
    void Draw(const DRAWITEMSTRUCT& dis, bool isDefault) const;
    HWND Handle() const { return hwnd_; }
    Kind GetKind() const { return kind_; }

private:
    HWND hwnd_ = nullptr;
    Kind kind_ = Kind::bkOK;
};
