#include "base/user_interface.h"

#include <cstdio>

#include "base/setup_state.h"

void ShowFormattedMessage(const char *format, const char *argument) {
  snprintf(MessageBuffer, sizeof MessageBuffer, format, argument);
  ShowMessage(MessageBuffer);
}
