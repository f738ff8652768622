// Fine: public device header, the engine, a commented-out include and a path that only
// contains "ode/".
#include <irrlicht.h>
#include "CFixtureDevice.h"
#include "decode/ode.h"
// #include <ode/ode.h>
