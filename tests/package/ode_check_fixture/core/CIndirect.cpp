// Violation: ODE through a private device header.
#include "CFixtureDevice.h"
#include "../device/CFixtureDeviceInternal.h"
