#pragma once
// Two models built in code, for trying the application without a file at hand.
#include "input/print_model.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::SampleModels {

/// One closed solid of revolution: (rings + 1) · segments ring vertices, then the bottom and top
/// centres; sides and both caps. `radius(t)` is the ring radius at height fraction t, `factor(t, θ)`
/// modulates it around the ring. All arithmetic in 32-bit floats.
ModelObject lathe(int rings, int segments, float height, float (*radius)(float t), float (*factor)(float t, float theta));

/// "Twisted vase": 7,802 vertices, 15,600 triangles, one object, no colours.
PrintModel twistedVase();

/// "Planter and saucer": two objects (terracotta planter standing on a sage saucer).
PrintModel planterAndSaucer();

/// The identifiers front ends name the samples by, in menu order: "vase", "planter".
std::vector<std::string_view> ids();

/// The sample's own name ("Twisted vase"), in the user's language, without building it; nothing for an
/// unknown identifier.
std::optional<std::string> nameOf(std::string_view id);

/// The sample named `id`; nothing for an unknown identifier.
std::optional<PrintModel> byId(std::string_view id);

}  // namespace vantorel::SampleModels
