// Fuzz target for the high-score file layer: any bytes at all as the file, read with
// several buffer sizes, converted, then written three times; see profile_invariants.h.
//
// Built by hand, outside the test executable, from the repository root:
//   clang++-14 -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
//       -fno-sanitize-recover=all -I. tests/fuzz/profile_fuzz.cpp \
//       shell/profile.cpp shell/profilescan.cpp shell/textfile.cpp \
//       shell/atomicsave.cpp shell/convert.cpp -o /tmp/profile_fuzz
// Run with a work corpus first and the saved regression corpus second, so that new
// finds go to the work corpus:
//   mkdir -p /tmp/profile_fuzz_work
//   /tmp/profile_fuzz -max_total_time=600 -max_len=4096 /tmp/profile_fuzz_work tests/fuzz/corpus
//   /tmp/profile_fuzz -max_total_time=120 -max_len=200000 /tmp/profile_fuzz_work tests/fuzz/corpus
// A crash input goes into tests/fuzz/corpus, where the regression test in
// tests/profile_test.cpp runs it through the same checks.

#include "profile_invariants.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

// The saves sync every file they write; a folder in memory keeps the fuzzer fast.
std::filesystem::path makeScratch()
{
    const std::filesystem::path base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                            : std::filesystem::temp_directory_path();
    std::string pattern = (base / "quorrax-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    return pattern;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::filesystem::path scratch = makeScratch();
    const std::string failure =
        quorrax::fuzzcheck::checkProfileInvariants({reinterpret_cast<const char *>(data), size}, scratch);
    if (!failure.empty()) {
        std::fprintf(stderr, "invariant broken: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
