#pragma once
// Actions: a named command whose Execute runs its handler at once and returns
// when the handler returns.
#include <functional>
#include <string>

namespace tk {

class TAction {
public:
    TAction(std::string caption, std::function<void()> onExecute)
        : Caption(std::move(caption)), OnExecute(std::move(onExecute)) {}
    void Execute() const {
        if (OnExecute)
            OnExecute();
    }
    std::string Caption;
    std::function<void()> OnExecute;
};

} // namespace tk
