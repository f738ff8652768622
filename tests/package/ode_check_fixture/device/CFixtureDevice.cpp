// Fine: device sources include ODE.
#include "CFixtureDevice.h"
#include "CFixtureDeviceInternal.h"
#include <ode/ode.h>
