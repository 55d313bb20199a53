// SPDX-License-Identifier: MIT
// The operating system's message for a system error number.
//
// One implementation per platform, chosen by serial/CMakeLists.txt; nothing
// else in the layer depends on the platform for error texts.
#pragma once

#include <cstdint>
#include <string>

namespace canalarm::serl {

// Raw text for a system error number in the Win32 numbering (SerlErrors.h),
// as the platform gives it: it may contain line breaks and may be longer than
// a message is allowed to be (ErrorMessage cleans and cuts it). Empty when the
// platform has no text for the number. Does not block; never throws other than
// std::bad_alloc.
std::string SystemErrorText(std::uint32_t number);

}  // namespace canalarm::serl
