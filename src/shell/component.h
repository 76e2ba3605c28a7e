#pragma once
// The smallest component base: a named, non-visual object owned by the form
// that holds it (as a member). It draws nothing and has no events.
#include <string>

class TComponent {
public:
    TComponent() = default;
    virtual ~TComponent() = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

private:
    std::string name_;
};
