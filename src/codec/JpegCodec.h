// JPEG load and save over libjpeg-turbo, straight into and out of an image buffer's pixel
// memory (blue, green, red, bottom-up rows): no intermediate picture copy.
//
// Damaged files. libjpeg reports two kinds of trouble:
//   - warnings (corrupt entropy data, a file that ends early, extraneous bytes): libjpeg
//     goes on and fills what is missing, so the load succeeds with what a viewer shows;
//   - errors (not a JPEG, empty file, 12-bit or lossless data, an unsupported number of
//     components, broken markers): the load fails.
// A header that claims more than 1 GiB of pixel memory, or a progressive file with more
// than 1000 scans, is refused before the work starts. Grey pictures arrive as grey pixels;
// CMYK and YCCK pictures are converted to colour (Adobe files store CMYK inverted).
//
// Threading: safe to call from any thread on different buffers and files.
#pragma once

#include <cstdint>
#include <string>

namespace pixtrim {

class cDIBSection;

// Decodes the JPEG file `sFileName` into `cDib`, which is re-created at the picture's size.
// On any failure the answer is false and `cDib` keeps what it held before.
bool LoadJPG(cDIBSection& cDib, const std::string& sFileName);

// Encodes `cDib` into the JPEG file `sFileName` at `lQuality` (clamped to 1..100 by
// libjpeg): baseline, 4:2:0, JFIF header. The file is written under a temporary name in the
// same folder and renamed at the end: on failure there is no file and the answer is false;
// an existing file of that name is then left as it was.
bool SaveJPG(const cDIBSection& cDib, const std::string& sFileName, int32_t lQuality);

}  // namespace pixtrim
