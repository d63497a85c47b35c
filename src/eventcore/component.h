#pragma once

#include <vector>

namespace tessel {

// Owned-component base: a component created with an owner is destroyed
// together with that owner (newest owned component first). Destroying a
// component on its own detaches it from its owner.
class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    virtual ~TComponent();

    TComponent* owner() const { return owner_; }

private:
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> owned_;
};

// Base of the event core's components. A component marked for freeing stays
// usable until the loop destroys it at the end of the current iteration
// (timers and asynchronous components). Destruction cancels every queued task
// this component owns.
class tlcomponent : public TComponent {
public:
    explicit tlcomponent(TComponent* owner = nullptr) : TComponent(owner) {}
    ~tlcomponent() override;

    bool freepending = false;

    virtual void markforfree();
};

} // namespace tessel
