// Violation: ODE straight from a core source.
#include <ode/ode.h>
