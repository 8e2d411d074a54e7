#pragma once
// Two models built in code, for trying the application without a file at hand.
#include "input/print_model.h"

namespace vantorel::SampleModels {

/// One closed solid of revolution: (rings + 1) · segments ring vertices, then the bottom and top
/// centres; sides and both caps. `radius(t)` is the ring radius at height fraction t, `factor(t, θ)`
/// modulates it around the ring. All arithmetic in 32-bit floats.
ModelObject lathe(int rings, int segments, float height, float (*radius)(float t), float (*factor)(float t, float theta));

/// "Twisted vase": 7,802 vertices, 15,600 triangles, one object, no colours.
PrintModel twistedVase();

/// "Planter and saucer": two objects (terracotta planter standing on a sage saucer).
PrintModel planterAndSaucer();

}  // namespace vantorel::SampleModels
