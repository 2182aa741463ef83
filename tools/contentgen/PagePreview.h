// Page previews for the contact sheets: a page template drawn at 240 x 320 with its
// pictures, fills and texts, to judge layout and legibility without running the game.
#pragma once

#include <string>

#include "Content.h"

bool renderPagePreview(const Content& content, const std::string& templatePath, Raster& page);
