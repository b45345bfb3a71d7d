#pragma once
// Automatic tick steps and round axis limits for the plots.

namespace kov {

// Sets the major step and minor count of the x axis and of the two value axes
// (y, z) from their limits, rounds the y and z maxima up, and replaces the limits
// of a very wide axis by a nice scale of nine intervals.
void axtick(float& xmin, float& xmax, float& ymin, float& ymax, float& zmin, float& zmax, int& nxsub,
            int& nysub, int& nzsub, float& xtick, float& ytick, float& ztick);

// A nice scale of n - 1 equal intervals covering a to b: ierr 0 with valmin,
// step and valmax set, or ierr 1 (a > b or n < 2) with the outputs untouched.
void nicesc(float a, float b, int n, float& valmin, float& step, float& valmax, int& ierr);

}  // namespace kov
