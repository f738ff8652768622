// Fine: a public device header without ODE.
#include <irrlicht.h>
