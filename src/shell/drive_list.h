#pragma once
// The drive page's drop-down drive list: an owner-drawn CBS_DROPDOWNLIST
// combo box (class "ComboBox") with one item per drive, a picture by kind.
// It draws itself (tk::OwnerDrawn) and sets its own item height.
#include "shell/drive_label.h"

#include <string>
#include <windows.h>
#include <commctrl.h> // toolkit/handles.h names HIMAGELIST
#include "toolkit/handles.h"
#include "toolkit/window.h"

class TDriveList : public tk::OwnerDrawn {
public:
    TDriveList() = default;
    ~TDriveList() override;
    TDriveList(const TDriveList&) = delete;
    TDriveList& operator=(const TDriveList&) = delete;

    // Properties, read when the window is created (defaults as the drive page uses them).
    shell::TDriveTypes DriveTypes = shell::kDefaultDriveTypes;
    shell::TTextCase TextCase = shell::TTextCase::tcLowerCase;

    // Creates the window at a 96-DPI rectangle (height of the closed box), fills
    // the list and selects the drive of the current directory, if it is listed.
    void Create(HWND parent, int id, int x, int y, int w, int h);

    // Draws one item: its picture, then its text.
    void Draw(const DRAWITEMSTRUCT& dis) override;

    // Rebuilds the items from the present drives; the selection is cleared.
    void BuildList();

    int ItemIndex() const;
    void SetItemIndex(int index);
    std::string Text() const; // the selected item's text, "" when none is selected
    std::string ItemText(int index) const;
    shell::TDriveType ItemKind(int index) const;
    int Count() const;
    HWND Handle() const { return hwnd_; }

    // Larger of the font's character height and the picture height.
    int ItemHeight() const;

private:
    HBITMAP Picture(shell::TDriveType kind) const;

    HWND hwnd_ = nullptr;
    int id_ = 0;
    tk::Bitmap pictures_[5]; // floppy, fixed, network, CD-ROM, RAM
};
