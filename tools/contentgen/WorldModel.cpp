// Model authoring for the world content: meshes in game axes, the 3DS conversion, shape
// helpers (lofts, boxes, cylinders, texture mapping) and a small z-buffered renderer for
// the contact sheets. Shapes are low-polygon on purpose: the game draws them in software.
#include <algorithm>
#include <cmath>
#include <limits>

#include "World.h"
#include "model3ds/Writer3ds.h"

void PartMesh::append(const PartMesh& other) {
  int base = int(pos.size());
  pos.insert(pos.end(), other.pos.begin(), other.pos.end());
  uv.insert(uv.end(), other.uv.begin(), other.uv.end());
  for (auto t : other.tri) tri.push_back({t[0] + base, t[1] + base, t[2] + base});
}

PartMesh* WorldModel::find(const std::string& name) {
  for (PartMesh& m : meshes)
    if (m.name == name) return &m;
  return nullptr;
}

Bytes WorldModel::to3ds() const {
  model3ds::SceneDef scene;
  for (const WorldMaterial& wm : materials) {
    model3ds::MaterialDef d;
    d.name = wm.name;
    d.diffuse = {((wm.colour >> 16) & 255) / 255.0f, ((wm.colour >> 8) & 255) / 255.0f, (wm.colour & 255) / 255.0f};
    d.textureMap = wm.texture;
    d.twoSided = wm.twoSided;
    d.shading = 2;
    scene.materials.push_back(d);
  }
  for (const PartMesh& m : meshes) {
    model3ds::MeshDef d;
    d.name = m.name;
    // Game (x, y, z) is file (-x, -z, y); the mapping mirrors, so the file keeps the
    // usual outward counter-clockwise order when each triangle's last two corners swap.
    for (V3 p : m.pos) d.vertices.push_back({-p.x, -p.z, p.y});
    for (auto t : m.tri) d.faces.push_back({uint16_t(t[0]), uint16_t(t[2]), uint16_t(t[1])});
    for (auto t : m.uv) d.texcoords.push_back({t[0], 1.0f - t[1]});
    if (!m.material.empty()) {
      model3ds::FaceGroup g;
      g.material = m.material;
      for (size_t i = 0; i < m.tri.size(); ++i) g.faces.push_back(uint16_t(i));
      d.groups.push_back(g);
    }
    scene.meshes.push_back(d);
  }
  return model3ds::writeScene(scene);
}

namespace {

V3 centroid(const std::vector<V3>& ring) {
  V3 c;
  for (V3 p : ring) c = c + p;
  return ring.empty() ? c : c * (1.0f / ring.size());
}

// Adds triangle (a, b, c) facing away from the point inside.
void orientedTriangle(PartMesh& m, int a, int b, int c, V3 inside) {
  V3 n = cross(m.pos[b] - m.pos[a], m.pos[c] - m.pos[a]);
  V3 mid = (m.pos[a] + m.pos[b] + m.pos[c]) * (1.0f / 3);
  if (dot(n, mid - inside) >= 0)
    m.triangle(a, b, c);
  else
    m.triangle(a, c, b);
}

}  // namespace

void loft(PartMesh& m, const std::vector<std::vector<V3>>& rings, bool closeRing, bool capStart, bool capEnd) {
  if (rings.size() < 2) return;
  size_t k = rings[0].size();
  std::vector<std::vector<int>> idx(rings.size());
  for (size_t i = 0; i < rings.size(); ++i)
    for (V3 p : rings[i]) idx[i].push_back(m.vertex(p));
  for (size_t i = 0; i + 1 < rings.size(); ++i) {
    V3 inside = (centroid(rings[i]) + centroid(rings[i + 1])) * 0.5f;
    for (size_t j = 0; j < (closeRing ? k : k - 1); ++j) {
      size_t j1 = (j + 1) % k;
      int a = idx[i][j], b = idx[i][j1], c = idx[i + 1][j1], d = idx[i + 1][j];
      orientedTriangle(m, a, b, c, inside);
      orientedTriangle(m, a, c, d, inside);
    }
  }
  auto cap = [&](size_t i, V3 away) {
    V3 c = centroid(rings[i]);
    int ci = m.vertex(c);
    V3 inside = c + normalized(away - c) * 0.01f;
    for (size_t j = 0; j < k; ++j) {
      size_t j1 = (j + 1) % k;
      if (!closeRing && j1 == 0) break;
      orientedTriangle(m, ci, idx[i][j], idx[i][j1], inside);
    }
  };
  if (capStart) cap(0, centroid(rings[1]));
  if (capEnd) cap(rings.size() - 1, centroid(rings[rings.size() - 2]));
}

void box(PartMesh& m, V3 lo, V3 hi) {
  std::vector<V3> ring0 = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z}};
  std::vector<V3> ring1 = ring0;
  for (V3& p : ring1) p.z = hi.z;
  // Separate vertices per face keep the edges hard.
  V3 c = (lo + hi) * 0.5f;
  auto face = [&](V3 a, V3 b, V3 cc, V3 d) {
    int ia = m.vertex(a), ib = m.vertex(b), ic = m.vertex(cc), id = m.vertex(d);
    orientedTriangle(m, ia, ib, ic, c);
    orientedTriangle(m, ia, ic, id, c);
  };
  face(ring0[0], ring0[1], ring0[2], ring0[3]);
  face(ring1[0], ring1[1], ring1[2], ring1[3]);
  for (int j = 0; j < 4; ++j) face(ring0[j], ring0[(j + 1) % 4], ring1[(j + 1) % 4], ring1[j]);
}

void cylinderX(PartMesh& m, V3 centre, float radius, float halfWidth, int sides) {
  std::vector<std::vector<V3>> rings(2);
  for (int s = 0; s < sides; ++s) {
    float a = 2 * float(M_PI) * (s + 0.5f) / sides;
    for (int r = 0; r < 2; ++r)
      rings[r].push_back({centre.x + (r ? halfWidth : -halfWidth), centre.y + std::sin(a) * radius,
                          centre.z + std::cos(a) * radius});
  }
  loft(m, rings, true, true, true);
}

void cylinderY(PartMesh& m, V3 base, float radius, float height, int sides, bool capTop) {
  std::vector<std::vector<V3>> rings(2);
  for (int s = 0; s < sides; ++s) {
    float a = 2 * float(M_PI) * (s + 0.5f) / sides;
    for (int r = 0; r < 2; ++r)
      rings[r].push_back({base.x + std::cos(a) * radius, base.y + (r ? height : 0), base.z + std::sin(a) * radius});
  }
  loft(m, rings, true, false, capTop);
}

void mapPlanar(PartMesh& m, int axis, float u0, float v0, float u1, float v1) {
  if (m.pos.empty()) return;
  V3 lo = m.pos[0], hi = m.pos[0];
  for (V3 p : m.pos) {
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  auto t = [](float a, float l, float h) { return h > l ? (a - l) / (h - l) : 0.5f; };
  for (size_t i = 0; i < m.pos.size(); ++i) {
    V3 p = m.pos[i];
    float s, r;
    if (axis == 0) s = t(p.x, lo.x, hi.x), r = 1 - t(p.y, lo.y, hi.y);
    else if (axis == 1) s = t(p.z, lo.z, hi.z), r = 1 - t(p.y, lo.y, hi.y);
    else s = t(p.x, lo.x, hi.x), r = t(p.z, lo.z, hi.z);
    m.uv[i] = {u0 + (u1 - u0) * s, v0 + (v1 - v0) * r};
  }
}

void mapByFacing(PartMesh& m, int column, int cols, int rows, int snowColumn) {
  PartMesh out;
  out.name = m.name;
  out.material = m.material;
  const V3 light = normalized({-0.45f, 1.0f, -0.55f});
  for (auto t : m.tri) {
    V3 a = m.pos[t[0]], b = m.pos[t[1]], c = m.pos[t[2]];
    V3 n = normalized(cross(b - a, c - a));
    float lit = 0.5f + 0.5f * dot(n, light);  // 0..1
    int row = std::clamp(int((1 - lit) * rows), 0, rows - 1);
    int col = snowColumn >= 0 && n.y > 0.55f ? snowColumn : column;
    float cu = (col + 0.5f) / cols, cv = (row + 0.5f) / rows;
    float du = 0.25f / cols, dv = 0.25f / rows;
    int ia = out.vertex(a, cu - du, cv - dv), ib = out.vertex(b, cu + du, cv - dv), ic = out.vertex(c, cu, cv + dv);
    out.triangle(ia, ib, ic);
  }
  m = out;
}

Raster renderModelView(const WorldModel& model, const std::vector<ViewTexture>& textures, const ViewSpec& spec) {
  const int ss = 2;  // supersampling
  int W = spec.width * ss, H = spec.height * ss;
  Raster img(W, H, rgb(spec.background));
  std::vector<float> depth(size_t(W) * H, std::numeric_limits<float>::max());
  V3 f = normalized(spec.target - spec.eye);
  V3 r = normalized(cross({0, 1, 0}, f));
  V3 u = cross(f, r);
  float focal = (H * 0.5f) / std::tan(spec.fovDegrees * float(M_PI) / 360.0f);
  const V3 light = normalized({-0.45f, 1.0f, -0.55f});
  for (const PartMesh& m : model.meshes) {
    const Raster* tex = nullptr;
    int colour = 0x969696;
    for (const WorldMaterial& wm : model.materials)
      if (wm.name == m.material) colour = wm.colour;
    for (const ViewTexture& vt : textures)
      if (vt.material == m.material && vt.image.width() > 0) tex = &vt.image;
    for (auto t : m.tri) {
      V3 p[3];
      float sx[3], sy[3], iz[3];
      bool ok = true;
      for (int k = 0; k < 3; ++k) {
        V3 d = m.pos[t[k]] - spec.eye;
        p[k] = {dot(d, r), dot(d, u), dot(d, f)};
        if (p[k].z < 0.05f) ok = false;
        iz[k] = 1 / std::max(p[k].z, 0.05f);
        sx[k] = W * 0.5f + p[k].x * focal * iz[k];
        sy[k] = H * 0.5f - p[k].y * focal * iz[k];
      }
      if (!ok) continue;
      V3 n = normalized(cross(m.pos[t[1]] - m.pos[t[0]], m.pos[t[2]] - m.pos[t[0]]));
      float shade = 1 - spec.light + spec.light * (0.35f + 0.65f * std::max(0.0f, dot(n, light)) + 0.2f);
      float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
      if (std::fabs(area) < 1e-6f) continue;
      int x0 = std::max(0, int(std::floor(std::min({sx[0], sx[1], sx[2]}))));
      int x1 = std::min(W - 1, int(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
      int y0 = std::max(0, int(std::floor(std::min({sy[0], sy[1], sy[2]}))));
      int y1 = std::min(H - 1, int(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
      for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
          float px = x + 0.5f, py = y + 0.5f;
          float w0 = ((sx[1] - px) * (sy[2] - py) - (sx[2] - px) * (sy[1] - py)) / area;
          float w1 = ((sx[2] - px) * (sy[0] - py) - (sx[0] - px) * (sy[2] - py)) / area;
          float w2 = 1 - w0 - w1;
          if (w0 < 0 || w1 < 0 || w2 < 0) continue;
          float zi = w0 * iz[0] + w1 * iz[1] + w2 * iz[2];
          float z = 1 / zi;
          float& dz = depth[size_t(y) * W + x];
          if (z >= dz) continue;
          Rgba c = rgb(colour);
          if (tex) {
            float tu = (w0 * m.uv[t[0]][0] * iz[0] + w1 * m.uv[t[1]][0] * iz[1] + w2 * m.uv[t[2]][0] * iz[2]) * z;
            float tv = (w0 * m.uv[t[0]][1] * iz[0] + w1 * m.uv[t[1]][1] * iz[1] + w2 * m.uv[t[2]][1] * iz[2]) * z;
            int tx = int(std::floor(tu * tex->width())) % tex->width();
            int ty = int(std::floor(tv * tex->height())) % tex->height();
            if (tx < 0) tx += tex->width();
            if (ty < 0) ty += tex->height();
            c = tex->at(tx, ty);
            if (c.a < 0.5f) continue;
          }
          dz = z;
          img.at(x, y) = {std::min(1.0f, c.r * shade), std::min(1.0f, c.g * shade), std::min(1.0f, c.b * shade), 1};
        }
    }
  }
  return img.scaled(spec.width, spec.height);
}
