#pragma once

namespace dicom {

// A function that the socket waits call between slices of at most kIdleSlice milliseconds, so
// that an application blocked in a network call can still paint. The toolkit knows nothing of
// what it does; none is installed unless an upper layer installs one.
using IdleHook = void (*)();
inline constexpr int kIdleSliceMilliseconds = 100;

void SetIdleHook(IdleHook hook);
IdleHook CurrentIdleHook();

}  // namespace dicom
