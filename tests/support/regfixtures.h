#pragma once

#include <string>

#include "engine/tform1.h"

namespace tesseltest {

// A registered channel named `name` (lock, lists and flags as the test sets
// them afterwards), entered like REGISTER does. Returns its slot.
int32_t addchanreg(tessel::TForm1& form, const std::string& name, const std::string& owner = "");

// A registered nick named `name`. Returns its slot.
int32_t addnickreg(tessel::TForm1& form, const std::string& name);

} // namespace tesseltest
