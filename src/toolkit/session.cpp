#include "toolkit/session.h"
#include <string>

namespace tk {

namespace {
int blocks = 0; // user-interface thread only
} // namespace

SessionEndBlock::SessionEndBlock(HWND window, const char* reason) : window_(window) {
    ++blocks;
    const int n = ::MultiByteToWideChar(1252, 0, reason, -1, nullptr, 0);
    if (window_ && n > 0) {
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        ::MultiByteToWideChar(1252, 0, reason, -1, wide.data(), n);
        reason_ = ::ShutdownBlockReasonCreate(window_, wide.c_str()) != FALSE;
    }
}

SessionEndBlock::~SessionEndBlock() {
    if (reason_ && ::IsWindow(window_))
        ::ShutdownBlockReasonDestroy(window_);
    --blocks;
}

bool SessionEndBlock::Active() {
    return blocks > 0;
}

} // namespace tk
