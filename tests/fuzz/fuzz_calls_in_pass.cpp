// The device calls of fuzz_device_calls, with a contact calculator that makes some of them from
// inside the collision pass, where the library's spaces are locked and the pass holds the bodies,
// the world and the contact group it works with. The same promise: no crash, no abort, no leak.
#define VARRIK_FUZZ_CALLS_IN_PASS 1
#include "fuzz_device_calls.cpp"
