#include "BspWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

namespace varrik::assetgen {
namespace {

// Lump numbers of the Quake 3 format.
enum Lump {
  kEntities = 0,
  kTextures = 1,
  kPlanes = 2,
  kNodes = 3,
  kLeafs = 4,
  kLeafFaces = 5,
  kLeafBrushes = 6,
  kModels = 7,
  kBrushes = 8,
  kBrushSides = 9,
  kVertices = 10,
  kMeshVertices = 11,
  kEffects = 12,
  kFaces = 13,
  kLightmaps = 14,
  kLightVolumes = 15,
  kVisibility = 16,
  kLumpCount = 17,
};

constexpr std::int32_t kVersion = 46;
constexpr std::size_t kTextureNameSize = 64;
constexpr std::int32_t kFacePolygon = 1;  // planar polygon, triangles listed in the mesh-vertex lump
constexpr std::int32_t kFaceMesh = 3;     // triangle soup, same storage

// The engine's loader multiplies vertex colours by 4 (its default "modulate 4x" overbright setting), so a
// brightness b is stored as b / 4.
constexpr double kLoaderColourScale = 4.0;

// The engine's 1.8 loader reads one lump entry more than Quake 3 defines (a slot for another game's
// format). Eight zero bytes after the header keep that read inside the file and harmless.
constexpr std::size_t kHeaderPadding = 8;

// Little-endian byte sink, independent of the host's byte order.
class Bytes {
 public:
  void u8(std::uint8_t v) { m_data.push_back(v); }
  void s32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8) m_data.push_back(static_cast<std::uint8_t>(u >> shift));
  }
  void f32(double v) {
    const float f = static_cast<float>(v);
    std::int32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    s32(bits);
  }
  void vec(Vec3 engine) {  // engine (x, y, z) -> file (x, z, y)
    f32(engine.x);
    f32(engine.z);
    f32(engine.y);
  }
  void name(const std::string& text, std::size_t size) {
    if (text.size() >= size) throw std::invalid_argument("name too long for BSP field: " + text);
    for (std::size_t i = 0; i < size; ++i) u8(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
  }
  void append(const Bytes& other) { m_data.insert(m_data.end(), other.m_data.begin(), other.m_data.end()); }
  void pad4() {
    while (m_data.size() % 4 != 0) m_data.push_back(0);
  }
  std::size_t size() const { return m_data.size(); }
  void patch32(std::size_t at, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) m_data[at + i] = static_cast<std::uint8_t>(u >> (8 * i));
  }
  std::vector<std::uint8_t> take() { return std::move(m_data); }

 private:
  std::vector<std::uint8_t> m_data;
};

std::uint8_t colourByte(double brightness) {
  const double stored = std::clamp(brightness, 0.0, 1.0) * 255.0 / kLoaderColourScale;
  return static_cast<std::uint8_t>(std::lround(std::ceil(stored)));
}

Vec3 faceNormal(const BspFace& face) {
  Vec3 sum{};
  for (std::size_t i = 0; i + 2 < face.indices.size(); i += 3) {
    const Vec3& a = face.vertices[face.indices[i]].position;
    const Vec3& b = face.vertices[face.indices[i + 1]].position;
    const Vec3& c = face.vertices[face.indices[i + 2]].position;
    sum = sum + cross(b - a, c - a);
  }
  return normalized(sum);
}

bool isPlanar(const BspFace& face, Vec3 normal) {
  const double d = dot(normal, face.vertices.front().position);
  return std::all_of(face.vertices.begin(), face.vertices.end(),
                     [&](const BspVertex& v) { return std::fabs(dot(normal, v.position) - d) < 1e-6; });
}

}  // namespace

std::vector<std::uint8_t> encodeBsp(const BspLevel& level) {
  std::array<Bytes, kLumpCount> lumps;

  for (char c : level.entities) lumps[kEntities].u8(static_cast<std::uint8_t>(c));
  lumps[kEntities].u8(0);

  for (const std::string& texture : level.textures) {
    lumps[kTextures].name(texture, kTextureNameSize);
    lumps[kTextures].s32(0);  // surface flags
    lumps[kTextures].s32(1);  // contents: solid
  }

  Vec3 lo{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
          std::numeric_limits<double>::max()};
  Vec3 hi = lo * -1.0;
  std::int32_t vertexCount = 0;
  std::int32_t meshVertexCount = 0;
  for (const BspFace& face : level.faces) {
    if (face.texture < 0 || face.texture >= static_cast<int>(level.textures.size()) ||
        face.indices.size() % 3 != 0 || face.vertices.empty())
      throw std::invalid_argument("malformed BSP face");

    for (const BspVertex& v : face.vertices) {
      Bytes& out = lumps[kVertices];
      out.vec(v.position);
      out.f32(v.uv.u);
      out.f32(v.uv.v);
      out.f32(0.0);  // lightmap coordinates: the level has no lightmaps
      out.f32(0.0);
      out.vec(v.normal);
      const std::uint8_t grey = colourByte(v.brightness);
      out.u8(grey);
      out.u8(grey);
      out.u8(grey);
      out.u8(255);
      lo = {std::min(lo.x, v.position.x), std::min(lo.y, v.position.y), std::min(lo.z, v.position.z)};
      hi = {std::max(hi.x, v.position.x), std::max(hi.y, v.position.y), std::max(hi.z, v.position.z)};
    }
    for (int index : face.indices) lumps[kMeshVertices].s32(index);

    const Vec3 normal = faceNormal(face);
    Bytes& out = lumps[kFaces];
    out.s32(face.texture);
    out.s32(-1);  // no effect (fog)
    out.s32(isPlanar(face, normal) ? kFacePolygon : kFaceMesh);
    out.s32(vertexCount);
    out.s32(static_cast<std::int32_t>(face.vertices.size()));
    out.s32(meshVertexCount);
    out.s32(static_cast<std::int32_t>(face.indices.size()));
    out.s32(-1);                               // no lightmap
    for (int i = 0; i < 4; ++i) out.s32(0);    // lightmap corner and size
    for (int i = 0; i < 9; ++i) out.f32(0.0);  // lightmap origin and axes
    out.vec(normal);
    out.s32(0);  // patch size (patches only)
    out.s32(0);

    vertexCount += static_cast<std::int32_t>(face.vertices.size());
    meshVertexCount += static_cast<std::int32_t>(face.indices.size());
  }

  // Model 0, the world, owns every face. Its bounds are in file (Z-up) coordinates like everything else.
  Bytes& model = lumps[kModels];
  model.vec(lo);
  model.vec(hi);
  model.s32(0);
  model.s32(static_cast<std::int32_t>(level.faces.size()));
  model.s32(0);  // no brushes
  model.s32(0);

  Bytes file;
  file.u8('I');
  file.u8('B');
  file.u8('S');
  file.u8('P');
  file.s32(kVersion);
  const std::size_t directory = file.size();
  for (int i = 0; i < kLumpCount; ++i) {
    file.s32(0);
    file.s32(0);
  }
  for (std::size_t i = 0; i < kHeaderPadding; ++i) file.u8(0);

  for (int i = 0; i < kLumpCount; ++i) {
    file.pad4();
    file.patch32(directory + 8 * i, static_cast<std::int32_t>(file.size()));
    file.patch32(directory + 8 * i + 4, static_cast<std::int32_t>(lumps[i].size()));
    file.append(lumps[i]);
  }
  return file.take();
}

}  // namespace varrik::assetgen
