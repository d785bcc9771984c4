// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: Bookferry developers
#pragma once

// Each fuzz target defines FUZZ_ENTRY. Under libFuzzer it is LLVMFuzzerTestOneInput; the
// replay test of the ordinary build compiles every target into one program, each under a
// name of its own, and feeds it the saved inputs of fuzz/corpus/<target>/.
#include <cstddef>
#include <cstdint>

#ifndef FUZZ_ENTRY
#define FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

extern "C" int FUZZ_ENTRY(const uint8_t *data, size_t size);
