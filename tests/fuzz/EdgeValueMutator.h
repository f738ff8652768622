// For the targets whose input is text with numbers in it (scene files, surface definitions,
// settings): half of the fuzzer's mutations replace one to three of the numbers of the text by
// edge values (zero, the smallest and largest floats, values past them, huge and tiny factors,
// the integer limits), the other half are libFuzzer's own. Byte mutations reach such values only
// by luck, and the faults of a physics layer hide at them: an abort that byte mutations had found
// once, and not again in 250,000 runs, a search of edge values found in seconds.
//
// Only the libFuzzer build defines the mutator; the replay builds include this header for nothing.
#ifndef VARRIK_TESTS_FUZZ_EDGE_VALUE_MUTATOR_H
#define VARRIK_TESTS_FUZZ_EDGE_VALUE_MUTATOR_H

#ifdef VARRIK_LIBFUZZER

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

extern "C" size_t LLVMFuzzerMutate(std::uint8_t* pData, size_t iSize, size_t iMaxSize);

namespace varrik {
namespace fuzz {

//! Where the numbers of the text are: [begin, end) of each.
inline std::vector<std::pair<size_t, size_t>> numbersIn(const std::uint8_t* p, size_t n) {
  auto at = [&](size_t i) { return i < n ? p[i] : 0; };
  auto digit = [&](size_t i) { return std::isdigit(at(i)) != 0; };
  auto unsignedStart = [&](size_t i) { return digit(i) || (at(i) == '.' && digit(i + 1)); };
  // A digit inside a name ("slip2", "mode_fdir1") is not a number.
  auto partOfWord = [&](size_t i) {
    return i > 0 && (std::isalnum(p[i - 1]) || p[i - 1] == '_' || p[i - 1] == '.');
  };
  std::vector<std::pair<size_t, size_t>> aNumbers;
  for (size_t i = 0; i < n && aNumbers.size() < 4096;) {
    const bool bStart = unsignedStart(i) || ((at(i) == '-' || at(i) == '+') && unsignedStart(i + 1));
    if (!bStart || partOfWord(i)) {
      ++i;
      continue;
    }
    size_t e = i + 1;
    while (digit(e) || at(e) == '.') ++e;
    if (at(e) == 'e' || at(e) == 'E') {
      size_t x = e + 1;
      if (at(x) == '-' || at(x) == '+') ++x;
      if (digit(x)) {
        while (digit(x)) ++x;
        e = x;
      }
    }
    aNumbers.emplace_back(i, e);
    i = e;
  }
  return aNumbers;
}

}  // namespace fuzz
}  // namespace varrik

extern "C" size_t LLVMFuzzerCustomMutator(std::uint8_t* pData, size_t iSize, size_t iMaxSize,
                                          unsigned int iSeed) {
  static const char* const aEdges[] = {
      "0",     "-0",   "1e-45", "-1e-45",     "1e-38", "1e-20", "1e-6",       "-1e-6",       "0.5",   "-0.5",
      "1",     "-1",   "2",     "-2",         "1e6",   "-1e6",  "1e10",       "-1e10",       "1e16",  "1e20",
      "-1e20", "3e38", "-3e38", "1e39",       "-1e39", "1e300", "2147483647", "-2147483648", "65535", "65536",
      "255",   "256",  "-256",  "4294967296", "nan",   "inf",   "-inf"};
  std::minstd_rand cRandom(iSeed);
  const auto aNumbers = varrik::fuzz::numbersIn(pData, iSize);
  if (aNumbers.empty() || cRandom() % 2) return LLVMFuzzerMutate(pData, iSize, iMaxSize);

  // One to three numbers, each replaced by an edge value, from the last to the first so that
  // the places of the others stay where they were.
  std::vector<size_t> aChosen;
  for (unsigned k = 1 + cRandom() % 3; k > 0; --k) aChosen.push_back(cRandom() % aNumbers.size());
  std::string s(reinterpret_cast<const char*>(pData), iSize);
  size_t iLast = std::string::npos;
  std::sort(aChosen.rbegin(), aChosen.rend());
  for (size_t i : aChosen) {
    if (i == iLast) continue;
    iLast = i;
    const char* sEdge = aEdges[cRandom() % (sizeof(aEdges) / sizeof(aEdges[0]))];
    s.replace(aNumbers[i].first, aNumbers[i].second - aNumbers[i].first, sEdge);
  }
  if (s.size() > iMaxSize) return LLVMFuzzerMutate(pData, iSize, iMaxSize);
  std::memcpy(pData, s.data(), s.size());
  return s.size();
}

#endif  // VARRIK_LIBFUZZER

#endif
