// Fine: a private device header may use ODE types.
#include <ode/ode.h>
