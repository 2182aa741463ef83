// Triangle set-up, spans and the per-pixel colour pipeline in both pixel formats. The
// span routines are instantiated per pixel format, detail level, texture use and fog so
// the inner loops carry no format tests; the rest of the choices are predictable flags.
#include "engine3d/Rasterizer.h"

#include <cstdlib>
#include <utility>

#include "engine3d/Fixed.h"
#include "engine3d/Material.h"
#include "engine3d/MaterialTexture.h"
#include "image/Image.h"

namespace {

// 16-bit RGB 5-6-5 channel arithmetic.
struct Px16 {
  using Type = uint16_t;
  static constexpr uint32_t White = 0xFFFF;
  static uint32_t modulate(uint32_t x, uint32_t y) {
    return ((((x >> 11) * (y >> 11)) >> 5) << 11) | (((((x >> 5) & 63) * ((y >> 5) & 63)) >> 6) << 5) |
           (((x & 31) * (y & 31)) >> 5);
  }
  static uint32_t addSaturate(uint32_t x, uint32_t y) {
    uint32_t r = (x >> 11) + (y >> 11), g = ((x >> 5) & 63) + ((y >> 5) & 63), b = (x & 31) + (y & 31);
    if (r > 31) r = 31;
    if (g > 63) g = 63;
    if (b > 31) b = 31;
    return (r << 11) | (g << 5) | b;
  }
  // (x * s) >> 8 per channel; levels above 256 saturate instead of spilling over.
  static uint32_t scale(uint32_t x, int s) {
    uint32_t r = ((x >> 11) * uint32_t(s)) >> 8, g = (((x >> 5) & 63) * uint32_t(s)) >> 8,
             b = ((x & 31) * uint32_t(s)) >> 8;
    if (r > 31) r = 31;
    if (g > 63) g = 63;
    if (b > 31) b = 31;
    return (r << 11) | (g << 5) | b;
  }
  // a + (b - a) * t >> 8 per channel.
  static uint32_t lerp(uint32_t a, uint32_t b, int t) {
    int ar = int(a >> 11), ag = int((a >> 5) & 63), ab = int(a & 31);
    int r = ar + (((int(b >> 11) - ar) * t) >> 8);
    int g = ag + (((int((b >> 5) & 63) - ag) * t) >> 8);
    int bl = ab + (((int(b & 31) - ab) * t) >> 8);
    return uint32_t((r << 11) | (g << 5) | bl);
  }
  static int opacity(uint32_t a) { return int(2 * (a >> 11) + 2 * ((a >> 5) & 63) + 2 * (a & 31)); }
};

// 32-bit 0x00RRGGBB channel arithmetic.
struct Px32 {
  using Type = uint32_t;
  static constexpr uint32_t White = 0xFFFFFF;
  static uint32_t modulate(uint32_t x, uint32_t y) {
    return (((((x >> 16) & 255) * ((y >> 16) & 255)) >> 8) << 16) |
           (((((x >> 8) & 255) * ((y >> 8) & 255)) >> 8) << 8) | (((x & 255) * (y & 255)) >> 8);
  }
  // All three channels at once: the low bits of green and red give way to the carries.
  static uint32_t addSaturate(uint32_t x, uint32_t y) {
    uint32_t s = (x & 0xFEFEFF) + (y & 0xFEFEFF);
    uint32_t k = s & 0x1010100;
    return (s | (k - (k >> 8))) & 0xFFFFFF;
  }
  static uint32_t scale(uint32_t x, int s) {
    uint32_t r = (((x >> 16) & 255) * uint32_t(s)) >> 8, g = (((x >> 8) & 255) * uint32_t(s)) >> 8,
             b = ((x & 255) * uint32_t(s)) >> 8;
    if (r > 255) r = 255;
    if (g > 255) g = 255;
    if (b > 255) b = 255;
    return (r << 16) | (g << 8) | b;
  }
  static uint32_t lerp(uint32_t a, uint32_t b, int t) {
    int ar = int((a >> 16) & 255), ag = int((a >> 8) & 255), ab = int(a & 255);
    int r = ar + (((int((b >> 16) & 255) - ar) * t) >> 8);
    int g = ag + (((int((b >> 8) & 255) - ag) * t) >> 8);
    int bl = ab + (((int(b & 255) - ab) * t) >> 8);
    return uint32_t((r << 16) | (g << 8) | bl);
  }
  static int opacity(uint32_t a) { return int(((((a >> 16) & 255) + ((a >> 8) & 255) + (a & 255)) * 2730) >> 13); }
};

using Shade = Rasterizer::Shade;

// Plain opaque textures: one compare, one fetch, one key compare, two stores.
template <class P>
void spanFast(const Shade& s, uint8_t* pixels, uint32_t* depth, int count, const int32_t* q) {
  using T = typename P::Type;
  T* px = reinterpret_cast<T*>(pixels);
  const T* tex = reinterpret_cast<const T*>(s.texture);
  uint32_t z = uint32_t(q[0]);
  int32_t u = q[1], v = q[2];
  const uint32_t dz = uint32_t(s.dq[0]);
  const int32_t du = s.dq[1], dv = s.dq[2];
  const int32_t wm = s.wmask, hm = s.hmask;
  const int rs = s.rowShift;
  const uint32_t key = s.key;
  for (int i = 0; i < count; ++i, z += dz, u += du, v += dv) {
    if (z >= depth[i]) continue;
    uint32_t texel = tex[((u >> 16) & wm) + (((v >> 16) & hm) << rs)];
    if (texel == key) continue;
    px[i] = T(texel);
    depth[i] = z;
  }
}

// Every other combination. TM: 0 no texture, 1 alpha texture only, 2 colour texture.
template <class P, int L, int TM, bool Fog>
void spanGeneric(const Shade& s, uint8_t* pixels, uint32_t* depth, int count, const int32_t* q) {
  using T = typename P::Type;
  T* px = reinterpret_cast<T*>(pixels);
  const T* tex = reinterpret_cast<const T*>(s.texture);
  const T* alpha = reinterpret_cast<const T*>(s.alpha);
  const T* refl = reinterpret_cast<const T*>(s.reflection);
  int32_t z = q[0], u = q[1], v = q[2], lu = q[3], lv = q[4];
  const int32_t dz = s.dq[0], du = s.dq[1], dv = s.dq[2], dlu = s.dq[3], dlv = s.dq[4];
  // Everything the loop reads is copied into locals: the depth stores could otherwise
  // alias the shared state and force reloads on every pixel.
  const int t = s.transparency;
  const bool flat = s.flat, write = s.depthWrite;
  const uint32_t colour = s.colour, key = s.key;
  const int32_t wmask = s.wmask, hmask = s.hmask;
  const int rowShift = s.rowShift;
  const uint32_t* const diffuse = s.diffuse;
  const uint32_t* const specular = s.specular;
  const uint32_t faceDiffuse = s.faceDiffuse, faceSpecular = s.faceSpecular;
  const int specularLevel = s.specularLevel;
  const bool selfOn = s.selfOn;
  const uint32_t self = s.self;
  const int32_t reflMask = s.reflectionMask, reflStride = s.reflectionStride, faceU = s.faceU, faceV = s.faceV;
  const int fogFront = s.fogFront, fogBack = s.fogBack;
  const int32_t fogReciprocal = s.fogReciprocal;
  const uint32_t fogColour = s.fogColour;
  for (int i = 0; i < count; ++i, z += dz, u += du, v += dv, lu += dlu, lv += dlv) {
    if (uint32_t(z) >= depth[i]) continue;
    uint32_t texel = colour;
    uint32_t index = 0;
    if (TM != 0) {
      index = uint32_t(((u >> 16) & wmask) + (((v >> 16) & hmask) << rowShift));
      if (TM == 2) texel = tex[index];
    }
    if (texel == key) continue;
    const uint32_t dst = px[i];
    uint32_t c;
    if (L == 1) {
      c = texel;
    } else if (L == 2) {
      c = t != 0 ? P::lerp(texel, dst, t) : texel;
    } else {
      uint32_t d, sp;
      if (flat) {
        d = faceDiffuse;
        sp = faceSpecular;
      } else {
        uint32_t li = uint32_t(((lv >> 18) & 63) * 64 + ((lu >> 18) & 63));
        d = diffuse[li];
        sp = specular[li];
      }
      uint32_t lit = P::modulate(d, texel);
      if (L == 3) {
        c = lit;
      } else if (L == 4) {
        c = t != 0 ? P::lerp(lit, dst, t) : lit;
        c = P::addSaturate(c, P::scale(sp, specularLevel));
      } else {
        uint32_t base = refl != nullptr ? 0 : lit;
        if (selfOn) base = P::addSaturate(base, self);
        if (t != 0) base = P::lerp(base, dst, t);
        uint32_t spec;
        if (refl != nullptr) {
          int32_t ru = flat ? faceU : lu, rv = flat ? faceV : lv;
          spec = refl[((rv >> 16) & reflMask) * reflStride + ((ru >> 16) & reflMask)];
        } else {
          spec = P::scale(sp, specularLevel);
        }
        c = P::addSaturate(base, spec);
      }
    }
    if (Fog) {
      int d = z >> 16;
      if (d > fogFront) {
        if (d <= fogBack) {
          int f = int((int64_t(fogBack - d) * fogReciprocal) >> 8);
          c = P::lerp(fogColour, c, f);
        } else {
          c = fogColour;
        }
      }
    }
    if (alpha != nullptr) {
      uint32_t a = alpha[index];
      if (a != P::White) c = P::lerp(dst, c, P::opacity(a));
    }
    px[i] = T(c);
    if (write) depth[i] = uint32_t(z);
  }
}

template <class P, int L, int TM>
constexpr Rasterizer::SpanFunction pick(bool fog) {
  return fog ? &spanGeneric<P, L, TM, true> : &spanGeneric<P, L, TM, false>;
}

template <class P, int L>
Rasterizer::SpanFunction pickTexture(int tm, bool fog) {
  return tm == 2 ? pick<P, L, 2>(fog) : tm == 1 ? pick<P, L, 1>(fog) : pick<P, L, 0>(fog);
}

template <class P>
Rasterizer::SpanFunction pickLevel(int level, int tm, bool fog) {
  switch (level) {
    case 1: return pickTexture<P, 1>(tm, fog);
    case 2: return pickTexture<P, 2>(tm, fog);
    case 3: return pickTexture<P, 3>(tm, fog);
    case 4: return pickTexture<P, 4>(tm, fog);
    default: return pickTexture<P, 5>(tm, fog);
  }
}

int floorLog2(uint32_t v) {
  int l = 0;
  while (v > 1) {
    v >>= 1;
    ++l;
  }
  return l;
}

bool isPowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

// The picture of a texture when the rasterizer can sample it: present, in the surface's
// pixel format and with rows a power of two pixels long (the masks and shifts need it).
Image* usableImage(MaterialTexture* texture, int bits) {
  if (texture == nullptr) return nullptr;
  Image* image = texture->currentImage();
  if (image == nullptr || !image->valid() || image->pixels() == nullptr) return nullptr;
  if (image->bitsPerPixel() != bits || image->width() < 1 || image->height() < 1) return nullptr;
  int step = image->pixelStep();
  if (step <= 0 || image->rowStep() % step != 0 || !isPowerOfTwo(uint32_t(image->rowStep() / step))) return nullptr;
  return image;
}

// Left shift without the undefined behaviour of shifting negative values.
inline int32_t shiftLeft(int32_t v, int s) { return int32_t(uint32_t(v) << s); }

}  // namespace

Rasterizer::Rasterizer() = default;

uint32_t Rasterizer::toPixel(uint32_t rgb, int bits) {
  if (bits == 16) return (((rgb >> 19) & 31) << 11) | (((rgb >> 10) & 63) << 5) | ((rgb >> 3) & 31);
  return rgb & 0xFFFFFF;
}

uint32_t Rasterizer::modulate(uint32_t x, uint32_t y, int bits) {
  return bits == 16 ? Px16::modulate(x, y) : Px32::modulate(x, y);
}

uint32_t Rasterizer::addSaturate(uint32_t x, uint32_t y, int bits) {
  return bits == 16 ? Px16::addSaturate(x, y) : Px32::addSaturate(x, y);
}

void Rasterizer::create(const RasterTarget& target) {
  target_ = target;
  if (target_.bits != 16) target_.bits = 32;
  s_.diffuse = target_.diffuse;
  s_.specular = target_.specular;
  depthWrite = true;
  spanDirty_ = true;
}

void Rasterizer::beginFrame(const FogRecord* fog) {
  s_.fog = fog != nullptr;
  if (fog != nullptr) {
    s_.fogColour = toPixel(fog->colour, target_.bits);
    s_.fogFront = fog->front;
    s_.fogBack = fog->back;
    // Back at or before front has no fading band: everything behind front is fog. The
    // reciprocal is then never used, so no division by zero happens.
    s_.fogReciprocal = fog->back > fog->front ? 65536 / (fog->back - fog->front) : 0;
  }
  spanDirty_ = true;
}

void Rasterizer::setMaterial(const Material& m) {
  const int bits = target_.bits;
  int level = m.detailLevel;
  s_.level = (level >= 1 && level <= 4) ? level : 5;
  s_.wire = m.wire != 0;
  s_.edgeMask = m.edgeMask;
  s_.colour = toPixel(m.colour, bits);
  s_.colourRgb = m.colour & 0xFFFFFF;
  s_.self = toPixel(m.selfIllumination, bits);
  s_.selfOn = m.selfIllumination != 0;
  s_.transparency = m.transparency;
  s_.specularLevel = m.specularLevel < 0 ? 0 : m.specularLevel;
  s_.flat = m.flat != 0;

  Image* colourImage = usableImage(m.texture, bits);
  Image* alphaImage = m.colourKeyed ? nullptr : usableImage(m.alphaTexture, bits);
  Image* masks = colourImage != nullptr ? colourImage : alphaImage;
  s_.texture = colourImage != nullptr ? colourImage->pixels() : nullptr;
  s_.alpha = nullptr;
  if (masks != nullptr) {
    s_.log2w = floorLog2(uint32_t(masks->width()));
    s_.log2h = floorLog2(uint32_t(masks->height()));
    s_.wmask = (1 << s_.log2w) - 1;
    s_.hmask = (1 << s_.log2h) - 1;
    s_.rowShift = floorLog2(uint32_t(masks->rowStep() / masks->pixelStep()));
    // The alpha texture is read at the colour texture's texel index, so it is only
    // used when it has the same layout.
    if (alphaImage != nullptr && alphaImage->width() == masks->width() && alphaImage->height() == masks->height() &&
        alphaImage->rowStep() == masks->rowStep())
      s_.alpha = alphaImage->pixels();
  } else {
    s_.log2w = s_.log2h = 0;
    s_.wmask = s_.hmask = 0;
    s_.rowShift = 0;
  }
  s_.textured = s_.texture != nullptr || s_.alpha != nullptr;
  s_.key = (m.colourKeyed && s_.texture != nullptr) ? toPixel(m.keyColour, bits) : NoKey;
  s_.lighting = s_.level >= 3;

  s_.reflection = nullptr;
  if (Image* r = usableImage(m.reflectionMap, bits)) {
    int w = r->width(), h = r->height();
    int mask = (w - 1 < h ? w - 1 : h) - 1;
    if (mask > 255) mask = 255;
    if (mask >= 0) {
      // Rows are addressed with the map's own length, so maps narrower than 256 texels
      // stay inside their pixels (the mask keeps row and column below height and width).
      s_.reflection = r->pixels();
      s_.reflectionMask = mask;
      s_.reflectionStride = r->rowStep() / r->pixelStep();
    }
  }
  spanDirty_ = true;
}

void Rasterizer::setMesh(const Mesh& mesh) {
  s_.bias = truncToInt(double(mesh.depthBias * 65536.0f));
  s_.fogActive = s_.fog && mesh.fogEnabled != 0;
  spanDirty_ = true;
}

void Rasterizer::setLightingRotation(const int32_t row0[3], const int32_t row1[3]) {
  for (int i = 0; i < 3; ++i) {
    rot0_[i] = row0[i];
    rot1_[i] = row1[i];
  }
}

void Rasterizer::setFaceNormal(int32_t nx, int32_t ny, int32_t nz) {
  faceNormal_[0] = nx;
  faceNormal_[1] = ny;
  faceNormal_[2] = nz;
}

void Rasterizer::chooseSpan() {
  fastPath_ = s_.level == 1 && s_.texture != nullptr && s_.alpha == nullptr && !s_.fogActive;
  const int tm = s_.texture != nullptr ? 2 : (s_.textured ? 1 : 0);
  if (fastPath_)
    span_ = target_.bits == 16 ? &spanFast<Px16> : &spanFast<Px32>;
  else if (target_.bits == 16)
    span_ = pickLevel<Px16>(s_.level, tm, s_.fogActive);
  else
    span_ = pickLevel<Px32>(s_.level, tm, s_.fogActive);
  attributes_ = (s_.lighting && !s_.flat) ? 5 : (s_.textured ? 3 : 1);
  spanDirty_ = false;
}

void Rasterizer::drawTriangle() {
  if (s_.wire) {
    drawWire();
    return;
  }
  drawFilled();
}

void Rasterizer::drawWire() {
  const uint32_t rgb = s_.colourRgb;
  if (s_.edgeMask & 1) drawLine(*b_, *c_, rgb, s_.bias);
  if (s_.edgeMask & 2) drawLine(*c_, *a_, rgb, s_.bias);
  if (s_.edgeMask & 4) drawLine(*a_, *b_, rgb, s_.bias);
}

void Rasterizer::drawLine(const MeshVertex& v1, const MeshVertex& v2, uint32_t colour, int32_t bias) {
  // The "already valid" bit of clipping and subdivision vertices is not a side.
  if ((v1.clip & v2.clip & 0x3F) != 0) return;
  const uint32_t c = toPixel(colour, target_.bits);
  int dx = v2.sx - v1.sx, dy = v2.sy - v1.sy;
  bool xMajor = std::abs(dx) > std::abs(dy);
  const MeshVertex* p = &v1;
  const MeshVertex* q = &v2;
  if ((xMajor ? dx : dy) < 0) {
    p = &v2;
    q = &v1;
  }
  int length = xMajor ? q->sx - p->sx : q->sy - p->sy;
  int minorDiff = xMajor ? q->sy - p->sy : q->sx - p->sx;
  int32_t minor = shiftLeft(xMajor ? p->sy : p->sx, 16);
  int32_t minorStep = length > 0 ? int32_t((int64_t(minorDiff) * 65536) / length) : 0;
  int64_t z = int64_t(p->cz) - bias;
  int64_t zStep = length > 0 ? (int64_t(q->cz) - p->cz) / length : 0;
  int major = xMajor ? p->sx : p->sy;
  for (int i = 0; i <= length; ++i, ++major, minor += minorStep, z += zStep) {
    int x = xMajor ? major : (minor >> 16);
    int y = xMajor ? (minor >> 16) : major;
    if (x < target_.clipLeft || x >= target_.width || y < target_.clipTop || y >= target_.height) continue;
    uint32_t* depth = target_.depth + intptr_t(y) * target_.depthPitch + x;
    uint32_t zz = uint32_t(int32_t(z));
    if (zz >= *depth) continue;
    uint8_t* pixel = target_.pixels + intptr_t(y) * target_.pitch;
    if (target_.bits == 16)
      reinterpret_cast<uint16_t*>(pixel)[x] = uint16_t(c);
    else
      reinterpret_cast<uint32_t*>(pixel)[x] = c;
    *depth = zz;
  }
}

void Rasterizer::drawFilled() {
  if (spanDirty_) chooseSpan();
  s_.depthWrite = depthWrite;
  const MeshVertex* A = a_;
  const MeshVertex* B = b_;
  const MeshVertex* C = c_;
  if (A->sy > B->sy) std::swap(A, B);
  if (B->sy > C->sy) std::swap(B, C);
  if (A->sy > B->sy) std::swap(A, B);
  const int height = target_.height, top = target_.clipTop;
  if (A->sy >= height || C->sy < top || A->sy == C->sy) return;

  const int n = attributes_;
  int32_t qa[5], qb[5], qc[5];
  const MeshVertex* vs[3] = {A, B, C};
  int32_t* qs[3] = {qa, qb, qc};
  for (int i = 0; i < 3; ++i) {
    const MeshVertex* v = vs[i];
    int32_t* q = qs[i];
    q[0] = v->cz - s_.bias;
    q[1] = shiftLeft(v->u, s_.log2w);
    q[2] = shiftLeft(v->v, s_.log2h);
    q[3] = shiftLeft(v->lu, 16);
    q[4] = shiftLeft(v->lv, 16);
  }

  const int dyAB = B->sy - A->sy, dyAC = C->sy - A->sy, dyBC = C->sy - B->sy;
  // The long edge A-C at row B.y.
  const int32_t t = (dyAB * 256) / dyAC;
  const int32_t xA = shiftLeft(A->sx, 16), xB = shiftLeft(B->sx, 16);
  const int32_t xAC =
      xA + int32_t(int64_t((int64_t((int64_t(C->sx - A->sx) * 65536) >> 8) * dyAB) / dyAC) * 256);
  int32_t qAC[5];
  for (int k = 0; k < n; ++k) qAC[k] = int32_t(qa[k] + ((int64_t(qc[k]) - qa[k]) >> 8) * t);

  const int32_t w = (xAC - xB) >> 16;
  if (w == 0) return;
  const int64_t recipW = 65536 / w;
  for (int k = 0; k < n; ++k) s_.dq[k] = int32_t((((int64_t(qAC[k]) - qb[k]) >> 8) * recipW) >> 8);
  for (int k = n; k < 5; ++k) s_.dq[k] = 0;

  if (s_.flat && s_.lighting) {
    const int32_t nx = faceNormal_[0] >> 5, ny = faceNormal_[1] >> 5, nz = faceNormal_[2] >> 5;
    const int32_t rx = int32_t((int64_t(rot0_[0]) * nx + int64_t(rot0_[1]) * ny + int64_t(rot0_[2]) * nz) >> 6);
    const int32_t ry = int32_t((int64_t(rot1_[0]) * nx + int64_t(rot1_[1]) * ny + int64_t(rot1_[2]) * nz) >> 6);
    int row = int((int64_t(ry) * 31) >> 16) + 32, column = int((int64_t(rx) * 31) >> 16) + 32;
    // Scaled placements can push a rotated normal past unit length; stay on the map.
    row = row < 0 ? 0 : (row > 63 ? 63 : row);
    column = column < 0 ? 0 : (column > 63 ? 63 : column);
    const uint32_t index = uint32_t(row * 64 + column);
    s_.faceDiffuse = s_.diffuse[index];
    s_.faceSpecular = s_.specular[index];
    s_.faceU = rx;
    s_.faceV = ry;
  }

  auto edgeStep = [](int dx, int dy) -> int32_t {
    return int32_t((int64_t(int32_t((int64_t(dx) * 65536) >> 10)) * ((65536 / dy) >> 2)) >> 4);
  };
  auto attributeSteps = [n](const int32_t* from, const int32_t* to, int dy, int32_t* out) {
    const int64_t r = 65536 / dy;
    for (int k = 0; k < n; ++k) out[k] = int32_t((((int64_t(to[k]) - from[k]) >> 8) * r) >> 8);
  };
  const int32_t sAC = edgeStep(C->sx - A->sx, dyAC);
  int32_t q[5], dq[5];

  // Upper half: rows A.y .. B.y - 1.
  if (B->sy >= top && dyAB != 0) {
    const int32_t sAB = edgeStep(B->sx - A->sx, dyAB);
    for (int k = 0; k < n; ++k) q[k] = qa[k];
    if (w > 0) {
      attributeSteps(qa, qb, dyAB, dq);
      drawHalf(A->sy, B->sy, xA, sAB, xA, sAC, q, dq);
    } else {
      attributeSteps(qa, qc, dyAC, dq);
      drawHalf(A->sy, B->sy, xA, sAC, xA, sAB, q, dq);
    }
  }
  // Lower half: rows B.y .. C.y - 1.
  if (B->sy < height && dyBC != 0) {
    const int32_t sBC = edgeStep(C->sx - B->sx, dyBC);
    if (w > 0) {
      for (int k = 0; k < n; ++k) q[k] = qb[k];
      attributeSteps(qb, qc, dyBC, dq);
      drawHalf(B->sy, C->sy, xB, sBC, xAC, sAC, q, dq);
    } else {
      for (int k = 0; k < n; ++k) q[k] = qAC[k];
      attributeSteps(qAC, qc, dyBC, dq);
      drawHalf(B->sy, C->sy, xAC, sAC, xB, sBC, q, dq);
    }
  }
}

void Rasterizer::drawHalf(int y0, int y1, int32_t xl, int32_t sl, int32_t xr, int32_t sr, int32_t* q,
                          const int32_t* dq) {
  const int n = attributes_;
  const int top = target_.clipTop, left = target_.clipLeft, right = target_.width;
  if (y0 < top) {
    const int64_t skip = top - y0;
    xl = int32_t(xl + sl * skip);
    xr = int32_t(xr + sr * skip);
    for (int k = 0; k < n; ++k) q[k] = int32_t(q[k] + dq[k] * skip);
    y0 = top;
  }
  if (y1 > target_.height) y1 = target_.height;
  uint8_t* row = target_.pixels + intptr_t(y0) * target_.pitch;
  uint32_t* depth = target_.depth + intptr_t(y0) * target_.depthPitch;
  const int pixelShift = target_.bits == 16 ? 1 : 2;
  int32_t p[5] = {0, 0, 0, 0, 0};
  for (int y = y0; y < y1; ++y) {
    int x0 = xl >> 16;
    int x1 = xr >> 16;
    if (x1 > right) x1 = right;
    if (x0 < x1 && x1 > left) {
      for (int k = 0; k < n; ++k) p[k] = q[k];
      if (x0 < left) {
        const int64_t skip = left - x0;
        for (int k = 0; k < n; ++k) p[k] = int32_t(p[k] + s_.dq[k] * skip);
        x0 = left;
      }
      span_(s_, row + (intptr_t(x0) << pixelShift), depth + x0, x1 - x0, p);
    }
    xl += sl;
    xr += sr;
    for (int k = 0; k < n; ++k) q[k] += dq[k];
    row += target_.pitch;
    depth += target_.depthPitch;
  }
}
