#include "XFileWriter.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace varrik::assetgen {
namespace {

// Fixed-point text with six decimals: exact for every designed dimension and identical on every run.
std::string number(double value) {
  if (std::fabs(value) < 5e-7) value = 0.0;  // no "-0.000000"
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.6f", value);
  return buffer;
}

// Writes `count` items, separated by ",\n" and closed with ";;\n", as DirectX text arrays are.
template <typename WriteItem>
void writeArray(std::ostringstream& out, std::size_t count, const std::string& indent, WriteItem writeItem) {
  for (std::size_t i = 0; i < count; ++i) {
    out << indent;
    writeItem(i);
    out << (i + 1 < count ? ",\n" : ";\n");
  }
  if (count == 0) out << indent << ";\n";
}

void writeTransform(std::ostringstream& out, const std::string& indent, Vec3 translation) {
  out << indent << "FrameTransformMatrix {\n"
      << indent << "  1.000000,0.000000,0.000000,0.000000,\n"
      << indent << "  0.000000,1.000000,0.000000,0.000000,\n"
      << indent << "  0.000000,0.000000,1.000000,0.000000,\n"
      << indent << "  " << number(translation.x) << ',' << number(translation.y) << ','
      << number(translation.z) << ",1.000000;;\n"
      << indent << "}\n";
}

void writeTriangles(std::ostringstream& out, const IndexedMesh& mesh, const std::string& indent) {
  out << indent << mesh.triangles.size() << ";\n";
  writeArray(out, mesh.triangles.size(), indent, [&](std::size_t i) {
    const auto& t = mesh.triangles[i];
    out << "3;" << t[0] << ',' << t[1] << ',' << t[2] << ';';
  });
}

}  // namespace

std::string encodeXFile(const XModel& model) {
  const IndexedMesh& mesh = model.mesh;
  std::ostringstream out;
  out << "xof 0303txt 0032\n\n";
  out << "Frame " << model.rootFrame << " {\n";
  writeTransform(out, "  ", {});

  out << "  Mesh " << model.rootFrame << "_mesh {\n";
  out << "    " << mesh.positions.size() << ";\n";
  writeArray(out, mesh.positions.size(), "    ", [&](std::size_t i) {
    const Vec3& p = mesh.positions[i];
    out << number(p.x) << ';' << number(p.y) << ';' << number(p.z) << ';';
  });
  writeTriangles(out, mesh, "    ");

  out << "    MeshNormals {\n";
  out << "      " << mesh.normals.size() << ";\n";
  writeArray(out, mesh.normals.size(), "      ", [&](std::size_t i) {
    const Vec3& n = mesh.normals[i];
    out << number(n.x) << ';' << number(n.y) << ';' << number(n.z) << ';';
  });
  writeTriangles(out, mesh, "      ");  // normals are indexed like the positions
  out << "    }\n";

  out << "    MeshTextureCoords {\n";
  out << "      " << mesh.uvs.size() << ";\n";
  writeArray(out, mesh.uvs.size(), "      ",
             [&](std::size_t i) { out << number(mesh.uvs[i].u) << ';' << number(mesh.uvs[i].v) << ';'; });
  out << "    }\n";

  // One white material: the demo draws the car unlit, and the loader copies the diffuse colour into the
  // vertex colours, which then multiply the texture.
  out << "    MeshMaterialList {\n";
  out << "      1;\n";
  out << "      " << mesh.triangles.size() << ";\n";
  writeArray(out, mesh.triangles.size(), "      ", [&](std::size_t) { out << '0'; });
  out << "      Material {\n"
      << "        1.000000;1.000000;1.000000;1.000000;;\n"
      << "        0.000000;\n"
      << "        0.000000;0.000000;0.000000;;\n"
      << "        0.000000;0.000000;0.000000;;\n"
      << "        TextureFilename {\n"
      << "          \"" << model.textureFile << "\";\n"
      << "        }\n"
      << "      }\n";
  out << "    }\n";
  out << "  }\n";

  for (const XFrame& frame : model.childFrames) {
    out << "  Frame " << frame.name << " {\n";
    writeTransform(out, "    ", frame.translation);
    out << "  }\n";
  }
  out << "}\n";
  return out.str();
}

}  // namespace varrik::assetgen
