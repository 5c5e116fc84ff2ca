// Base of everything placed on a form, with or without a window: a name
// (the form name, e.g. "SCMake1") and an owner that outlives it.
#pragma once
#include <string>

namespace tk {

class Component {
public:
    explicit Component(Component* owner = nullptr, std::string name = {})
        : owner_(owner), name_(std::move(name)) {}
    virtual ~Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    Component* Owner() const { return owner_; }
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

private:
    Component* owner_;
    std::string name_;
    int tag_ = 0;
};

} // namespace tk
