#ifndef C_RUR_IVA_WHOLE_FILE_H
#define C_RUR_IVA_WHOLE_FILE_H

#include <irrlicht.h>

#include <cstdio>

namespace irr {
namespace ode {

/**
 * A file written whole or not at all, for the engine's writers: hand it to
 * `ISceneManager::saveScene(io::IWriteFile*)` or `IFileSystem::createXMLWriter(io::IWriteFile*)`
 * and call commit() when they are done.
 *
 * The engine's own file counts every write as done: the bytes it buffers can still fail when it
 * closes the file, which it does not check, and it empties the old file before writing. A save
 * on a full disk thus left half a file where the whole old one was, and reported success. Here
 * the bytes go to a temporary file beside the target, and commit() puts it in the target's place
 * only when every write and the close succeeded; otherwise, and when the object is dropped
 * without commit(), the temporary file is removed and the target is left as it was.
 *
 * Where no file can be made beside the target (a folder whose files are writable but which
 * takes no new ones, a name too long for the temporary's suffix) the bytes go to the target
 * itself, as the engine's file writes them; commit() still reports a write that failed.
 *
 * getFileName() is the target's name, so the engine writes paths relative to the target's
 * folder. A target that is a symbolic link is replaced where the link points. A file this
 * program may not write (read-only to it) is not opened, as the engine's file would not be.
 */
class CRurIvaWholeFile : public io::IWriteFile {
 public:
  explicit CRurIvaWholeFile(const io::path& sFileName);
  ~CRurIvaWholeFile() override;

  CRurIvaWholeFile(const CRurIvaWholeFile&) = delete;
  CRurIvaWholeFile& operator=(const CRurIvaWholeFile&) = delete;

  //! Whether the file could be made (the target's folder exists and takes it).
  bool isOpen() const { return m_pFile != nullptr; }

  s32 write(const void* pBuffer, u32 iSize) override;
  bool seek(long iPos, bool bRelative = false) override;
  long getPos() const override;
  const io::path& getFileName() const override { return m_sFileName; }

  //! Closes the file and puts it in the target's place. False, with the target left as it was,
  //! when the file could not be made, a write or the close failed, or it was committed before.
  bool commit();

 private:
  //! Closes and removes the temporary file, if there is one.
  void discard();

  io::path m_sFileName;
  io::path m_sTarget;     // where the file goes: the target, or where its link points
  io::path m_sTemporary;  // beside it, until commit(); empty when written in place
  FILE* m_pFile = nullptr;
  bool m_bFailed = false;
};

}  // namespace ode
}  // namespace irr

#endif
