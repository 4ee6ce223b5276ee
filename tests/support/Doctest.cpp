// doctest's implementation, compiled once into the test support library (benchmarks that are not
// written as test cases link it too, for the helpers' checks).
#define DOCTEST_CONFIG_IMPLEMENT
#include "TestKit.h"
