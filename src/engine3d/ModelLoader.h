// Reads 3DS model files into a Group3D: one mesh per triangle object (vertices converted
// from the file's Z-up axes to Y-up as (-x, z, -y), faces, texture coordinates) and the
// materials with colours, flags and texture maps. Lights, cameras, key frames, smoothing
// groups and object matrices are skipped. Damaged files never make it read outside the
// data: chunks are clipped to their parents, list chunks count only inside a mesh, meshes
// over 32768 vertices are dropped and faces naming missing vertices are removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine3d/Group3D.h"
#include "platform/Text.h"

class TextureSource;

// A file loaded whole into memory. Reads never go past the end; a read that would cross
// it fails and leaves the position at the end.
class ModelStream {
 public:
  ModelStream(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t position() const { return position_; }
  size_t size() const { return size_; }
  void seek(size_t position) { position_ = position < size_ ? position : size_; }
  size_t remaining() const { return size_ - position_; }

  bool readU8(uint8_t& value);
  bool readU16(uint16_t& value);
  bool readU32(uint32_t& value);
  bool readFloat(float& value);
  // A zero-terminated 8-bit string (Windows-1252) of at most limit bytes, terminator
  // included, read no further than end; the rest of a longer string is passed over.
  os::WString readString(size_t end, size_t limit = 30);

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// Folder and name as a page gives them; textures come from the source (none without
// one). Shows "Error: can not find the 3DS file '...'" when the file cannot be had.
std::unique_ptr<Group3D> loadModelFile(os::WStringView pageFolder, os::WStringView fileName, float radius,
                                       TextureSource* textures, const char16_t* wanted = nullptr,
                                       const char16_t* unwanted = nullptr);

// Parses a whole file and normalizes the model to radius. Shows "Error: this is not a
// valid 3DS file." when the first chunk is not the main chunk.
std::unique_ptr<Group3D> parseModel(ModelStream& stream, float radius, const char16_t* wanted = nullptr,
                                    const char16_t* unwanted = nullptr, TextureSource* textures = nullptr,
                                    os::WStringView textureFolder = {});
