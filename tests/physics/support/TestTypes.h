// The names the physics tests use without qualification, in the tests' own namespace.
#ifndef VARRIK_TESTS_PHYSICS_TEST_TYPES_H
#define VARRIK_TESTS_PHYSICS_TEST_TYPES_H

#include <irrlicht.h>

namespace irr {
namespace ode {
class CRurIvaBody;
class CRurIvaDevice;
class CRurIvaGeom;
class CRurIvaGeomBox;
class CRurIvaGeomCapsule;
class CRurIvaGeomCylinder;
class CRurIvaGeomPlane;
class CRurIvaGeomSphere;
class CRurIvaGeomTrimesh;
class CRurIvaManager;
class CRurIvaSpace;
class CRurIvaSurfaceParameters;
class CRurIvaWorld;
}  // namespace ode
}  // namespace irr

namespace varrik {
namespace test {

using irr::f32;
using irr::s32;
using irr::u16;
using irr::u32;
using irr::u8;
using irr::core::aabbox3df;
using irr::core::vector3df;
using irr::ode::CRurIvaBody;
using irr::ode::CRurIvaDevice;
using irr::ode::CRurIvaGeom;
using irr::ode::CRurIvaGeomBox;
using irr::ode::CRurIvaGeomCapsule;
using irr::ode::CRurIvaGeomCylinder;
using irr::ode::CRurIvaGeomPlane;
using irr::ode::CRurIvaGeomSphere;
using irr::ode::CRurIvaGeomTrimesh;
using irr::ode::CRurIvaManager;
using irr::ode::CRurIvaSpace;
using irr::ode::CRurIvaSurfaceParameters;
using irr::ode::CRurIvaWorld;
using irr::scene::ISceneNode;

}  // namespace test
}  // namespace varrik

#endif
