#ifndef C_RUR_IVA_DEBUG_VIEW_H
#define C_RUR_IVA_DEBUG_VIEW_H

#include <irrlicht.h>

namespace irr {
namespace ode {

/**
 * What the debug view of collision shapes shares. A geometry node whose debug-data flag is set
 * (setDebugDataVisible with any non-zero value) draws its shape as the dynamics library has it,
 * as lines in world space; a world whose flag is set marks the contact points of its last step.
 * The colours tell the kinds of geometry apart.
 */
class CRurIvaDebugView {
 public:
  //! A geometry of a body that is simulated (enabled).
  static const video::SColor kDynamic;
  //! A geometry of a body the simulation has put to sleep (disabled).
  static const video::SColor kSleeping;
  //! A geometry without a body (the level, the ground).
  static const video::SColor kStatic;
  //! A contact point of the last step.
  static const video::SColor kContact;

  /**
   * Draws lines given in world space in one colour, unlit. With bOnTop they are drawn over
   * everything (a body's shape inside its model); otherwise the depth buffer hides them where a
   * surface is in front.
   */
  static void drawLines(video::IVideoDriver* pDriver, const core::array<core::line3df>& aLines,
                        video::SColor cColor, bool bOnTop);

  /**
   * The box around lines given in world space, in the frame of a node with the given absolute
   * transformation: what the node reports as its bounding box while it draws them, so that the
   * engine culls it by what it draws.
   */
  static core::aabbox3df localBox(const core::array<core::line3df>& aLines, const core::matrix4& cAbsolute);

  //! Sets (EDS_FULL) or clears the debug-data flag of every geometry and world in the subtree
  //! below and including pNode; other nodes are left as they are.
  static void setSubtree(scene::ISceneNode* pNode, bool bOn);
};

}  // namespace ode
}  // namespace irr

#endif
