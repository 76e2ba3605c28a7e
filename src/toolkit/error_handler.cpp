#include "toolkit/error_handler.h"
#include "runtime/errors.h"
#include "runtime/texts.h"
#include "toolkit/app.h"
#include "toolkit/dialogs.h"
#include <new>

namespace tk {

namespace {
void ShowErrorBox(const std::string& text) noexcept {
    try {
        const std::string& title = ApplicationTitle();
        MessageDlgCaption(rt::WithFullStop(text), title.empty() ? txt::AppTitle : title,
                          MsgDlgType::mtError, mbOK);
    } catch (...) {
        // Nothing sensible is left to report with.
    }
}
} // namespace

void HandleException(const std::exception& e) noexcept {
    if (dynamic_cast<const std::bad_alloc*>(&e)) {
        ShowErrorBox(txt::SOutOfMemory);
        return;
    }
    ShowErrorBox(e.what());
}

void HandleUnknownException() noexcept {
    ShowErrorBox(txt::SUnknownError);
}

} // namespace tk
