// Readable names for table-driven test cases.
#pragma once

#include <cctype>
#include <string>

// The case's description with every character that GoogleTest does not
// allow in a name replaced by '_'.
inline std::string CaseName(std::string name) {
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

// For INSTANTIATE_TEST_SUITE_P over cases with a `name` field.
struct NamedCase {
  template <typename Info>
  std::string operator()(const Info& info) const {
    return CaseName(info.param.name) + "_" + std::to_string(info.index);
  }
};

// For INSTANTIATE_TEST_SUITE_P over cases without a name: their index.
struct IndexedCase {
  template <typename Info>
  std::string operator()(const Info& info) const {
    return "case_" + std::to_string(info.index);
  }
};
