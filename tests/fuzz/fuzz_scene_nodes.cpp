// The bytes as a sequence of what a game does to the physics nodes of its scene graph: building
// worlds, spaces, bodies, geometries and joints below one another, starting their physics,
// stepping, moving nodes to other parents, cloning them, taking them out of the scene (or out of
// the simulation only, or through the manager's deletion queue), holding nodes it has taken out and
// letting go of them later, in any order and after their worlds, bodies or parents have gone; now
// and then drawing the debug view, adding a motor or restarting the dynamics library; and any of it
// from inside an event, as a game's listener does.
//
// Each operation takes one byte to choose it and then the bytes of its arguments; an input that
// ends early ends the sequence. A byte picks one of the nodes the harness can still reach (below
// the scene's root or below a node it holds).
//
// What is promised: no crash, no abort, no read of freed memory, no hang; a body never holds a
// value that is not a number; when everything is let go and the scene cleared, nothing is left
// registered with the manager.
#include <irrlicht.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_set>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomCapsule.h"
#include "CRurIvaGeomCylinder.h"
#include "CRurIvaGeomHeightfield.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaGeomTrimesh.h"
#include "CRurIvaJointBallSocket.h"
#include "CRurIvaJointFixed.h"
#include "CRurIvaJointHinge.h"
#include "CRurIvaJointHinge2.h"
#include "CRurIvaJointPR.h"
#include "CRurIvaJointPiston.h"
#include "CRurIvaJointSlider.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaManager.h"
#include "CRurIvaMotor.h"
#include "CRurIvaSpace.h"
#include "CRurIvaWorld.h"
#include "CRurIvaAeroDrag.h"
#include "CRurIvaImpulseMotor.h"
#include "CRurIvaServo.h"
#include "CRurIvaTorqueMotor.h"
#include "FuzzPhysics.h"

using namespace irr;
using namespace irr::ode;
using core::vector3df;

namespace {

//! Values a game may well give: ordinary ones, and a few awkward ones.
const f32 kValues[] = {0.0f, 1.0f, 0.5f, 2.0f, -1.0f, 10.0f, 0.1f, 3.0f, -3.0f, 1e-4f, 1e4f, 100.0f};

class CSceneOps;

//! A game's listener: on the n-th event of one type after it is armed, it does the input's next
//! operation from inside the event (a level cleared from a step event, a body removed from its
//! move or ray hit). It fires once per arming, and not from inside its own operation.
class CActingListener : public IRurIvaEventListener {
 public:
  explicit CActingListener(CSceneOps* pOps) : m_pOps(pOps) {}
  void arm(u16 iType, u32 iCount) {
    m_iType = iType;
    m_iLeft = iCount;
  }
  void disarm() { m_iLeft = 0; }
  bool acting() const { return m_bActing; }
  bool handlesEvent(IRurIvaEvent* pEvent) override {
    return m_iLeft > 0 && !m_bActing && pEvent && pEvent->type() == m_iType;
  }
  bool onEvent(IRurIvaEvent* pEvent) override;

 private:
  CSceneOps* m_pOps;
  u16 m_iType = 0;
  u32 m_iLeft = 0;
  bool m_bActing = false;
};

class CSceneOps {
 public:
  CSceneOps(const std::uint8_t* pData, size_t iSize) : m_pData(pData), m_iSize(iSize), m_iPos(0) {
    m_pSmgr = varrik::fuzz::physicsSceneWithFactory();
    m_pRoot = m_pSmgr->getRootSceneNode();
    CRurIvaManager::getSharedInstance()->getQueue()->addEventListener(&m_cListener);
  }

  bool more() const { return m_iPos < m_iSize; }
  u8 byte() { return m_iPos < m_iSize ? m_pData[m_iPos++] : 0; }
  f32 value() { return kValues[byte() % (sizeof(kValues) / sizeof(kValues[0]))]; }
  vector3df vec() {
    const f32 x = value(), y = value(), z = value();
    return vector3df(x, y, z);
  }

  //! Every node the harness can reach: the scene below the root, and what it holds.
  std::vector<scene::ISceneNode*> reachable() const {
    std::vector<scene::ISceneNode*> aNodes;
    std::unordered_set<scene::ISceneNode*> cSeen;
    std::vector<scene::ISceneNode*> aOpen(m_aHeld.begin(), m_aHeld.end());
    aOpen.push_back(m_pRoot);
    while (!aOpen.empty()) {
      scene::ISceneNode* p = aOpen.back();
      aOpen.pop_back();
      if (!cSeen.insert(p).second) continue;
      if (p != m_pRoot) aNodes.push_back(p);
      for (scene::ISceneNode* pChild : p->getChildren()) aOpen.push_back(pChild);
    }
    return aNodes;
  }

  //! A reachable node, or the root when the byte says so or there is none.
  scene::ISceneNode* node() {
    const std::vector<scene::ISceneNode*> aNodes = reachable();
    const u8 b = byte();
    return traced(b == 0 || aNodes.empty() ? m_pRoot : aNodes[b % aNodes.size()]);
  }
  //! With VARRIK_FUZZ_TRACE set, each operation and node goes to standard error (to read what a
  //! failing input does).
  scene::ISceneNode* traced(scene::ISceneNode* p) const {
    if (m_bTrace && p) {
      const u32 t = p->getType();  // four letters, as the engine makes its type ids
      fprintf(stderr, " %c%c%c%c %p (refs %d, parent %p)", t & 0xff, (t >> 8) & 0xff, (t >> 16) & 0xff,
              t >> 24, static_cast<void*>(p), p->getReferenceCount(), static_cast<void*>(p->getParent()));
    }
    return p;
  }
  //! A reachable node of the given type, or none.
  scene::ISceneNode* nodeOfType(scene::ESCENE_NODE_TYPE iType) {
    std::vector<scene::ISceneNode*> aNodes;
    for (scene::ISceneNode* p : reachable())
      if (p->getType() == iType) aNodes.push_back(p);
    const u8 b = byte();
    return static_cast<scene::ISceneNode*>(traced(aNodes.empty() ? nullptr : aNodes[b % aNodes.size()]));
  }
  static CRurIvaSceneNode* physicsNode(scene::ISceneNode* p) { return dynamic_cast<CRurIvaSceneNode*>(p); }

  template <class T>
  T* add(scene::ISceneNode* pParent) {
    T* p = new T(pParent, m_pSmgr, -1, vec());
    m_aBusy.push_back(p);  // the creation reference, kept while the operation sets it up
    return p;
  }

  //! Holds p until the current operation is over: a listener may take it out of the scene from
  //! inside an event of a call the operation makes, and the operation goes on using it.
  void busy(scene::ISceneNode* p) {
    p->grab();
    m_aBusy.push_back(p);
  }
  void operationOver() {
    for (scene::ISceneNode* p : m_aBusy) p->drop();
    m_aBusy.clear();
  }

  //! Keeps a reference to p (once), as a game that pools its nodes does.
  void hold(scene::ISceneNode* p) {
    for (scene::ISceneNode* q : m_aHeld)
      if (q == p) return;
    p->grab();
    m_aHeld.push_back(p);
  }

  void next() {
    const u8 iOp = byte() % 16;
    if (m_bTrace) fprintf(stderr, "\nop %u:", iOp);
    switch (iOp) {
      case 0:
        add<CRurIvaWorld>(byte() & 1 ? node() : m_pRoot);
        break;
      case 1:
        add<CRurIvaBody>(node());
        break;
      case 2: {
        // A geometry below an empty visible node, as the demo builds them, or directly below.
        scene::ISceneNode* pParent = node();
        if (byte() & 1) pParent = m_pSmgr->addEmptySceneNode(pParent);
        switch (byte() % 4) {
          case 0: {
            CRurIvaGeomBox* p = add<CRurIvaGeomBox>(pParent);
            p->setWidth(value());
            p->setHeight(value());
            p->setDepht(value());
            p->setMassTotal(value());
            break;
          }
          case 1: {
            CRurIvaGeomSphere* p = add<CRurIvaGeomSphere>(pParent);
            p->setRadius(value());
            p->setMassTotal(value());
            break;
          }
          case 2: {
            CRurIvaGeomCapsule* p = add<CRurIvaGeomCapsule>(pParent);
            p->setMassTotal(value());
            break;
          }
          default:
            add<CRurIvaGeomPlane>(pParent)->setParams(0, 1, 0, value());
            break;
        }
        break;
      }
      case 3:
        if (byte() & 1)
          add<CRurIvaJointHinge>(node());
        else
          add<CRurIvaJointBallSocket>(node());
        break;
      case 4:
        add<CRurIvaSpace>(node());
        break;
      case 5:
        // A game holds what it starts.
        if (CRurIvaSceneNode* p = physicsNode(node())) {
          busy(p);
          p->initPhysics();
        }
        break;
      case 6:
      case 7:
        if (CRurIvaWorld* p = static_cast<CRurIvaWorld*>(nodeOfType(RUR_IVA_WORLD_ID))) {
          busy(p);
          for (u8 n = 1 + byte() % 4; n > 0; --n) {
            if (byte() & 1)
              p->quickStep(0.016f);
            else
              p->step(0.016f);
          }
          varrik::fuzz::checkBodiesHaveNumbers("after a step");
        }
        break;
      case 8:
        // Out of the scene; the node goes unless the harness holds it.
        if (scene::ISceneNode* p = node(); p != m_pRoot) p->remove();
        break;
      case 9:
        // Out of the scene and held: the node outlives whatever owned it.
        if (scene::ISceneNode* p = node(); p != m_pRoot) {
          hold(p);
          p->remove();
        }
        break;
      case 10:
        if (scene::ISceneNode* p = node(); p != m_pRoot) hold(p);
        break;
      case 11:
        if (!m_aHeld.empty()) {
          const size_t i = byte() % m_aHeld.size();
          scene::ISceneNode* p = m_aHeld[i];
          m_aHeld.erase(m_aHeld.begin() + static_cast<long>(i));
          p->drop();
        }
        break;
      case 12: {
        // To another parent, never into its own subtree (the engine would loop on the cycle).
        scene::ISceneNode* p = node();
        scene::ISceneNode* pParent = node();
        if (p == m_pRoot) break;
        bool bInside = false;
        for (scene::ISceneNode* q = pParent; q; q = q->getParent()) bInside |= q == p;
        if (!bInside) p->setParent(pParent);
        break;
      }
      case 13:
        if (CRurIvaSceneNode* p = physicsNode(node())) p->removeFromPhysics();
        break;
      case 14:
        if (scene::ISceneNode* p = node(); p != m_pRoot) {
          scene::ISceneNode* pClone = CRurIvaManager::getSharedInstance()->cloneTree(p, node(), m_pSmgr);
          // A physics node's copy comes with its creation reference, an engine node's without.
          if (physicsNode(pClone)) pClone->drop();
        }
        break;
      default:
        other();
        break;
    }
  }

  //! The rarer operations: a body's pose and velocity, the debug view drawn, removal through the
  //! manager's deletion queue, a restart of the dynamics library, a motor of any kind, a geometry or
  //! joint of the rarer kinds, an attribute of a node set as a scene file or editor would, the
  //! scene (or a part of it) saved and read back in beside what is there, a motor wired to a joint,
  //! a joint given another body.
  void other() {
    CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();
    switch (byte() % 11) {
      case 0:
        if (CRurIvaBody* p = static_cast<CRurIvaBody*>(nodeOfType(RUR_IVA_BODY_ID))) {
          busy(p);
          p->setPosition(vec());
          p->setLinearVelocity(vec());
        }
        break;
      case 1:
        pManager->setDebugView(node(), byte() & 1);
        drawScene();
        break;
      case 2:
        if (scene::ISceneNode* p = node(); p != m_pRoot) pManager->removeSceneNode(p);
        drawScene();  // empties the deletion queue
        break;
      case 3:
        // Every node forgets its dynamics objects; the worlds are built again when started.
        pManager->clearODE();
        break;
      case 4:
        addMotor(node());
        break;
      case 5:
        addRarerKind(node());
        break;
      case 6:
        if (scene::ISceneNode* p = node(); p != m_pRoot) setAttribute(p);
        break;
      case 7:
        saveAndLoad(node());
        break;
      case 8:
        // A motor told to drive any joint, as a game wires its controls.
        if (CRurIvaMotor* p = static_cast<CRurIvaMotor*>(nodeOfType(RUR_IVA_MOTOR_ID))) {
          busy(p);
          p->setJoint(static_cast<CRurIvaJoint*>(jointNode()));
          p->setVelocity(value());
        }
        break;
      case 9: {
        // A listener that acts from inside the n-th event of a type.
        static const u16 kTypes[] = {
            eRurIvaEventBeforeStep,  eRurIvaEventStep,       eRurIvaEventBodyCreated,
            eRurIvaEventBodyRemoved, eRurIvaEventBodyMoved,  eRurIvaEventActivationChanged,
            eRurIvaEventRayHit,      eRurIvaEventNodeCloned, eRurIvaEventNodeRemoved,
            eRurIvaEventLoadScene,   eRurIvaEventProgress};
        const u16 iType = kTypes[byte() % (sizeof(kTypes) / sizeof(kTypes[0]))];
        m_cListener.arm(iType, 1 + byte() % 8);
        if (m_bTrace) fprintf(stderr, " listens to event type %u", iType);
        break;
      }
      default:
        // A joint given another body, of its world or of another.
        if (CRurIvaJoint* p = static_cast<CRurIvaJoint*>(jointNode())) {
          busy(p);
          CRurIvaBody* pBody = static_cast<CRurIvaBody*>(nodeOfType(RUR_IVA_BODY_ID));
          if (byte() & 1)
            p->setBody1(pBody);
          else
            p->setBody2(pBody);
          if (byte() & 1) p->initPhysics();
        }
        break;
    }
  }

  //! A reachable joint of any kind, or none.
  scene::ISceneNode* jointNode() {
    std::vector<scene::ISceneNode*> aNodes;
    for (scene::ISceneNode* p : reachable())
      if (dynamic_cast<CRurIvaJoint*>(p)) aNodes.push_back(p);
    const u8 b = byte();
    return traced(aNodes.empty() ? nullptr : aNodes[b % aNodes.size()]);
  }

  //! Draws the scene, as the frame loop does; never from inside an event (a game's listener does
  //! not draw, and the engine's drawing, which empties its deletion queue, may be what posted it).
  void drawScene() {
    if (!m_cListener.acting()) m_pSmgr->drawAll();
  }

  void addMotor(scene::ISceneNode* pParent) {
    switch (byte() % 5) {
      case 0: {
        CRurIvaMotor* p = add<CRurIvaMotor>(pParent);
        p->setVelocity(value());
        p->setForce(value());
        p->setEnabled(byte() & 1);
        break;
      }
      case 1:
        add<CRurIvaServo>(pParent);
        break;
      case 2:
        add<CRurIvaTorqueMotor>(pParent);
        break;
      case 3:
        add<CRurIvaImpulseMotor>(pParent);
        break;
      default:
        add<CRurIvaAeroDrag>(pParent);
        break;
    }
  }

  void addRarerKind(scene::ISceneNode* pParent) {
    switch (byte() % 9) {
      case 0: {
        CRurIvaGeomCylinder* p = add<CRurIvaGeomCylinder>(pParent);
        p->setRadius(value());
        p->setLength(value());
        p->setMassTotal(value());
        break;
      }
      case 1: {
        // A ray of the game's own, maybe attached to a body whose collisions it then catches.
        CRurIvaGeomRay* p = add<CRurIvaGeomRay>(pParent);
        if (byte() & 1) p->set(vec(), vec(), value());
        if (byte() & 1) p->setAttachedBody(static_cast<CRurIvaBody*>(nodeOfType(RUR_IVA_BODY_ID)));
        break;
      }
      case 2: {
        CRurIvaGeomHeightfield* p = add<CRurIvaGeomHeightfield>(pParent);
        p->setWidth(value());
        p->setDepth(value());
        p->setWidthSamples(byte() % 8);
        p->setDepthSamples(byte() % 8);
        break;
      }
      case 3:
        // Triangles of a mesh node above it, as a level's geometry is made.
        add<CRurIvaGeomTrimesh>(m_pSmgr->addCubeSceneNode(value(), pParent));
        break;
      case 4:
        add<CRurIvaJointFixed>(pParent);
        break;
      case 5:
        add<CRurIvaJointHinge2>(pParent);
        break;
      case 6:
        add<CRurIvaJointSlider>(pParent);
        break;
      case 7:
        add<CRurIvaJointPiston>(pParent);
        break;
      default:
        add<CRurIvaJointPR>(pParent);
        break;
    }
  }

  //! One attribute of the node, as its scene file or an editor gives it: an awkward number, a
  //! flipped flag, a vector, a name of another node, or a text where a number is expected.
  void setAttribute(scene::ISceneNode* p) {
    busy(p);
    static const s32 kInts[] = {0, 1, -1, 2, 3, 7, 1000, 2147483647, -2147483647 - 1};
    static const char* const kTexts[] = {"",     "1", "-1",           "nan",          "inf",
                                         "1e40", "x", "surfaces.xml", "heightmap.bmp"};
    io::IAttributes* a = m_pSmgr->getFileSystem()->createEmptyAttributes();
    p->serializeAttributes(a);
    if (a->getAttributeCount() > 0) {
      const s32 i = static_cast<s32>(byte() % a->getAttributeCount());
      const u8 b = byte();
      if (m_bTrace) fprintf(stderr, " attribute %s", a->getAttributeName(i));
      switch (b & 3 ? a->getAttributeType(i) : io::EAT_STRING) {
        case io::EAT_FLOAT:
          a->setAttribute(i, value());
          break;
        case io::EAT_INT:
          a->setAttribute(i, kInts[(b >> 2) % (sizeof(kInts) / sizeof(kInts[0]))]);
          break;
        case io::EAT_BOOL:
          a->setAttribute(i, !a->getAttributeAsBool(i));
          break;
        case io::EAT_VECTOR3D:
          a->setAttribute(i, vec());
          break;
        default:
          a->setAttribute(i, kTexts[(b >> 2) % (sizeof(kTexts) / sizeof(kTexts[0]))]);
          break;
      }
      p->deserializeAttributes(a);
    }
    a->drop();
  }

  //! The scene below p written to a scene file and read back in below the root.
  void saveAndLoad(scene::ISceneNode* p) {
    const std::string sFile = std::string(varrik::fuzz::scratchFolder()) + "/saved.irr";
    if (m_pSmgr->saveScene(sFile.c_str(), 0, p))
      CRurIvaManager::getSharedInstance()->loadScene(sFile.c_str(), m_pSmgr);
  }

  //! Lets go of what the harness holds and clears the scene.
  void finishTrace() {
    fprintf(stderr, "\n   now:");
    for (scene::ISceneNode* p : reachable()) traced(p);
  }
  void finish() {
    if (m_bTrace) {
      fprintf(stderr, "\nat the end:");
      for (scene::ISceneNode* p : reachable()) traced(p);
      fprintf(stderr, "\n");
    }
    operationOver();
    m_cListener.disarm();
    CRurIvaManager::getSharedInstance()->getQueue()->removeEventListener(&m_cListener);
    for (scene::ISceneNode* p : m_aHeld) p->drop();
    m_aHeld.clear();
    varrik::fuzz::clearPhysicsScene();
  }

 private:
  const std::uint8_t* m_pData;
  size_t m_iSize;
  size_t m_iPos;
  scene::ISceneManager* m_pSmgr;
  scene::ISceneNode* m_pRoot;
  std::vector<scene::ISceneNode*> m_aHeld;
  //! What the current operation holds while it works on it (see busy).
  std::vector<scene::ISceneNode*> m_aBusy;
  CActingListener m_cListener{this};
  const bool m_bTrace = getenv("VARRIK_FUZZ_TRACE") != nullptr;
};

bool CActingListener::onEvent(IRurIvaEvent*) {
  if (--m_iLeft > 0) return false;
  m_bActing = true;
  m_pOps->next();
  m_bActing = false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t iSize) {
  const varrik::fuzz::CInAssetsFolder cAssets(varrik::fuzz::physicsSceneWithFactory());
  varrik::fuzz::sameRandomNumbers();
  CSceneOps c(pData, iSize);
  // A scene of a game's size: a long input does not build thousands of nodes.
  for (int i = 0; c.more() && i < 200; ++i) {
    c.next();
    c.operationOver();
    if (getenv("VARRIK_FUZZ_TRACE_ALL")) c.finishTrace();
  }
  c.finish();
  return 0;
}
