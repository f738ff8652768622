// Violation: the quoted form, with blanks after the hash.
// clang-format off
#  include "ode/collision.h"
// clang-format on
