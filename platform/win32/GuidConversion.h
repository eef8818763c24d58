#pragma once
// The program's GUID and Windows' GUID: the same fields, converted one by one.
#include <windows.h>

#include <cstring>

#include "base/Guid.h"

namespace tarvel {

inline Guid ToGuid(const GUID& guid) {
  Guid converted;
  converted.data1 = guid.Data1;
  converted.data2 = guid.Data2;
  converted.data3 = guid.Data3;
  std::memcpy(converted.data4, guid.Data4, sizeof(converted.data4));
  return converted;
}

inline GUID ToWindowsGuid(const Guid& guid) {
  GUID converted;
  converted.Data1 = guid.data1;
  converted.Data2 = guid.data2;
  converted.Data3 = guid.data3;
  std::memcpy(converted.Data4, guid.data4, sizeof(converted.Data4));
  return converted;
}

}  // namespace tarvel
