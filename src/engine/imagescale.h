// Textures without GLU: the size gluBuild2DMipmaps gives an image whose sides are not powers
// of two, and its level 0 rescaled to that size byte for byte as GLU's box filter does,
// for back ends (WebGL 1) that take powers of two only.
#pragma once

#include <vector>

namespace Tramble {

// GLU's power of two for a side: the one below, unless the side is at least 1.5 times it,
// then the one above. While either side exceeds maxSide both are halved, as GLU halves
// until its proxy texture fits.
void powerOfTwoSize(int width, int height, int maxSide, int& newWidth, int& newHeight);

// Packed rows of `channels` bytes per pixel, bottom or top row first alike, resampled by
// GLU's area-weighted box filter. The result matches GLU's for every size powerOfTwoSize
// gives except both sides exactly halved (only past maxSide), which GLU averages instead.
std::vector<unsigned char> scaleImage(const unsigned char* pixels, int width, int height, int channels, int newWidth,
                                      int newHeight);

}  // namespace Tramble
