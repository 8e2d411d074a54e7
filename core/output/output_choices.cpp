#include "output/output_choices.h"

namespace vantorel {

double widthFactor(Aspect aspect) {
  switch (aspect) {
    case Aspect::square: return 1;
    case Aspect::portrait45: return 1;
    case Aspect::landscape43: return 4.0 / 3.0;
    case Aspect::wide169: return 16.0 / 9.0;
  }
  return 1;
}

double heightFactor(Aspect aspect) { return aspect == Aspect::portrait45 ? 1.25 : 1.0; }

}  // namespace vantorel
