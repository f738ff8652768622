#ifndef VARRIK_GAMEWINDOW_H
#define VARRIK_GAMEWINDOW_H

#include <irrlicht.h>

namespace varrik::demo {

// The steps that turn a fresh game device into the demo's window, in the order main runs them.

//! Sets the window caption and adds the folder "data/" to the file system, ignoring case and
//! paths, so that the level and its textures can be opened by their bare names.
void prepareGameDevice(irr::IrrlichtDevice* device);

//! Adds the backdrop box under the scene root, every face textured with "data/sphere1.jpg".
//! A missing texture leaves the box untextured.
irr::scene::ISceneNode* addEnvironmentBox(irr::scene::ISceneManager* smgr, irr::video::IVideoDriver* driver);

//! Adds the first-person camera at its start position, makes it the active camera and hides
//! the mouse cursor.
irr::scene::ICameraSceneNode* addGameCamera(irr::IrrlichtDevice* device);

//! Draws one frame: the scene, then the GUI.
void drawFrame(irr::video::IVideoDriver* driver, irr::scene::ISceneManager* smgr,
               irr::gui::IGUIEnvironment* guienv);

//! At most this many fixed physics steps per frame.
const irr::u32 kMaxStepsPerFrame = 8;

//! The game's physics options: bodies move smoothly between the fixed steps (interpolated
//! motion), and a frame runs at most kMaxStepsPerFrame steps, so a stalled window (dragged,
//! paused in a debugger) resumes at once instead of catching up for seconds.
void configureGamePhysics();

/**
 * F3 turns the debug view of collision shapes on and off for the whole world. Every event, F3
 * included, goes on to the engine, so the arrow keys and the mouse drive the camera as before.
 */
class CDebugViewKey : public irr::IEventReceiver {
 public:
  explicit CDebugViewKey(irr::scene::ISceneNode* world) : m_pWorld(world) {}
  bool OnEvent(const irr::SEvent& event) override;
  bool isOn() const { return m_bOn; }

 private:
  irr::scene::ISceneNode* m_pWorld;
  bool m_bOn = false;
  //! A held key repeats its presses: only a press after a release counts.
  bool m_bKeyDown = false;
};

}  // namespace varrik::demo

#endif
