#pragma once
// Where the time of one render went, in milliseconds; filled only when a caller asks for it.
namespace vantorel {

struct RenderTimings {
  double shadow = 0;     ///< depth pass from the key light
  double colour = 0;     ///< the multisampled picture
  double resolve = 0;    ///< multisample resolve
  double readBack = 0;   ///< pixels from the device
  double composite = 0;  ///< background and compositing
  double total() const { return shadow + colour + resolve + readBack + composite; }
};

}  // namespace vantorel
