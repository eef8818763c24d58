#pragma once
#include <cstdint>
#include <cstring>

namespace tarvel {

// Same layout as the Windows GUID, so the shell can copy one into the other.
struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  uint8_t data4[8] = {};
};
static_assert(sizeof(Guid) == 16);

inline bool operator==(const Guid& a, const Guid& b) {
  return std::memcmp(&a, &b, sizeof(Guid)) == 0;
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}": 38 characters plus the terminating zero.
constexpr int kGuidTextSize = 39;
bool FormatGuid(const Guid& guid, char* buffer);

}  // namespace tarvel
