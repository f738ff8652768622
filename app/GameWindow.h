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

}  // namespace varrik::demo

#endif
