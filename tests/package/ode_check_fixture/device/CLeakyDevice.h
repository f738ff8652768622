// Violation: a public device header that reaches ODE through a private one.
#include "CFixtureDeviceInternal.h"
