#include "host/tuning_state.h"

TuningState tuningState{};
