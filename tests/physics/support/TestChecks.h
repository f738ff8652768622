// What the tests look at besides return values: the lines a piece of code prints on standard
// output, and vectors that must agree within a tolerance.
#ifndef VARRIK_TESTS_PHYSICS_TEST_CHECKS_H
#define VARRIK_TESTS_PHYSICS_TEST_CHECKS_H

#include <gtest/gtest.h>
#include <irrlicht.h>

#include <cmath>
#include <string>
#include <vector>

namespace varrik {
namespace test {

//! Runs a piece of code and returns what it printed on standard output.
template <class F>
std::string captured(F f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}

//! How often sWhat occurs in sText, the occurrences not overlapping.
inline int countOf(const std::string& sText, const std::string& sWhat) {
  int n = 0;
  for (size_t i = sText.find(sWhat); i != std::string::npos; i = sText.find(sWhat, i + sWhat.size())) ++n;
  return n;
}

//! The number of lines of a text (its line ends).
inline int lineCount(const std::string& sText) { return countOf(sText, "\n"); }

//! The names of an attribute container's attributes, in order.
inline std::vector<std::string> keysOf(irr::io::IAttributes* pAttributes) {
  std::vector<std::string> a;
  for (irr::u32 i = 0; i < pAttributes->getAttributeCount(); ++i) a.push_back(pAttributes->getAttributeName(i));
  return a;
}

//! Each component of a within fTolerance of the same component of b (EXPECT_VEC_NEAR).
inline testing::AssertionResult vectorsNear(const char* sA, const char* sB, const char* sTolerance,
                                            const irr::core::vector3df& a, const irr::core::vector3df& b,
                                            double fTolerance) {
  const double aDiff[3] = {std::fabs(static_cast<double>(a.X) - static_cast<double>(b.X)),
                           std::fabs(static_cast<double>(a.Y) - static_cast<double>(b.Y)),
                           std::fabs(static_cast<double>(a.Z) - static_cast<double>(b.Z))};
  if (aDiff[0] <= fTolerance && aDiff[1] <= fTolerance && aDiff[2] <= fTolerance)
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << sA << " is (" << a.X << ", " << a.Y << ", " << a.Z << "), " << sB
                                     << " is (" << b.X << ", " << b.Y << ", " << b.Z << "): apart by ("
                                     << aDiff[0] << ", " << aDiff[1] << ", " << aDiff[2] << "), more than "
                                     << sTolerance << " = " << fTolerance;
}

}  // namespace test
}  // namespace varrik

//! Expects two vectors to agree component by component within a tolerance; a message may follow.
#define EXPECT_VEC_NEAR(a, b, tolerance) EXPECT_PRED_FORMAT3(::varrik::test::vectorsNear, a, b, tolerance)

#endif
