// A journal of player input for headless runs: KESTRUNE_SCRIPT names a file of lines
// "<ms> key NAME [down|up]", "<ms> tap X Y", "<ms> screenshot FILE.png", "<ms> close",
// each carried out once the program's own clock has run <ms> since its first message
// pump. With the virtual clock and a fixed seed, the same script gives the same frames.
#pragma once

namespace os {
namespace detail {

// Carries out the script lines that are due; called by the headless backend's pump.
void playInputScript();

}  // namespace detail
}  // namespace os
