#pragma once
// Every call the engine makes into plug-in code goes through one of these.
// A plug-in is C in principle, but one written in C++ can let an exception
// out of any of its functions: it ends at the call, which then counts as
// failed, and never reaches the engine or its host. On the path that does
// not throw the guard costs nothing.

#include <utility>

// call()'s result, or failed when it threw.
template <typename Result, typename Call>
Result CallPluginOr(Result failed, Call&& call) noexcept
{
    try {
        return std::forward<Call>(call)();
    } catch (...) {
        return failed;
    }
}

// Runs call(); false when it threw.
template <typename Call>
bool CallPlugin(Call&& call) noexcept
{
    return CallPluginOr(false, [&call] {
        std::forward<Call>(call)();
        return true;
    });
}
