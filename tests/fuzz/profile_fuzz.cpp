// SPDX-License-Identifier: MIT
// Fuzz target for the high-score file: any bytes as the file; see profile_invariants.h.
// A Clang build with -DQUORRAX_FUZZ=ON builds it as tests/quorrax_profile_fuzz (the
// sanitizer build of ./test.sh does, with AddressSanitizer and UndefinedBehaviorSanitizer
// too). Run it with a work corpus first so that new finds go there; a crash input goes into
// tests/fuzz/corpus, which the stress run checks:
//   mkdir -p /tmp/profile_fuzz_work
//   build-clang-sanitize/tests/quorrax_profile_fuzz -max_total_time=600 -max_len=4096 /tmp/profile_fuzz_work tests/fuzz/corpus

#include "profile_invariants.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The saves sync every file they write; a folder in memory keeps the fuzzer fast.
    static const std::filesystem::path scratch = [] {
        std::string pattern = "/dev/shm/quorrax-fuzz-XXXXXX";
        return ::mkdtemp(pattern.data()) ? pattern : (std::abort(), pattern);
    }();
    const std::string failure =
        quorrax::fuzzcheck::checkProfileInvariants({reinterpret_cast<const char *>(data), size}, scratch);
    if (!failure.empty()) {
        std::fprintf(stderr, "invariant broken: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
