#pragma once
#include <cstdint>

namespace tarvel {

// Result codes shaped like DirectInput's HRESULTs: negative means failure.
using Result = int32_t;

constexpr Result kOk = 0;
constexpr Result kNoEffect = 1;                             // DI_NOEFFECT: success, nothing to do
constexpr Result kFail = static_cast<Result>(0x80004005u);  // E_FAIL
constexpr Result kInputLost = static_cast<Result>(0x8007001Eu);       // DIERR_INPUTLOST
constexpr Result kNotAcquired = static_cast<Result>(0x8007000Cu);     // DIERR_NOTACQUIRED
constexpr Result kNotInitialized = static_cast<Result>(0x80070015u);  // DIERR_NOTINITIALIZED
constexpr Result kUnplugged = static_cast<Result>(0x80040209u);       // DIERR_UNPLUGGED

inline bool Failed(Result r) { return r < 0; }

}  // namespace tarvel
