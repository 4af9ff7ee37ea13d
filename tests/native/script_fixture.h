// A control script held in a buffer of exactly its own size, so that the
// sanitizers catch any read past its end, attached as the loaded script.
#pragma once

#include <cstring>
#include <memory>
#include <string>

#include "base/setup_state.h"
#include "script/script_reader.h"
#include "tests/support/user_interface_recorder.h"

class ScriptFixture {
public:
  explicit ScriptFixture(const std::string &text)
      : bytes_(new unsigned char[text.size() ? text.size() : 1]), length_(text.size()) {
    memcpy(bytes_.get(), text.data(), text.size());
    AttachScript(bytes_.get(), static_cast<uint32_t>(length_));
    ResetUserInterfaceRecord();
  }
  // The text from a position, for checking where the cursor stands.
  std::string From(uint32_t position) const {
    return std::string(reinterpret_cast<const char *>(bytes_.get()) + position, length_ - position);
  }

private:
  std::unique_ptr<unsigned char[]> bytes_;
  size_t length_;
};
