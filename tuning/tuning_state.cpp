#include "tuning/tuning_state.h"

TuningState tuningState{};
