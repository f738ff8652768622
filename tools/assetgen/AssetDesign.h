// The numbers that make the demo work, written down once.
//
// The demo does not read sizes from anywhere but the assets themselves: it puts the level node at
// (0, -50, 0) and the chassis mesh node at (0, -100, 0) below a body at the origin, scales the car and the
// wheels by 30, takes the chassis collision box from the chassis mesh's frame-0 bounding box (times 30,
// centred on the mesh node's origin), takes each wheel's collision sphere radius as half the wheel mesh's
// X extent (times 30), and puts wheel k at (0, -100, 0) + 30 x (position of bone k). So the models below
// are shaped to make those derived shapes match what is drawn, and the level's floor is placed under the
// wheels that this arithmetic produces.
//
// World units are the engine's; model units are world units / 30. The car drives toward -Z.
#pragma once

namespace varrik::assetgen::design {

// --- Where the demo puts things (world units) ---------------------------------------------------------
constexpr double kModelScale = 30.0;      // scale of every car and wheel node
constexpr double kLevelNodeY = -50.0;     // level octree node position (0, kLevelNodeY, 0)
constexpr double kChassisNodeY = -100.0;  // chassis mesh node position (0, kChassisNodeY, 0)

// --- Chassis (model units) -----------------------------------------------------------------------------
// Centred on its origin with exactly this bounding box, because the collision box is the bounding box
// placed centred on the node: 60 x 24 x 120 world units around (0, -100, 0).
constexpr double kChassisHalfWidth = 1.0;   // X
constexpr double kChassisHalfHeight = 0.4;  // Y
constexpr double kChassisHalfLength = 2.0;  // Z, the nose at -Z

// --- Wheel bones (model units, relative to the chassis root frame, which is the identity) ---------------
// Wheels 1 and 2 steer at the front (-Z), 3 and 4 are driven at the rear (+Z). The centres sit on the
// underside of the chassis box and just outside its sides, so the tyres clear the body and reach below it.
struct WheelBone {
  const char* name;
  double x, y, z;
};
constexpr double kWheelTrackHalf = 1.15;  // |x| of every wheel centre
constexpr double kWheelCentreY = -0.4;
constexpr double kWheelBaseHalf = 1.3;  // |z| of every wheel centre
constexpr WheelBone kWheelBones[4] = {
    {"b_whee1", kWheelTrackHalf, kWheelCentreY, -kWheelBaseHalf},
    {"b_whee2", -kWheelTrackHalf, kWheelCentreY, -kWheelBaseHalf},
    {"b_whee3", kWheelTrackHalf, kWheelCentreY, kWheelBaseHalf},
    {"b_whee4", -kWheelTrackHalf, kWheelCentreY, kWheelBaseHalf},
};

// --- Wheel (model units) ---------------------------------------------------------------------------------
// Spins about X. The collision radius is taken from the X extent, so the model is exactly as wide (hub caps
// included) as the tyre is high: the derived sphere (0.5 x 0.6 x 30 = 9) is then the visible tyre, neither
// floating above the ground nor sinking into it.
constexpr double kWheelRadius = 0.3;
constexpr double kWheelHalfSpan = kWheelRadius;  // hub caps reach x = +-0.3
constexpr double kTyreHalfWidth = 0.15;

// --- Level (world units unless named "Level", which means the level mesh's own coordinates) -------------
// The lowest wheel point is -100 + 30 x (-0.4) - 9 = -121; the floor lies 9 below it so the car drops a
// little and lands on its wheels. The level node's offset turns that into -80 in the level's coordinates.
constexpr double kFloorWorldY = -130.0;
constexpr double kFloorLevelY = kFloorWorldY - kLevelNodeY;

// The track runs along Z from behind the car's start to far ahead of it (the car drives toward -Z).
constexpr double kTrackRearZ = 400.0;
constexpr double kTrackFrontZ = -4000.0;
constexpr double kRoadHalfWidth = 100.0;  // asphalt from x = -100 to 100: a car is 60 wide
constexpr double kVergeOuterX = 160.0;    // grass verges from |x| = 100 to 160
constexpr double kVergeRise = 6.0;        // the verges bank up toward the walls and steer the car back
constexpr double kWallHeight = 80.0;      // above the floor, far above the car's 24-unit body
constexpr double kWallThickness = 20.0;
constexpr double kWallFooting = 20.0;    // the outside of a wall reaches this far below the floor
constexpr double kSegmentLength = 25.0;  // floor tessellation along Z: fine enough for smooth humps

// A chequered start line just ahead of the car's nose (the nose is at z = -60).
constexpr double kStartLineNearZ = -75.0;
constexpr double kStartLineFarZ = -100.0;

// Rises of the whole track cross-section (floor, verges and walls together, so no side faces appear).
// Each rises over `ramp`, stays up over `plateau` and falls over `ramp`, with a cosine profile whose
// steepest slope is pi x height / (2 x ramp): 9 degrees for the hump and 12 for the table, both easy at the
// demo's wheel speed of about 9 units per second. The first starts 800 units ahead, well clear of the start.
struct Rise {
  double startZ;  // where the rise begins (it extends toward -Z)
  double ramp;
  double plateau;
  double height;
};
constexpr Rise kRises[] = {
    {-800.0, 200.0, 0.0, 20.0},     // a hump
    {-2200.0, 300.0, 400.0, 40.0},  // a table top
};

// The start area must be flat floor at exactly kFloorWorldY.
constexpr double kFlatStartHalfLength = 300.0;

// --- Relations the demo depends on ----------------------------------------------------------------------
constexpr double kWheelCentreWorldY = kChassisNodeY + kModelScale * kWheelCentreY;         // -112
constexpr double kWheelBottomWorldY = kWheelCentreWorldY - kModelScale * kWheelRadius;     // -121
constexpr double kChassisBottomWorldY = kChassisNodeY - kModelScale * kChassisHalfHeight;  // -112
static_assert(kWheelBottomWorldY < kChassisBottomWorldY, "the car must stand on its wheels");
static_assert(kFloorWorldY < kWheelBottomWorldY, "the car starts above the floor and drops onto it");
static_assert(kWheelHalfSpan == kWheelRadius, "derived sphere radius must equal the tyre radius");
static_assert(kWheelTrackHalf - kTyreHalfWidth > kChassisHalfWidth - 1e-9, "tyres must clear the body");
static_assert(kModelScale * (kWheelTrackHalf + kWheelHalfSpan) < kRoadHalfWidth, "the car fits the road");
static_assert(kRises[0].startZ <= -(kFlatStartHalfLength + 300.0), "rises stay well ahead of the start");

}  // namespace varrik::assetgen::design
