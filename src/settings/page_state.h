// A page's controls without a screen: what each control by its ID shows. The Qt pages mirror
// this state onto their widgets; the CLI and tests drive it directly.
#pragma once

#include <functional>
#include <initializer_list>
#include <map>

namespace qdu {

struct ControlState {
    bool checked = false;
    bool enabled = true;
    bool shown = true;
    bool operator==(const ControlState&) const = default;
};

// Asks the user an OK/Cancel question by its string ID; true means OK.
using ConfirmPrompt = std::function<bool(int string_id)>;

class PageState {
public:
    PageState(std::initializer_list<int> control_ids);

    ControlState& operator[](int id);
    const ControlState& operator[](int id) const;
    bool checked(int id) const { return (*this)[id].checked; }

    void check(int id, bool on) { (*this)[id].checked = on; }
    void enable(std::initializer_list<int> ids, bool on);
    void show(std::initializer_list<int> ids, bool on);
    void uncheck(std::initializer_list<int> ids);

    int combo_selection = 0;
    bool operator==(const PageState&) const = default;

private:
    std::map<int, ControlState> controls_;
};

}  // namespace qdu
