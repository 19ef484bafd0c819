#pragma once

namespace dicom {

// A function that the socket waits call between slices of at most kIdleSlice milliseconds, so
// that an application blocked in a network call can still paint. The toolkit knows nothing of
// what it does; none is installed unless an upper layer installs one.
using IdleHook = void (*)();
inline constexpr int kIdleSliceMilliseconds = 100;

void SetIdleHook(IdleHook hook);
IdleHook CurrentIdleHook();

// A user who gives up on a network operation, from inside the idle hook: from then on every
// socket wait ends at once, failing with TcpSocket::kInterrupted, until ResumeWaits. The caller
// that finds its wait interrupted decides what to do with the association (cancel the operation
// on it, or abort it) and resumes the waits it still needs.
void InterruptWaits();
void ResumeWaits();
bool WaitsInterrupted();

}  // namespace dicom
