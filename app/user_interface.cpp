#include "app/user_interface.h"

#include <cstdio>

#include "app/setup_state.h"

void ShowFormattedMessage(const char *format, const char *argument) {
  snprintf(MessageBuffer, sizeof MessageBuffer, format, argument);
  ShowMessage(MessageBuffer);
}
