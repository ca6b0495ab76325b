#include "shell/profile.h"

#include "fuzz/profile_invariants.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <optional>
#include <random>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// The high-score file, judged by its bytes: the recorded answers of the platform's two
// calls, what a save keeps of the player's own file, and what a failed save leaves.

namespace {

namespace fs = std::filesystem;
using namespace quorrax::testing;
using quorrax::fuzzcheck::slurp;
using quorrax::fuzzcheck::spill;

std::string hex(std::string_view bytes)
{
    std::string text;
    for (unsigned char c : bytes)
        text += "0123456789abcdef"[c >> 4], text += "0123456789abcdef"[c & 15];
    return text;
}

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
    return quorrax::GetPrivateProfileString("Quorrax", "HighScore", "0", 1024, file.string());
}

bool writeScore(const fs::path &file, std::string_view value)
{
    return quorrax::WritePrivateProfileString("Quorrax", "HighScore", value, file.string());
}

// Takes the right to write away from a file or folder for the scope; as root, whom the
// mode does not stop, by making it immutable.
class ReadOnly
{
public:
    explicit ReadOnly(fs::path path) : m_path(std::move(path))
    {
        if (::geteuid() == 0)
            m_ok = std::system(("chattr +i '" + m_path.string() + "' 2>/dev/null").c_str()) == 0;
        else
            m_ok = ::chmod(m_path.c_str(), fs::is_directory(m_path) ? 0555 : 0444) == 0;
    }
    ~ReadOnly()
    {
        if (::geteuid() == 0 && std::system(("chattr -i '" + m_path.string() + "' 2>/dev/null").c_str()) != 0)
            ADD_FAILURE() << "cannot make " << m_path << " writable again";
        ::chmod(m_path.c_str(), 0755);
    }
    bool ok() const { return m_ok; }

private:
    fs::path m_path;
    bool m_ok = false;
};

struct SaveFault {
    explicit SaveFault(SaveStep step, std::size_t bytes = 0) { setSaveFault(step, bytes); }
    ~SaveFault() { setSaveFault(SaveStep::None); }
};

const fs::path corpus = fs::path(QUORRAX_TEST_DATA) / "ini";

std::vector<std::string> casesIn(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const std::string &name : entriesOf(folder))
        if (name.ends_with(".expected"))
            names.push_back(name.substr(0, name.size() - 9));
    return names;
}

// Every recorded case: the file (or none) and what the read gives, byte for byte; the file
// before a write, the value, whether the write succeeded and the file's bytes after it.
TEST(IniCorpus, EveryRecordedReadAndWriteGivesTheRecordedAnswer)
{
    const std::vector<std::string> reads = casesIn(corpus / "read"), writes = casesIn(corpus / "write");
    ASSERT_GE(reads.size() + writes.size(), 80u) << corpus;
    ScratchFolder scratch;
    for (const std::string &name : reads) {
        SCOPED_TRACE("read/" + name);
        const fs::path at = corpus / "read" / name;
        std::string expected = slurp(at.string() + ".expected");
        expected.erase(expected.find_last_not_of("\r\n") + 1);
        const std::string got = readScore(fs::exists(at.string() + ".ini") ? fs::path(at.string() + ".ini") : scratch.dir() / "Quorx.ini");
        EXPECT_EQ("ret=" + std::to_string(got.size()) + " hex=" + hex(got), expected);
    }
    for (const std::string &name : writes) {
        SCOPED_TRACE("write/" + name);
        const std::string at = (corpus / "write" / name).string();
        ScratchFolder scratch;
        std::string relative = fs::exists(at + ".path") ? slurp(at + ".path") : "test.ini";
        relative.erase(relative.find_last_not_of(" \r\n") + 1);
        const fs::path target = scratch.dir() / relative;
        if (fs::exists(at + ".ini"))
            spill(target, slurp(at + ".ini"));
        std::optional<ReadOnly> lock;
        if (fs::exists(at + ".readonly")) {
            ASSERT_TRUE(lock.emplace(target).ok()) << "cannot make " << target << " read-only";
        }
        const bool written = writeScore(target, slurp(at + ".value"));
        lock.reset();
        EXPECT_EQ(written, slurp(at + ".expected").starts_with("ret=1"));
        if (fs::exists(at + ".after"))
            EXPECT_EQ(hex(slurp(target)), hex(slurp(at + ".after")));
        else
            EXPECT_FALSE(fs::exists(target));
        const fs::path folder = fs::exists(target.parent_path()) ? target.parent_path() : scratch.dir();
        EXPECT_LE(entriesOf(folder).size(), 1u) << "a save left a file behind";
    }
}

// A save changes the one key's line and nothing else of the player's file: comments,
// blank lines, spacing, line ends and encodings stay as they were.
TEST(ProfileWrite, ChangesOnlyTheKeysLine)
{
    const std::string bom = "\xEF\xBB\xBF", le16 = "\xFF\xFE";
    const auto utf16 = [&](std::string_view text) {
        std::string bytes = le16;
        for (char c : text)
            bytes += c, bytes += '\0';
        return bytes;
    };
    const struct {
        std::optional<std::string> before;
        std::string after;
    } rows[] = {
        {std::nullopt, "[Quorrax]\r\nHighScore=120\r\n"},
        {"[Quorrax]\nHighScore=5\n", "[Quorrax]\nHighScore=120\n"},
        {"[Quorrax]\nA=1\n[X]\nB=2\n", "[Quorrax]\nA=1\nHighScore=120\n[X]\nB=2\n"},
        {"[X]\nB=2\n", "[X]\nB=2\n[Quorrax]\nHighScore=120\n"},
        {"[Quorrax]\rA=1\r", "[Quorrax]\rA=1\rHighScore=120\r"},
        {"[Other]\r\nA=1\n[Quorrax]\rHighScore=5\r\nB=2\n", "[Other]\r\nA=1\n[Quorrax]\rHighScore=120\r\nB=2\n"},
        {"; best\r\n\r\n[Quorrax]\r\n; the key\r\nHighScore=5 ; old\r\n\r\n# end\r\n",
         "; best\r\n\r\n[Quorrax]\r\n; the key\r\nHighScore=120\r\n\r\n# end\r\n"},
        {"[Quorrax]\r\n  HighScore \t=  5  \r\nX = 1\r\n", "[Quorrax]\r\n  HighScore \t=  120\r\nX = 1\r\n"},
        {"[ quorrax ]\r\nhighscore=5\r\n", "[ quorrax ]\r\nhighscore=120\r\n"},
        {"[Quorrax]\r\nA=1\r\n[X]\r\n[Quorrax]\r\nHighScore=5\r\n",
         "[Quorrax]\r\nA=1\r\nHighScore=120\r\n[X]\r\n[Quorrax]\r\nHighScore=5\r\n"},
        {"[Quorrax]\r\nA=1\r\n\r\n[X]\r\n", "[Quorrax]\r\nA=1\r\nHighScore=120\r\n\r\n[X]\r\n"},
        {"[X]\r\nA=1", "[X]\r\nA=1\r\n[Quorrax]\r\nHighScore=120\r\n"},
        {"[Quorrax]\r\nHighScore = 120  \r\n", "[Quorrax]\r\nHighScore = 120  \r\n"},
        {bom + "[Quorrax]\r\nHighScore=5\r\n", bom + "[Quorrax]\r\nHighScore=120\r\n"},
        {utf16("[Quorrax]\r\nHighScore=5\r\n"), utf16("[Quorrax]\r\nHighScore=120\r\n")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.before.value_or("(no file)"));
        ScratchFolder scratch;
        const fs::path file = scratch.dir() / "Quorx.ini";
        if (row.before)
            spill(file, *row.before);
        EXPECT_TRUE(writeScore(file, "120"));
        EXPECT_EQ(hex(slurp(file)), hex(row.after));
        EXPECT_EQ(entriesOf(scratch.dir()), std::vector<std::string>{"Quorx.ini"});
    }
}

// What a save leaves where it goes wrong: a full disk or failing device at each step, a
// read-only folder. Before the rename the old file stays; after it, the new one.
TEST(ProfileWrite, AFailedSaveLeavesTheOldOrTheNewFileAndNothingElse)
{
    const std::string before = "; mine\r\n[Quorrax]\r\nHighScore=5\r\n", after = "; mine\r\n[Quorrax]\r\nHighScore=120\r\n";
    const struct {
        const char *name;
        SaveStep step;
        std::size_t bytes;
        bool lockFolder, fileThere, saved;
        std::string left; // the file's bytes afterwards; "-" for no file
    } rows[] = {
        {"temporary file made", SaveStep::AfterTempCreated, 0, false, true, false, before},
        {"disk full at once", SaveStep::DuringWrite, 0, false, true, false, before},
        {"disk full one byte short", SaveStep::DuringWrite, after.size() - 1, false, true, false, before},
        {"disk full just after the last byte", SaveStep::DuringWrite, after.size(), false, true, true, after},
        {"sync fails", SaveStep::BeforeFsync, 0, false, true, false, before},
        {"rename fails", SaveStep::BeforeRename, 0, false, true, false, before},
        {"rename fails, no file before", SaveStep::BeforeRename, 0, false, false, false, "-"},
        {"folder sync fails after the rename", SaveStep::BeforeDirSync, 0, false, true, false, after},
        {"read-only folder", SaveStep::None, 0, true, true, false, before},
        {"read-only folder, no file before", SaveStep::None, 0, true, false, false, "-"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        ScratchFolder scratch;
        const fs::path folder = scratch.dir() / "game", file = folder / "Quorx.ini";
        fs::create_directory(folder);
        if (row.fileThere)
            spill(file, before);
        {
            std::optional<ReadOnly> lock;
            if (row.lockFolder) {
                ASSERT_TRUE(lock.emplace(folder).ok());
            }
            const SaveFault fault(row.step, row.bytes);
            EXPECT_EQ(writeScore(file, "120"), row.saved);
        }
        EXPECT_EQ(fs::exists(file) ? slurp(file) : "-", row.left);
        EXPECT_EQ(entriesOf(folder), row.left == "-" ? std::vector<std::string>{} : std::vector<std::string>{"Quorx.ini"});
    }
}

// The player's own arrangements of the file survive a save: its mode, and a link to it.
TEST(ProfileWrite, KeepsTheFilesModeAndLinks)
{
    ScratchFolder scratch;
    const fs::path real = scratch.dir() / "real.ini", link = scratch.dir() / "Quorx.ini";
    spill(real, "[Quorrax]\r\nHighScore=5\r\n");
    ::chmod(real.c_str(), 0640);
    fs::create_symlink("real.ini", link);
    EXPECT_TRUE(writeScore(link, "7"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(slurp(real), "[Quorrax]\r\nHighScore=7\r\n");
    struct stat st {};
    ::stat(real.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entriesOf(scratch.dir()), (std::vector<std::string>{"Quorx.ini", "real.ini"}));
}

// ---------------------------------------------------------------------------------------
// Stress: the label `stress` runs these with `./test.sh --stress`.

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
    constexpr std::size_t megabyte = 1 << 20;
    const std::string section = "\r\n[Quorrax]\r\nHighScore=120\r\n";
    for (const bool random : {false, true}) {
        SCOPED_TRACE(random ? "random bytes" : "one long line");
        ScratchFolder scratch;
        const fs::path file = scratch.dir() / "Quorx.ini";
        {
            std::ofstream out(file, std::ios::binary);
            std::mt19937_64 bytes(20240601);
            std::vector<std::uint64_t> chunk(megabyte / 8, 0x7878787878787878u);
            for (int i = 0; i < 100; ++i) {
                if (random)
                    std::generate(chunk.begin() + (i == 0), chunk.end(), std::ref(bytes)); // no byte-order mark
                out.write(reinterpret_cast<const char *>(chunk.data()), megabyte);
            }
        }
        EXPECT_EQ(readScore(file), "0");
        std::ofstream(file, std::ios::binary | std::ios::app) << section;
        EXPECT_EQ(readScore(file), "120");
        const auto size = fs::file_size(file);
        EXPECT_TRUE(writeScore(file, "7"));
        EXPECT_EQ(fs::file_size(file), size - 2);
        EXPECT_EQ(readScore(file), "7");
    }
}

// A disk that fills up after any number of bytes of the new file.
TEST(ProfileStress, ADiskFullAtAnyByteLeavesTheOldOrTheNewFile)
{
    ScratchFolder scratch;
    const fs::path file = scratch.dir() / "Quorx.ini";
    const std::string before = bigFile("5"), after = bigFile("120");
    for (std::size_t n = 0; n < after.size() + 2000; n += n < 300 ? 1 : 997) {
        SCOPED_TRACE(n);
        spill(file, before);
        const SaveFault fault(SaveStep::DuringWrite, n);
        EXPECT_EQ(writeScore(file, "120"), n >= after.size());
        EXPECT_TRUE(slurp(file) == (n >= after.size() ? after : before));
        EXPECT_EQ(entriesOf(scratch.dir()).size(), 1u);
    }
}

// A child saves two scores in turn without end and is killed after a varying amount of
// work: whenever it dies, the file is wholly one or the other.
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
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool told = ::write(ready[1], "g", 1) == 1;
            for (int i = 0; told && i < 100000; ++i)
                writeScore(file, i % 2 == 0 ? "2" : "1");
            ::_exit(0);
        }
        ::close(ready[1]);
        char go = 0;
        ASSERT_EQ(::read(ready[0], &go, 1), 1);
        ::close(ready[0]);
        // Busy work counted in loop passes, so that the kills fall before, inside and
        // after saves whatever the machine's speed.
        volatile std::uint64_t work = 0;
        for (std::uint64_t i = 0; i < std::uint64_t(round % 100) * 120000; ++i)
            work = work + i;
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string now = slurp(file);
        ASSERT_TRUE(now == one || now == two) << "torn file after round " << round;
        for (const std::string &name : entriesOf(scratch.dir())) // a killed save's temporary file
            if (name != "Quorx.ini")
                fs::remove(scratch.dir() / name);
    }
}

TEST(ProfileStress, EverySavedFuzzInputKeepsTheInvariants)
{
    const fs::path inputs = fs::path(__FILE__).parent_path() / "fuzz" / "corpus";
    ScratchFolder scratch;
    const std::vector<std::string> names = entriesOf(inputs);
    ASSERT_FALSE(names.empty()) << inputs;
    for (const std::string &name : names)
        EXPECT_EQ(quorrax::fuzzcheck::checkProfileInvariants(slurp(inputs / name), scratch.dir()), "") << name;
}

} // namespace
