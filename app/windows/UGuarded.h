#pragma once
// Runs the body of a window command so that an exception never leaves the event loop: it is
// shown to the user as the program shows every unhandled one, and the command answers false.

#include "UAppFrame.h"

#include <exception>

template <class F>
bool Guarded(F&& Body) {
    try {
        Body();
        return true;
    } catch (const std::exception& E) {
        HandleApplicationException(E);
        return false;
    }
}
