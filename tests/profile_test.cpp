// SPDX-License-Identifier: MIT
#include "fuzz/profile_invariants.h"
#include "highscore/savefault.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <csignal>
#include <optional>
#include <random>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// The high-score file, judged by its bytes: the recorded answers of the platform's two
// calls, what a save keeps of the player's own file, and what a failed save leaves.

namespace {

namespace fs = std::filesystem;
using namespace quorrax::test;
using quorrax::fuzzcheck::slurp;
using quorrax::fuzzcheck::spill;
using SaveStep = quorrax::savefault::Step;

std::vector<std::string> entriesOf(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readScore(const fs::path &file)
{
    return quorrax::GetPrivateProfileString("Quorrax", "HighScore", "0", 1024, file);
}
bool writeScore(const fs::path &file, std::string_view value)
{
    return quorrax::WritePrivateProfileString("Quorrax", "HighScore", value, file);
}

struct SaveFault {
    SaveFault(SaveStep step, std::size_t bytes) { quorrax::savefault::set(step, bytes); }
    ~SaveFault() { quorrax::savefault::set(SaveStep::None); }
};

// Every recorded case: the file (or none) and what the read gives, byte for byte; the file
// before a write, the value, whether the write succeeded and the file's bytes after it.
TEST(IniCorpus, EveryRecordedReadAndWriteGivesTheRecordedAnswer)
{
    const fs::path corpus = fs::path(QUORRAX_TEST_DATA) / "ini";
    int cases = 0;
    for (const std::string kind : {"read", "write"})
        for (const std::string &name : entriesOf(corpus / kind)) {
            if (!name.ends_with(".expected"))
                continue;
            ++cases;
            SCOPED_TRACE(name);
            const std::string at = (corpus / kind / name.substr(0, name.size() - 9)).string();
            const auto has = [&](const char *suffix) { return fs::exists(at + suffix); };
            const auto bytes = [&](const char *suffix) { return slurp(at + suffix); };
            ScratchFolder scratch;
            const fs::path target =
                scratch.dir() /
                (has(".path") ? bytes(".path").substr(0, bytes(".path").find_first_of("\r\n")) : "test.ini");
            if (has(".ini"))
                spill(target, bytes(".ini"));
            if (kind == "read") {
                const std::string got = readScore(target);
                std::string hex;
                for (unsigned char c : got)
                    hex += "0123456789abcdef"[c >> 4], hex += "0123456789abcdef"[c & 15];
                EXPECT_EQ("ret=" + std::to_string(got.size()) + " hex=" + hex,
                          bytes(".expected").substr(0, bytes(".expected").find_last_not_of("\r\n") + 1));
                continue;
            }
            std::optional<ReadOnly> lock;
            if (has(".readonly") && !lock.emplace(target).ok)
                GTEST_SKIP() << "chattr +i refused, and root may write anywhere";
            EXPECT_EQ(writeScore(target, bytes(".value")), bytes(".expected").starts_with("ret=1"));
            lock.reset();
            EXPECT_EQ(fs::exists(target) ? slurp(target) : "(none)", has(".after") ? bytes(".after") : "(none)");
            EXPECT_LE(entriesOf(fs::exists(target.parent_path()) ? target.parent_path() : scratch.dir()).size(), 1u);
        }
    EXPECT_EQ(cases, 80) << corpus;
}

// A save changes the one key's line and nothing else of the player's file: comments,
// blank lines, spacing, line ends and encodings stay as they were.
TEST(ProfileWrite, ChangesOnlyTheKeysLine)
{
    const std::string bom = "\xEF\xBB\xBF";
    const auto utf16 = [](std::string_view text) {
        std::string bytes = "\xFF\xFE";
        for (char c : text)
            bytes += c, bytes += '\0';
        return bytes;
    };
    // clang-format off
    const std::pair<std::optional<std::string>, std::string> rows[] = {
        {std::nullopt, "[Quorrax]\r\nHighScore=120\r\n"},
        {"[Quorrax]\nA=1\n[X]\nB=2\n", "[Quorrax]\nA=1\nHighScore=120\n[X]\nB=2\n"},
        {"[X]\nB=2\n", "[X]\nB=2\n[Quorrax]\nHighScore=120\n"},
        {"[Quorrax]\rA=1\r", "[Quorrax]\rA=1\rHighScore=120\r"},
        {"[Other]\r\nA=1\n[Quorrax]\rHighScore=5\r\nB=2\n", "[Other]\r\nA=1\n[Quorrax]\rHighScore=120\r\nB=2\n"},
        {"; best\r\n\r\n[Quorrax]\r\n; key\r\nHighScore=5 ; old\r\n\r\n# end\r\n", "; best\r\n\r\n[Quorrax]\r\n; key\r\nHighScore=120\r\n\r\n# end\r\n"},
        {"[ quorrax ]\r\n  highscore \t=  5  \r\nX = 1\r\n", "[ quorrax ]\r\n  highscore \t=  120\r\nX = 1\r\n"},
        {"[Quorrax]\r\nA=1\r\n[X]\r\n[Quorrax]\r\nHighScore=5\r\n", "[Quorrax]\r\nA=1\r\nHighScore=120\r\n[X]\r\n[Quorrax]\r\nHighScore=5\r\n"},
        {"[Quorrax]\r\nA=1\r\n\r\n[X]\r\n", "[Quorrax]\r\nA=1\r\nHighScore=120\r\n\r\n[X]\r\n"},
        {"[X]\r\nA=1", "[X]\r\nA=1\r\n[Quorrax]\r\nHighScore=120\r\n"},
        {"[Quorrax]\r\nHighScore = 120  \r\n", "[Quorrax]\r\nHighScore = 120  \r\n"},
        {bom + "[Quorrax]\r\nHighScore=5\r\n", bom + "[Quorrax]\r\nHighScore=120\r\n"},
        {utf16("[Quorrax]\r\nHighScore=5\r\n"), utf16("[Quorrax]\r\nHighScore=120\r\n")},
    };
    // clang-format on
    for (const auto &[before, after] : rows) {
        SCOPED_TRACE(before.value_or("(no file)"));
        ScratchFolder scratch;
        if (before)
            spill(scratch.dir() / "Quorx.ini", *before);
        EXPECT_TRUE(writeScore(scratch.dir() / "Quorx.ini", "120"));
        EXPECT_EQ(slurp(scratch.dir() / "Quorx.ini"), after);
        EXPECT_EQ(entriesOf(scratch.dir()).size(), 1u);
    }
}

// What a save leaves where it goes wrong: a full disk or failing device at each step, a
// write that fails once (the one of the new value). Before the rename the old file stays;
// after it, the new one. A link stays a link to the file it names, and the file keeps its
// mode. (A folder that refuses the save is the shared high-score file's test.)
TEST(ProfileWrite, ASaveLeavesTheOldOrTheNewFileAndNothingElse)
{
    const std::string old = "; mine\r\n[Quorrax]\r\nHighScore=5\r\n", now = "; mine\r\n[Quorrax]\r\nHighScore=120\r\n";
    const struct {
        SaveStep step;
        std::size_t bytes;
        bool fileThere, saved;
        std::string left; // the file's bytes afterwards
        // clang-format off
    } rows[] = {
        {SaveStep::AfterTempCreated, 0, true, false, old}, {SaveStep::DuringWrite, 0, true, false, old},
        {SaveStep::DuringWrite, now.size() - 1, true, false, old}, {SaveStep::DuringWrite, now.size(), true, true, now},
        {SaveStep::BeforeFsync, 0, true, false, old}, {SaveStep::BeforeRename, 0, true, false, old},
        {SaveStep::BeforeRename, 0, false, false, "(none)"}, {SaveStep::BeforeDirSync, 0, true, false, now},
        {SaveStep::None, 0, true, true, now}, {SaveStep::OneWrite, old.find('5'), true, false, old},
    };
    // clang-format on
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << "step " << int(row.step) << ", " << row.bytes << " bytes");
        ScratchFolder scratch;
        const fs::path folder = scratch.dir() / "game", file = folder / "real.ini", link = folder / "Quorx.ini";
        fs::create_directory(folder);
        fs::create_symlink("real.ini", link);
        if (row.fileThere)
            spill(file, old), ::chmod(file.c_str(), 0640);
        const SaveFault fault(row.step, row.bytes);
        EXPECT_EQ(writeScore(link, "120"), row.saved);
        EXPECT_EQ(fs::exists(file) ? slurp(file) : "(none)", row.left);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(entriesOf(folder).size(), fs::exists(file) ? 2u : 1u);
        struct stat st {};
        EXPECT_TRUE(!row.fileThere || (::stat(file.c_str(), &st) == 0 && (st.st_mode & 0777) == 0640));
    }
}

// A name in a failure line: as it is where the locale can show it, every other byte \xNN.
TEST(ProfileWrite, PathsArePrintedByteForByteOrEscaped)
{
    const std::array<const char *, 3> rows[] = {
        {"C.UTF-8", "/x/nb\xe9/caf\xc3\xa9/\xe3\x82\xb9", "/x/nb\\xe9/caf\xc3\xa9/\xe3\x82\xb9"},
        {"C.UTF-8", "/x/\xc3\xa9\xe3\x82/a\nb\x7f", "/x/\xc3\xa9\\xe3\\x82/a\\x0ab\\x7f"},
        {"C", "/x/caf\xc3\xa9", "/x/caf\\xc3\\xa9"},
    };
    const std::string before = std::setlocale(LC_CTYPE, nullptr);
    for (const auto &[locale, path, shown] : rows)
        EXPECT_EQ(std::setlocale(LC_CTYPE, locale) ? quorrax::printablePath(path) : "no " + std::string(locale), shown);
    std::setlocale(LC_CTYPE, before.c_str());
}

// ---------------------------------------------------------------------------------------
// Stress: `./test.sh --stress`, label `stress`.

std::string bigFile(const std::string &score)
{
    std::string text = "[Other]\r\nX=1\r\n[Quorrax]\r\nHighScore=" + score + "\r\n[Padding]\r\n";
    for (int i = 0; text.size() < 150000; ++i)
        text += "Line" + std::to_string(i) + "=the quick brown fox jumps over the lazy dog\r\n";
    return text;
}

// 100 MB of one line or of random bytes before the section: read and written to the end.
TEST(ProfileStress, HugeFilesAreReadAndWrittenToTheEnd)
{
    for (const bool random : {false, true}) {
        ScratchFolder scratch;
        const fs::path file = scratch.dir() / "Quorx.ini";
        {
            std::ofstream out(file, std::ios::binary);
            std::mt19937_64 bytes(20240601);
            std::vector<std::uint64_t> chunk(1 << 17, 0x7878787878787878u); // a megabyte of "x"
            for (int i = 0; i < 100; ++i) {
                if (random)
                    std::generate(chunk.begin() + (i == 0), chunk.end(), std::ref(bytes)); // no byte-order mark
                out.write(reinterpret_cast<const char *>(chunk.data()), 1 << 20);
            }
        }
        EXPECT_EQ(readScore(file), "0") << random;
        std::ofstream(file, std::ios::binary | std::ios::app) << "\r\n[Quorrax]\r\nHighScore=120\r\n";
        EXPECT_EQ(readScore(file), "120") << random;
        const auto size = fs::file_size(file);
        EXPECT_TRUE(writeScore(file, "7"));
        EXPECT_EQ(fs::file_size(file), size - 2);
        EXPECT_EQ(readScore(file), "7") << random;
    }
}

// A child saves two scores in turn without end and is killed after a varying amount of
// work: whenever it dies, the file is wholly one or the other, and the next save leaves
// nothing else beside it.
TEST(ProfileStress, AKilledSaveLeavesTheOldOrTheNewFile)
{
    ScratchFolder scratch;
    const fs::path file = scratch.dir() / "Quorx.ini";
    const std::string one = bigFile("1"), two = bigFile("2");
    spill(file, one);
    for (int round = 0; round < 300; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            for (int i = 0; i < 100000 && (i > 0 || ::write(ready[1], "g", 1) == 1); ++i)
                writeScore(file, i % 2 == 0 ? "2" : "1");
            ::_exit(0);
        }
        char go = 0;
        const bool started = ::read(ready[0], &go, 1) == 1;
        // Busy work counted in loop passes, so that the kills fall before, inside and after
        // saves whatever the machine's speed.
        volatile std::uint64_t work = 0;
        for (std::uint64_t i = 0; i < std::uint64_t(round % 100) * 120000; ++i)
            work = work + i;
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ::close(ready[0]), ::close(ready[1]);
        const std::string now = slurp(file);
        ASSERT_TRUE(started && (now == one || now == two)) << "torn file after round " << round;
        // The next save clears away what a killed one left.
        ASSERT_TRUE(writeScore(file, now == one ? "2" : "1"));
        ASSERT_EQ(entriesOf(scratch.dir()), std::vector<std::string>{"Quorx.ini"}) << "after round " << round;
    }
}

TEST(ProfileStress, EverySavedFuzzInputKeepsTheInvariants)
{
    const fs::path inputs = QUORRAX_FUZZ_CORPUS;
    ScratchFolder scratch;
    for (const std::string &name : entriesOf(inputs))
        EXPECT_EQ(quorrax::fuzzcheck::checkProfileInvariants(slurp(inputs / name), scratch.dir()), "") << name;
    EXPECT_EQ(entriesOf(inputs).size(), 20u);
}

} // namespace
