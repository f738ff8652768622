#ifndef RUR_IVA_XML_CHECK_H
#define RUR_IVA_XML_CHECK_H

#include <cstddef>

#include <irrlicht.h>

namespace irr {
namespace ode {

/**
 * Whether the engine's XML reader can read a file's bytes without running past their end. The
 * reader (Irrlicht 1.8) trusts a file to be finished: a tag, an attribute name, a closing tag, a
 * declaration or a comment that the file ends in, and a comment shorter than four characters,
 * make it read on past its buffer until it happens upon the character it looks for or crashes.
 * This follows the reader through the text (ASCII or UTF-8, UTF-16 or UTF-32 with a byte order
 * mark, as the reader takes them) with the same steps, bounded, and says whether any of them
 * would leave the text. A text the reader stops in safely (an unclosed attribute value) passes.
 */
bool xmlIsSafeToRead(const u8* pBytes, size_t iSize);

//! The same for a file, read from its start; the file is left at its start.
bool xmlIsSafeToRead(io::IReadFile* pFile);

}  // namespace ode
}  // namespace irr

#endif
