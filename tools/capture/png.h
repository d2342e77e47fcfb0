// A small PNG encoder for 8-bit RGB frames (rows top to bottom), over zlib, shared by the
// capture library and, through the library's exported C function, by the golden-frame test.
#pragma once

#include <string>

namespace Tramble {

// Writes width x height RGB pixels (3 bytes each, rows packed, top row first) to path.
// False, with nothing useful on disk, when the file cannot be written.
bool writePng(const std::string& path, const unsigned char* rgb, int width, int height);

}  // namespace Tramble
