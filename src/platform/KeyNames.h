// Names of the handheld's keys as people type them (LEFT, RETURN, ACTION, APP1, A..Z,
// 0..9, F1..F24, or a number), shared by kestrune-ctl and the headless input script.
#pragma once

#include <cstdint>
#include <string>

namespace os {

// Virtual key of a key name (case ignored); false when the name means nothing.
bool virtualKeyFromName(const std::string& name, uint32_t& code);

}  // namespace os
