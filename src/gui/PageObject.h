// The base of every object a page scene holds is the engine's SceneObject (visible flag,
// type code, name), so 2D scenes hold sprites and 3D scenes hold 3D objects through one
// interface. Scenes own their objects and find them by exact name.
#pragma once

#include <cstddef>

#include "engine3d/SceneObject.h"

using PageObject = SceneObject;

constexpr int PageObjectSprite = 1;  // type code of a Sprite (3D types start at 2)
constexpr size_t MaxObjectName = 64;
