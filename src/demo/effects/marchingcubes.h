// The marching-cubes lookup tables. Corners and edges are numbered as in the published
// tables: corners 0-3 on the upper face, corner k + 4 below corner k; edges 0-3 the upper
// face's sides, 4-7 the lower face's, 8-11 the verticals from corner k to k + 4.
#pragma once

namespace Tramble {

// Bit e set: edge e is crossed by the surface for this corner pattern.
extern const unsigned short marchingCubesEdges[256];
// Up to five triangles as edge-number triples, terminated by -1.
extern const signed char marchingCubesTriangles[256][16];

}  // namespace Tramble
