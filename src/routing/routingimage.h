#pragma once
// The live routing as the salvo code reads it from a state image, counting outputs and inputs
// from 1 (input 0: none).

#include "link/stateimage.h"

namespace vantel {

// True when the image has the mark and counts the device can have (1..72 inputs and outputs,
// port count their sum), so its output slots can be trusted.
bool UsableImage(const CStateImage& image);

// The input (from 1) feeding output (from 1), or 0 when none or the output is not in the image.
int HeldInput(const CStateImage& image, int output);

}  // namespace vantel
