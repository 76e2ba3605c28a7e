#pragma once
// The toolkit's default error handler. Every window and dialog procedure runs
// behind Guard() (see tk::Barrier): an error raised below ends the message and
// is shown in an error box captioned with the application title; the window
// stays as it was. No exception ever crosses a window procedure.
#include <exception>
#include <utility>

namespace tk {

void HandleException(const std::exception& e) noexcept;
void HandleUnknownException() noexcept;

template <class F> bool Guard(F&& f) noexcept {
    try {
        std::forward<F>(f)();
        return true;
    } catch (const std::exception& e) {
        HandleException(e);
    } catch (...) {
        HandleUnknownException();
    }
    return false;
}

} // namespace tk
