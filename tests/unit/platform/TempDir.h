#pragma once
#include "support/TempDir.h"

namespace platform::test {

using ::test::ReadBytes;
using ::test::TempDir;
using ::test::WriteBytes;

}  // namespace platform::test
