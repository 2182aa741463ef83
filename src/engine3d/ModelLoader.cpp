// The 3DS chunk walker. Entered chunks are tracked on a stack with their end positions, so
// a chunk's children are clipped to it and state that belongs to a chunk (the current mesh,
// the current material) ends with it.
#include "engine3d/ModelLoader.h"

#include <cstring>
#include <vector>

#include "engine3d/MaterialTexture.h"
#include "engine3d/ModelHost.h"
#include "platform/Types.h"

bool ModelStream::readU8(uint8_t& value) {
  if (remaining() < 1) {
    position_ = size_;
    return false;
  }
  value = data_[position_++];
  return true;
}

bool ModelStream::readU16(uint16_t& value) {
  if (remaining() < 2) {
    position_ = size_;
    return false;
  }
  value = uint16_t(data_[position_] | (data_[position_ + 1] << 8));
  position_ += 2;
  return true;
}

bool ModelStream::readU32(uint32_t& value) {
  if (remaining() < 4) {
    position_ = size_;
    return false;
  }
  value = uint32_t(data_[position_]) | (uint32_t(data_[position_ + 1]) << 8) |
          (uint32_t(data_[position_ + 2]) << 16) | (uint32_t(data_[position_ + 3]) << 24);
  position_ += 4;
  return true;
}

bool ModelStream::readFloat(float& value) {
  uint32_t bits;
  if (!readU32(bits)) return false;
  std::memcpy(&value, &bits, sizeof value);
  return true;
}

os::WString ModelStream::readString(size_t end, size_t limit) {
  if (end > size_) end = size_;
  std::string bytes;
  while (position_ < end) {
    uint8_t c = data_[position_++];
    if (c == 0) break;
    if (bytes.size() + 1 < limit) bytes += char(c);
  }
  return os::fromCp1252(bytes);
}

namespace {

enum ChunkId : uint16_t {
  ChunkMain = 0x4D4D,
  ChunkEditor = 0x3D3D,
  ChunkNamedObject = 0x4000,
  ChunkTriangleMesh = 0x4100,
  ChunkVertexList = 0x4110,
  ChunkFaceList = 0x4120,
  ChunkFaceMaterial = 0x4130,
  ChunkTextureCoords = 0x4140,
  ChunkMaterialBlock = 0xAFFF,
  ChunkMaterialName = 0xA000,
  ChunkDiffuse = 0xA020,
  ChunkSelfIllumination = 0xA080,
  ChunkShininess = 0xA040,
  ChunkShininessStrength = 0xA041,
  ChunkTransparency = 0xA050,
  ChunkTwoSided = 0xA081,
  ChunkWire = 0xA085,
  ChunkShading = 0xA100,
  ChunkTextureMap = 0xA200,
  ChunkOpacityMap = 0xA210,
  ChunkReflectionMap = 0xA220,
  ChunkColourFloat = 0x0010,
  ChunkColour24 = 0x0011,
  ChunkPercentInt = 0x0030,
  ChunkPercentFloat = 0x0031,
};

constexpr size_t HeaderSize = 6;

struct OpenChunk {
  uint16_t id;
  size_t end;
};

class Parser {
 public:
  Parser(ModelStream& stream, TextureSource* textures, os::WStringView textureFolder)
      : in_(stream), textures_(textures), folder_(textureFolder) {}

  std::unique_ptr<Group3D> run(float radius, const char16_t* wanted, const char16_t* unwanted);

 private:
  // Reads a chunk header no further than limit; its end is clipped to limit.
  bool readHeader(size_t limit, uint16_t& id, size_t& end);
  void closeChunksEndingBefore(size_t position);
  void handle(uint16_t id, size_t end);
  void enter(uint16_t id, size_t end) { open_.push_back(OpenChunk{id, end}); }

  void readVertices(size_t end);
  void readFaces(size_t end);
  void readFaceMaterial(size_t end);
  void readTextureCoordinates(size_t end);
  uint32_t readColour(size_t end);
  int readPercentage(size_t end);
  MaterialTexture* readMap(size_t end);
  void finish();

  ModelStream& in_;
  TextureSource* textures_;
  os::WString folder_;
  std::unique_ptr<Group3D> model_;
  std::vector<OpenChunk> open_;
  os::WString objectName_;
  Mesh* mesh_ = nullptr;
  std::shared_ptr<Material> material_;
  bool materialAdded_ = false;
  std::vector<Mesh*> oversized_;
};

bool Parser::readHeader(size_t limit, uint16_t& id, size_t& end) {
  size_t start = in_.position();
  if (limit < start || limit - start < HeaderSize) return false;
  uint32_t length = 0;
  if (!in_.readU16(id) || !in_.readU32(length)) return false;
  if (length < HeaderSize) return false;  // a chunk cannot be shorter than its header
  end = (length > limit - start) ? limit : start + length;
  return true;
}

void Parser::closeChunksEndingBefore(size_t position) {
  while (!open_.empty() && position >= open_.back().end) {
    uint16_t id = open_.back().id;
    open_.pop_back();
    if (id == ChunkTriangleMesh) mesh_ = nullptr;
    if (id == ChunkMaterialBlock) {
      material_.reset();
      materialAdded_ = false;
    }
  }
}

void Parser::readVertices(size_t end) {
  uint16_t count = 0;
  if (!in_.readU16(count)) return;
  size_t available = (end - in_.position()) / 12;
  size_t n = count < available ? count : available;
  for (size_t i = 0; i < n; ++i) {
    float x = 0, y = 0, z = 0;
    in_.readFloat(x);
    in_.readFloat(y);
    in_.readFloat(z);
    if (mesh_->vertices.size() >= size_t(MaxMeshVertices)) {
      // Face indices are signed 16-bit: such a mesh cannot be drawn and is dropped.
      oversized_.push_back(mesh_);
      return;
    }
    mesh_->addVertex(-x, z, -y, 0, 0);
  }
}

void Parser::readFaces(size_t end) {
  uint16_t count = 0;
  if (!in_.readU16(count)) return;
  size_t available = (end - in_.position()) / 8;
  size_t n = count < available ? count : available;
  for (size_t i = 0; i < n; ++i) {
    uint16_t a = 0, b = 0, c = 0, flags = 0;
    in_.readU16(a);
    in_.readU16(b);
    in_.readU16(c);
    in_.readU16(flags);
    mesh_->addFace(a, b, c);
  }
}

void Parser::readFaceMaterial(size_t end) {
  os::WString name = in_.readString(end);
  mesh_->material = model_->findMaterial(name);
}

void Parser::readTextureCoordinates(size_t end) {
  uint16_t count = 0;
  if (!in_.readU16(count)) return;
  size_t available = (end - in_.position()) / 8;
  size_t n = count < available ? count : available;
  if (n > mesh_->vertices.size()) n = mesh_->vertices.size();
  for (size_t i = 0; i < n; ++i) {
    float u = 0, v = 0;
    in_.readFloat(u);
    in_.readFloat(v);
    mesh_->vertices[i].u = toFixed(u);
    mesh_->vertices[i].v = toFixed(1.0f - v);
  }
}

uint32_t Parser::readColour(size_t end) {
  uint16_t id;
  size_t subEnd;
  if (!readHeader(end, id, subEnd)) return 0;
  if (id == ChunkColour24 && subEnd - in_.position() >= 3) {
    uint8_t r = 0, g = 0, b = 0;
    in_.readU8(r);
    in_.readU8(g);
    in_.readU8(b);
    return (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
  }
  if (id == ChunkColourFloat && subEnd - in_.position() >= 12) {
    float c[3] = {0, 0, 0};
    for (float& k : c) in_.readFloat(k);
    uint32_t rgb = 0;
    for (float k : c) rgb = (rgb << 8) | (uint32_t(truncToInt(double(k * 255.0f + 0.5f))) & 0xFF);
    return rgb;
  }
  return 0;
}

int Parser::readPercentage(size_t end) {
  uint16_t id;
  size_t subEnd;
  if (!readHeader(end, id, subEnd)) return 0;
  if (id == ChunkPercentInt && subEnd - in_.position() >= 2) {
    uint16_t p = 0;
    in_.readU16(p);
    return int(p) * 255 / 100;
  }
  if (id == ChunkPercentFloat && subEnd - in_.position() >= 4) {
    float f = 0;
    in_.readFloat(f);
    return truncToInt(double(f * 255.0f));
  }
  return 0;
}

MaterialTexture* Parser::readMap(size_t end) {
  uint16_t id;
  size_t subEnd;
  if (!readHeader(end, id, subEnd)) return nullptr;  // the strength percentage: ignored
  in_.seek(subEnd);
  if (!readHeader(end, id, subEnd)) return nullptr;  // the map name, whatever its id
  os::WString name = in_.readString(subEnd);
  if (textures_ == nullptr || name.empty()) return nullptr;
  return textures_->acquire(folder_, name);
}

void Parser::handle(uint16_t id, size_t end) {
  switch (id) {
    case ChunkMain:
    case ChunkEditor:
      enter(id, end);
      return;
    case ChunkNamedObject:
      objectName_ = in_.readString(end);
      mesh_ = nullptr;
      enter(id, end);
      return;
    case ChunkTriangleMesh:
      mesh_ = model_->addMesh(objectName_);
      enter(id, end);
      return;
    case ChunkVertexList:
      if (mesh_) readVertices(end);
      break;
    case ChunkFaceList:
      if (mesh_) {
        readFaces(end);
        enter(id, end);  // the material groups and smoothing groups follow inside
        return;
      }
      break;
    case ChunkFaceMaterial:
      if (mesh_) readFaceMaterial(end);
      break;
    case ChunkTextureCoords:
      if (mesh_) readTextureCoordinates(end);
      break;
    case ChunkMaterialBlock:
      material_ = std::make_shared<Material>();
      materialAdded_ = false;
      enter(id, end);
      return;
    case ChunkShininess:
      enter(id, end);  // its percentage is then passed over as an unknown chunk
      return;
    default:
      break;
  }
  if (material_) {
    switch (id) {
      case ChunkMaterialName: {
        os::WString name = in_.readString(end);
        if (!materialAdded_) {
          model_->addMaterial(name, material_);
          materialAdded_ = true;
        }
        break;
      }
      case ChunkDiffuse: material_->colour = readColour(end); break;
      case ChunkSelfIllumination: material_->selfIllumination = readColour(end); break;
      case ChunkShininessStrength: material_->specularLevel = readPercentage(end); break;
      case ChunkTransparency: material_->transparency = readPercentage(end); break;
      case ChunkTwoSided: material_->twoSided = 1; break;
      case ChunkWire: material_->wire = 1; break;
      case ChunkShading: {
        uint16_t shading = 0;
        if (end - in_.position() >= 2 && in_.readU16(shading) && shading == 1) material_->flat = 1;
        break;
      }
      case ChunkTextureMap: material_->texture = readMap(end); break;
      case ChunkOpacityMap: material_->alphaTexture = readMap(end); break;
      case ChunkReflectionMap: material_->reflectionMap = readMap(end); break;
      default: break;
    }
  }
  in_.seek(end);
}

void Parser::finish() {
  // Drop meshes that cannot be indexed, and faces that name vertices the mesh lacks.
  for (Mesh* mesh : oversized_) {
    for (size_t i = 0; i < model_->meshes.size(); ++i) {
      if (model_->meshes[i].get() == mesh) {
        model_->meshes.erase(model_->meshes.begin() + long(i));
        break;
      }
    }
  }
  for (auto& mesh : model_->meshes) {
    std::vector<MeshFace>& faces = mesh->faces;
    size_t kept = 0;
    for (size_t i = 0; i < faces.size(); ++i)
      if (mesh->faceIsValid(faces[i])) faces[kept++] = faces[i];
    faces.resize(kept);
  }
  for (size_t i = model_->materials.size(); i-- > 0;) {
    Material& material = *model_->materials[i];
    if (material.texture && material.alphaTexture &&
        (material.texture->width() != material.alphaTexture->width() ||
         material.texture->height() != material.alphaTexture->height())) {
      showModelMessage(u"The alpha channel texture does not match original texture in deminsion.", u"Error",
                       os::MB_OK | os::MB_ICONINFORMATION);
    }
    material.applyColourKey();
  }
}

std::unique_ptr<Group3D> Parser::run(float radius, const char16_t* wanted, const char16_t* unwanted) {
  uint16_t id = 0;
  size_t end = 0;
  if (!readHeader(in_.size(), id, end) || id != ChunkMain) {
    showModelMessage(u"Error: this is not a valid 3DS file.", u"Error", os::MB_OK | os::MB_ICONEXCLAMATION);
    return nullptr;
  }
  model_.reset(new Group3D());
  enter(id, end);
  for (;;) {
    closeChunksEndingBefore(in_.position());
    if (open_.empty()) break;
    size_t limit = open_.back().end;
    size_t start = in_.position();
    if (limit - start < HeaderSize) {
      in_.seek(limit);  // a few stray bytes at the end of a chunk
      continue;
    }
    if (!readHeader(limit, id, end) || id == 0) break;  // damaged or finished
    handle(id, end);
    if (in_.position() <= start) break;  // cannot happen with valid lengths; never loop
  }
  finish();
  model_->normalize(radius, wanted, unwanted);
  return std::move(model_);
}

}  // namespace

std::unique_ptr<Group3D> parseModel(ModelStream& stream, float radius, const char16_t* wanted,
                                    const char16_t* unwanted, TextureSource* textures,
                                    os::WStringView textureFolder) {
  Parser parser(stream, textures, textureFolder);
  return parser.run(radius, wanted, unwanted);
}

std::unique_ptr<Group3D> loadModelFile(os::WStringView pageFolder, os::WStringView fileName, float radius,
                                       TextureSource* textures, const char16_t* wanted, const char16_t* unwanted) {
  os::WString folder(pageFolder);
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  os::WStringView name = fileName;
  if (!name.empty() && name.front() == u'\\') name.remove_prefix(1);
  size_t slash = name.rfind(u'\\');
  if (slash != os::WStringView::npos) {
    folder += os::WString(name.substr(0, slash + 1));
    name.remove_prefix(slash + 1);
  }
  os::WString path = folder + os::WString(name);
  std::vector<uint8_t> data;
  if (!readModelFile(path, data)) {
    os::WString text = u"Error: can not find the 3DS file '" + path + u"'";
    showModelMessage(text, u"Error", os::MB_OK | os::MB_ICONEXCLAMATION);
    return nullptr;
  }
  ModelStream stream(data.data(), data.size());
  return parseModel(stream, radius, wanted, unwanted, textures, folder);
}
