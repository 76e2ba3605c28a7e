#pragma once
// The wizard's states and the buttons that belong to each.

namespace rt {

enum class Page { Welcome = 0, Agreement, Name, Drive, Summary, Progress };
inline constexpr int kPageCount = 6;

struct ButtonStates {
    bool back;    // "&Zurück"
    bool next;    // "&Weiter"
    bool install; // "&Installieren"
    bool cancel;  // "&Abbrechen" shown
    bool cancelEnabled;
    bool operator==(const ButtonStates&) const = default;
};

// runStarted: from the first installation run on, which may lead back to the
// name page, "&Abbrechen" stays disabled.
ButtonStates ButtonsFor(Page page, bool runStarted);

// Where "&Zurück" leads from a page; the page itself where it does nothing.
Page BackTarget(Page page);

} // namespace rt
