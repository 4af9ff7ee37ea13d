// The installer's chief state header: the process-wide state lives in the
// ground layer, base/, so that every subsystem can reach it without
// reaching up into the application.
#pragma once

#include "base/setup_state.h"
