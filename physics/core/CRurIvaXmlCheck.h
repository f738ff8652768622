#ifndef C_RUR_IVA_XML_CHECK_H
#define C_RUR_IVA_XML_CHECK_H

#include <irrlicht.h>

namespace irr {
namespace ode {

/**
 * Whether the engine's XML reader can read a file safely. The reader scans for the end of a
 * tag, a declaration or a comment without looking for the end of its text, so unfinished XML
 * ("<!>", "<a b", a file cut inside an attribute) makes it read past its buffer and crash.
 * Every file the layer and the game hand to that reader (settings, surface definitions, scene
 * files) is checked here first.
 *
 * The check sees the file as the reader does: in the reader's own character width, after the
 * reader's conversion of the encodings it knows (UTF-8, UTF-16 and UTF-32 in either byte order
 * by their byte order mark, single bytes without one). A file passes when every construct in
 * it is complete: declarations, comments and DOCTYPE lines, CDATA sections, closing tags, and
 * elements whose attributes all read name="value" or name='value'.
 */
class CRurIvaXmlCheck {
 public:
  //! The engine's two readers: createXMLReaderUTF8 reads narrow characters, createXMLReader
  //! wide ones (wchar_t).
  enum EReader { eNarrowReader, eWideReader };

  //! Whether the reader of that kind reads these bytes to their end safely.
  static bool isComplete(const void* pBytes, u32 iSize, EReader eReader);

  //! The same for a whole file, read from its start; the file is left at its start again. A
  //! file that cannot be read whole does not pass.
  static bool isComplete(io::IReadFile* pFile, EReader eReader);

  /**
   * Whether the name is of something on disk other than a file: a folder (the engine opens it as
   * a file of the largest size there is), a pipe (opening it waits for a writer without end) or
   * a device. A name of nothing on disk is the file system's to look up (its archives may hold
   * it). Relative names are taken as the file system takes them.
   */
  static bool namesSomethingButAFile(io::IFileSystem* pFileSystem, const io::path& sName);
};

}  // namespace ode
}  // namespace irr

#endif
