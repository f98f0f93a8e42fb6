#pragma once
#include "support/TempDir.h"

namespace spreadsheet::testing {

using TempFolder = ::test::TempDir;
using ::test::ReadBytes;
using ::test::WriteBytes;

}  // namespace spreadsheet::testing
