#include "CRurIvaDevice.h"

#include <cmath>

#include "RurIvaDeviceInternal.h"

// The collision shapes as the library has them, as line segments for a debug view. Every size
// and pose is read from the library's geometry, never from the scene node that made it.

namespace irr {
namespace ode {

namespace {

//! Segments of a full circle; arcs take a share of them.
const int kCircleSegments = 24;
//! Grid lines per direction drawn for a heightfield at most (rows are left out beyond that).
const int kMaxHeightfieldLines = 64;
//! The plane patch: this many cells a side, of this size.
const int kPlaneCells = 10;
const f32 kPlaneCellSize = 10.0f;

//! A geometry's frame: its position and rotation matrix (the library's 3 x 4 row layout).
class CFrame {
 public:
  CFrame(const dReal* pPos, const dReal* pRot) : m_pPos(pPos), m_pRot(pRot) {}
  core::vector3df toWorld(f64 x, f64 y, f64 z) const {
    const dReal* R = m_pRot;
    return core::vector3df(static_cast<f32>(m_pPos[0] + R[0] * x + R[1] * y + R[2] * z),
                           static_cast<f32>(m_pPos[1] + R[4] * x + R[5] * y + R[6] * z),
                           static_cast<f32>(m_pPos[2] + R[8] * x + R[9] * y + R[10] * z));
  }

 private:
  const dReal* m_pPos;
  const dReal* m_pRot;
};

void addLine(core::array<core::line3df>& aLines, const core::vector3df& a, const core::vector3df& b) {
  aLines.push_back(core::line3df(a, b));
}

/**
 * An arc in the geometry's frame around (cx, cy, cz): the point at angle t is the centre plus
 * r cos t along axis iU and r sin t along axis iV (0 = x, 1 = y, 2 = z), t from fFrom to fTo.
 */
void addArc(core::array<core::line3df>& aLines, const CFrame& f, f64 cx, f64 cy, f64 cz, f64 r, int iU,
            int iV, f64 fFrom, f64 fTo) {
  const int n =
      core::max_(2, static_cast<int>(std::ceil(kCircleSegments * std::fabs(fTo - fFrom) / (2 * M_PI))));
  core::vector3df cLast;
  for (int i = 0; i <= n; ++i) {
    const f64 t = fFrom + (fTo - fFrom) * i / n;
    f64 p[3] = {cx, cy, cz};
    p[iU] += r * std::cos(t);
    p[iV] += r * std::sin(t);
    const core::vector3df c = f.toWorld(p[0], p[1], p[2]);
    if (i > 0) addLine(aLines, cLast, c);
    cLast = c;
  }
}

void addBox(core::array<core::line3df>& aLines, const CFrame& f, const dReal* L) {
  const f64 h[3] = {L[0] * 0.5, L[1] * 0.5, L[2] * 0.5};
  core::vector3df c[8];
  for (int i = 0; i < 8; ++i)
    c[i] = f.toWorld(i & 1 ? h[0] : -h[0], i & 2 ? h[1] : -h[1], i & 4 ? h[2] : -h[2]);
  // Every pair of corners that differs in exactly one coordinate is an edge.
  for (int i = 0; i < 8; ++i)
    for (int k = 1; k < 8; k <<= 1)
      if (!(i & k)) addLine(aLines, c[i], c[i | k]);
}

//! A capsule (bCaps) or a cylinder along the geometry's z axis.
void addRoundShape(core::array<core::line3df>& aLines, const CFrame& f, f64 r, f64 fLength, bool bCaps) {
  const f64 h = fLength * 0.5;
  addArc(aLines, f, 0, 0, -h, r, 0, 1, 0, 2 * M_PI);
  addArc(aLines, f, 0, 0, h, r, 0, 1, 0, 2 * M_PI);
  for (int i = 0; i < 4; ++i) {
    const f64 x = r * std::cos(i * M_PI / 2), y = r * std::sin(i * M_PI / 2);
    addLine(aLines, f.toWorld(x, y, -h), f.toWorld(x, y, h));
  }
  if (!bCaps) return;
  // Half circles over each end, in the x-z and the y-z plane.
  for (int iSide = -1; iSide <= 1; iSide += 2) {
    const f64 fFrom = iSide > 0 ? 0 : M_PI;
    addArc(aLines, f, 0, 0, iSide * h, r, 0, 2, fFrom, fFrom + M_PI);
    addArc(aLines, f, 0, 0, iSide * h, r, 1, 2, fFrom, fFrom + M_PI);
  }
}

void addPlane(core::array<core::line3df>& aLines, dGeomID g, const core::vector3df& cNear) {
  dVector4 p;
  dGeomPlaneGetParams(g, p);
  core::vector3df n(static_cast<f32>(p[0]), static_cast<f32>(p[1]), static_cast<f32>(p[2]));
  if (n.getLengthSQ() < 1e-12f) return;
  n.normalize();
  const f32 d = static_cast<f32>(p[3]);
  const core::vector3df cCentre = cNear - n * (n.dotProduct(cNear) - d);
  // Two directions in the plane.
  core::vector3df u = std::fabs(n.Y) < 0.9f ? n.crossProduct(core::vector3df(0, 1, 0))
                                            : n.crossProduct(core::vector3df(1, 0, 0));
  u.normalize();
  const core::vector3df v = n.crossProduct(u);
  const f32 fHalf = kPlaneCells * kPlaneCellSize * 0.5f;
  for (int i = 0; i <= kPlaneCells; ++i) {
    const f32 t = -fHalf + i * kPlaneCellSize;
    addLine(aLines, cCentre + u * t - v * fHalf, cCentre + u * t + v * fHalf);
    addLine(aLines, cCentre + v * t - u * fHalf, cCentre + v * t + u * fHalf);
  }
}

void addTrimesh(core::array<core::line3df>& aLines, dGeomID g) {
  const int n = dGeomTriMeshGetTriangleCount(g);
  for (int i = 0; i < n; ++i) {
    dVector3 a, b, c;
    dGeomTriMeshGetTriangle(g, i, &a, &b, &c);
    const core::vector3df pa = toVector(a), pb = toVector(b), pc = toVector(c);
    addLine(aLines, pa, pb);
    addLine(aLines, pb, pc);
    addLine(aLines, pc, pa);
  }
}

//! The heightfield's grid: the library centres it on the geometry, heights along its y axis.
void addHeightfield(core::array<core::line3df>& aLines, const CFrame& f, const SHeightSource& s) {
  const int nx = s.iWidthSamples, nz = s.iDepthSamples;
  if (nx < 2 || nz < 2 || !s.pCallback) return;
  auto point = [&](int x, int z) {
    const f64 fHeight = static_cast<f64>(s.pCallback(s.pUserData, x, z)) * s.fScale + s.fOffset;
    return f.toWorld(-0.5 * s.fWidth + static_cast<f64>(s.fWidth) * x / (nx - 1), fHeight,
                     -0.5 * s.fDepth + static_cast<f64>(s.fDepth) * z / (nz - 1));
  };
  // Lines along x every kx-th row, and along z every kz-th column; the last row and column always.
  const int kx = core::max_(1, (nz + kMaxHeightfieldLines - 1) / kMaxHeightfieldLines);
  const int kz = core::max_(1, (nx + kMaxHeightfieldLines - 1) / kMaxHeightfieldLines);
  for (int z = 0; z < nz; z = (z + kx < nz || z == nz - 1) ? z + kx : nz - 1)
    for (int x = 1; x < nx; ++x) addLine(aLines, point(x - 1, z), point(x, z));
  for (int x = 0; x < nx; x = (x + kz < nx || x == nx - 1) ? x + kz : nx - 1)
    for (int z = 1; z < nz; ++z) addLine(aLines, point(x, z - 1), point(x, z));
}

}  // namespace

void CRurIvaDevice::geomGetDebugLines(u32 iGeom, const core::vector3df& cNear,
                                      core::array<core::line3df>& aLines) {
  COdeDataWrapper* r = live(iGeom, eKindGeom);
  if (!r) return;
  dGeomID g = r->m_pGeom;
  const int iClass = dGeomGetClass(g);
  if (iClass == dPlaneClass) {
    addPlane(aLines, g, cNear);
    return;
  }
  if (iClass == dRayClass) {
    dVector3 cStart, cDir;
    dGeomRayGet(g, cStart, cDir);
    const dReal fLength = dGeomRayGetLength(g);
    const core::vector3df a = toVector(cStart);
    addLine(aLines, a, a + toVector(cDir) * static_cast<f32>(fLength));
    return;
  }
  if (iClass == dTriMeshClass) {
    addTrimesh(aLines, g);
    return;
  }
  // The rest are placeable: their frame is the library's position and rotation.
  const CFrame f(dGeomGetPosition(g), dGeomGetRotation(g));
  switch (iClass) {
    case dBoxClass: {
      dVector3 L;
      dGeomBoxGetLengths(g, L);
      addBox(aLines, f, L);
      break;
    }
    case dSphereClass: {
      const dReal fRadius = dGeomSphereGetRadius(g);
      addArc(aLines, f, 0, 0, 0, fRadius, 0, 1, 0, 2 * M_PI);
      addArc(aLines, f, 0, 0, 0, fRadius, 1, 2, 0, 2 * M_PI);
      addArc(aLines, f, 0, 0, 0, fRadius, 2, 0, 0, 2 * M_PI);
      break;
    }
    case dCapsuleClass:
    case dCylinderClass: {
      dReal fRadius = 0, fLength = 0;
      if (iClass == dCapsuleClass)
        dGeomCapsuleGetParams(g, &fRadius, &fLength);
      else
        dGeomCylinderGetParams(g, &fRadius, &fLength);
      addRoundShape(aLines, f, fRadius, fLength, iClass == dCapsuleClass);
      break;
    }
    case dHeightfieldClass: {
      dHeightfieldDataID pData = dGeomHeightfieldGetHeightfieldData(g);
      for (u32 i = 0; i < m_aRecords.size(); ++i) {
        const COdeDataWrapper* d = m_aRecords[i];
        if (d && d->m_iKind == eKindHeightfieldData && d->m_pHeightfieldData == pData && d->m_pHeightSource) {
          addHeightfield(aLines, f, *d->m_pHeightSource);
          break;
        }
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace ode
}  // namespace irr
