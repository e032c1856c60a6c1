// Small helpers for the job layer's file descriptors.
#pragma once

#include <string>

namespace tolvan {

// The system's reason for an errno (UTF-8), as the user reads it.
std::string SystemReason(int err);
// Throws std::runtime_error "what: reason" for the current errno.
[[noreturn]] void ThrowSystemError(const char* what);
// Moves a descriptor in 0..2 above 2 (close-on-exec), closing the original,
// so that a child's dup2 onto a standard descriptor never meets it. Other
// values, negative ones included, come back unchanged.
int LiftAboveStandard(int fd);

}  // namespace tolvan
