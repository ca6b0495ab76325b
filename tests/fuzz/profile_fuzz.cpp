// Fuzz target for the high-score file: any bytes as the file; see profile_invariants.h.
// Built by hand from the repository root, and run with a work corpus first so that new
// finds go there; a crash input goes into tests/fuzz/corpus, which the stress run checks:
//   clang++-14 -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I. \
//       tests/fuzz/profile_fuzz.cpp shell/profile.cpp shell/profilescan.cpp shell/textfile.cpp \
//       shell/atomicsave.cpp shell/convert.cpp -o /tmp/profile_fuzz
//   mkdir -p /tmp/profile_fuzz_work
//   /tmp/profile_fuzz -max_total_time=600 -max_len=4096 /tmp/profile_fuzz_work tests/fuzz/corpus

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
    const std::string failure = quorrax::fuzzcheck::checkProfileInvariants({reinterpret_cast<const char *>(data), size}, scratch);
    if (!failure.empty()) {
        std::fprintf(stderr, "invariant broken: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
