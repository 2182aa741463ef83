// Contact sheets: every GIF frame and JPEG of the generated tree decoded back from its
// file bytes (so the sheets show what the game will load) and laid out at 1:1 with its
// name on PNG pages, transparent pixels over a checkerboard.
#pragma once

#include <string>

#include "Content.h"

bool writeContactSheets(const Content& content, const std::string& folder);
