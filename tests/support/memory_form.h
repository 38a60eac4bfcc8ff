#pragma once

#include "platform/memory_form.h"

namespace vesko::test {

using vesko::MemoryForm;

} // namespace vesko::test
