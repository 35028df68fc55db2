#pragma once
// What a library ends as the program ends.

#include <functional>

namespace ordvane {

// Runs action as the main thread ends (main returns or the thread calls exit), after the
// application has freed its components and before any static object is destroyed: a
// library ends there what the program left open. Called on the main thread; an action
// must not throw.
void AtMainThreadEnd(std::function<void()> action);

}  // namespace ordvane
