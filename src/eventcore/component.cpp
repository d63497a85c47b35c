#include "eventcore/component.h"

#include <algorithm>

#include "eventcore/tasks.h"

namespace tessel {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) owner_->owned_.push_back(this);
}

TComponent::~TComponent() {
    while (!owned_.empty()) {
        TComponent* child = owned_.back();
        owned_.pop_back();
        child->owner_ = nullptr;
        delete child;
    }
    if (owner_) {
        auto& siblings = owner_->owned_;
        siblings.erase(std::find(siblings.begin(), siblings.end(), this));
    }
}

tlcomponent::~tlcomponent() {
    canceltasks(this);
}

void tlcomponent::markforfree() {
    freepending = true;
}

} // namespace tessel
