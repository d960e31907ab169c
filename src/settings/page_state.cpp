#include "settings/page_state.h"

#include <stdexcept>
#include <string>

namespace qdu {

PageState::PageState(std::initializer_list<int> control_ids) {
    for (const int id : control_ids) {
        controls_[id] = ControlState{};
    }
}

namespace {

template <typename Map>
auto& control_in(Map& controls, int id) {
    const auto found = controls.find(id);
    if (found == controls.end()) {
        throw std::out_of_range("no control " + std::to_string(id) + " on this page");
    }
    return found->second;
}

}  // namespace

ControlState& PageState::operator[](int id) {
    return control_in(controls_, id);
}

const ControlState& PageState::operator[](int id) const {
    return control_in(controls_, id);
}

void PageState::enable(std::initializer_list<int> ids, bool on) {
    for (const int id : ids) {
        (*this)[id].enabled = on;
    }
}

void PageState::show(std::initializer_list<int> ids, bool on) {
    for (const int id : ids) {
        (*this)[id].shown = on;
    }
}

void PageState::uncheck(std::initializer_list<int> ids) {
    for (const int id : ids) {
        (*this)[id].checked = false;
    }
}

}  // namespace qdu
