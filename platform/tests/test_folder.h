#pragma once
// The shared scratch folder under the name the platform and driver tests use.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "testing/temp_folder.h"

using testsupport::TempFolder;
