// Routes a WM_COMMAND to one member handler for a whole set of control ids: a single id, an
// inclusive range, or the ids of a control table (a membership function). A window keeps one
// constant array of routes and calls RouteCommand from its OnCommand.
#pragma once

#include <windows.h>

#include <cstddef>

namespace kfw {

template <class T> struct CommandRoute {
    using Handler = void (T::*)(int id, HWND ctl);
    using Action = void (T::*)(); // for a single id: the handler needs no arguments
    using Membership = bool (*)(int id);

    int code = 0; // notification code: BN_CLICKED, EN_CHANGE, ...
    int first = 0;
    int last = -1;
    Membership member = nullptr; // when set, decides instead of the range
    Handler handler = nullptr;
    Action action = nullptr;

    static constexpr CommandRoute Id(int code, int id, Action a) {
        return {code, id, id, nullptr, nullptr, a};
    }
    static constexpr CommandRoute Range(int code, int first, int last, Handler h) {
        return {code, first, last, nullptr, h, nullptr};
    }
    static constexpr CommandRoute Table(int code, Membership member, Handler h) {
        return {code, 0, -1, member, h, nullptr};
    }
    bool Matches(int id, int notification) const {
        if (notification != code)
            return false;
        return member ? member(id) : (id >= first && id <= last);
    }
};

// Calls the handler of the first route that matches; false when none does.
template <class T, std::size_t N>
bool RouteCommand(T& self, const CommandRoute<T> (&routes)[N], int id, int code, HWND ctl) {
    for (const CommandRoute<T>& route : routes) {
        if (route.Matches(id, code)) {
            if (route.action)
                (self.*route.action)();
            else
                (self.*route.handler)(id, ctl);
            return true;
        }
    }
    return false;
}

} // namespace kfw
