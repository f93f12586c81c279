#include "game/salvo_main.h"

namespace salvo {

int SalvoMain() { return 0; }

}  // namespace salvo
