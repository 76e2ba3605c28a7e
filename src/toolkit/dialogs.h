#pragma once
// The program's one message dialog: German caption, icon and buttons by kind.
#include <windows.h>
#include <string>

namespace tk {

enum class MsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation };

enum MsgDlgButtons : unsigned {
    mbOK = 1,
    mbYes = 2,
    mbNo = 4,
    mbCancel = 8,
    mbYesNo = mbYes | mbNo,
    mbOKCancel = mbOK | mbCancel,
};

enum class ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// Modal message box. Caption and icon follow the kind; default button is "OK"
// when present, else "&Ja"; Escape answers "Abbrechen", else "&Nein", else "OK".
// A lone CR in the text breaks the line.
ModalResult MessageDlg(const std::string& text, MsgDlgType type, unsigned buttons);

// Same box with an explicit caption (the error handler's box uses the application title).
ModalResult MessageDlgCaption(const std::string& text, const std::string& caption, MsgDlgType type,
                              unsigned buttons);

// Window class name of the message dialog, for tests and the test driver.
inline constexpr const char* kMsgDlgClass = "TMessageForm";

} // namespace tk
