#include "runtime/pageflow.h"

namespace rt {

namespace {
constexpr ButtonStates kButtons[kPageCount] = {
    // back   next   install cancel enabled
    {false, true, false, true, true},   // P1 welcome
    {true, true, false, true, true},    // P2 agreement
    {true, true, false, true, true},    // P3 name and target
    {true, true, false, true, true},    // P4 drive
    {true, false, true, true, true},    // P5 summary
    {false, false, false, true, false}, // P6 progress
};
} // namespace

ButtonStates ButtonsFor(Page page) {
    return kButtons[static_cast<int>(page)];
}

Page BackTarget(Page page) {
    switch (page) {
    case Page::P2:
        return Page::P1;
    case Page::P3:
        return Page::P2;
    case Page::P4:
        return Page::P3;
    case Page::P5:
        return Page::P4;
    default:
        return page;
    }
}

} // namespace rt
