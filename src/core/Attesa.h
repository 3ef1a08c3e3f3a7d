#pragma once

#include <functional>

namespace kinetra {

// Waits `ms` milliseconds while window events run: a local event loop woken by a timer, so
// nothing spins. A wait of 0 or less returns at once.
void Attendi(float ms);

// Waits until `fatto` holds or `ms` milliseconds pass, while events run; `fatto` is checked
// whenever an event has been handled. Returns the last value of `fatto`.
bool attendiFinche(const std::function<bool()>& fatto, int ms);

} // namespace kinetra
