// The "AwkOptions" command: gawk started with no arguments prints its usage.
#pragma once

#include <functional>
#include <string>

namespace tolvan {

// Runs the awk path alone (no arguments) in the calling thread; onCycle() is
// called on every poll cycle (at most 50 ms apart) so the caller can process
// its window events. Not cancellable. An empty path runs nothing; a program
// that cannot be started leaves a message naming it in errBytes.
void RunOptionRunner(const std::string& awkPath, const std::string& locale, std::string& outBytes,
                     std::string& errBytes, const std::function<void()>& onCycle);

}  // namespace tolvan
