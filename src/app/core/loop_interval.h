#pragma once

namespace wirelark {

// The seconds the sampling loop waits between ticks for a stored update interval, which may
// hold any JSON value (`wirelark-cli settings --import` stores a file's object unchanged). Zero,
// negative and non-finite values mean the default interval; the rest is held between a tenth of
// a second, so that the loop never spins, and 2^31 - 1 ms (about 24.8 days), the longest wait a
// Qt timer's int of milliseconds holds. The stored value itself is left as it is.
double loopInterval(double storedSeconds);

} // namespace wirelark
