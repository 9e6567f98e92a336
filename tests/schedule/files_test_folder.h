#pragma once
// Test helpers for the schedule files: a fresh program folder per test; the
// bytes of a file and the ways to make a read or write fail come from
// tests/support/test_platform.h.

#include "tests/support/test_platform.h"

namespace sonterra::test {

// A program folder of its own (trailing separator), removed with everything in it.
class TestFolder : public TemporaryFolder {
public:
    TestFolder() : TemporaryFolder("sonterra-files") {}
};

} // namespace sonterra::test
