#include "shell/profile.h"

#include "fuzz/profile_invariants.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using quorrax::GetPrivateProfileString;
using quorrax::WritePrivateProfileString;
using quorrax::fuzzcheck::slurp;
using quorrax::fuzzcheck::spill;
using quorrax::testing::SaveStep;
using quorrax::testing::ScratchFolder;

// Marks a file or folder immutable while in scope, which binds even root.
class Immutable {
public:
    explicit Immutable(fs::path path) : m_path(std::move(path)) { m_set = chattr("+i"); }
    ~Immutable()
    {
        if (m_set)
            chattr("-i");
    }
    Immutable(const Immutable &) = delete;
    Immutable &operator=(const Immutable &) = delete;
    bool isSet() const { return m_set; }

private:
    bool chattr(const char *flag) const
    {
        const std::string command = "chattr "s + flag + " '" + m_path.string() + "' >/dev/null 2>&1";
        return std::system(command.c_str()) == 0;
    }
    fs::path m_path;
    bool m_set = false;
};

// Turns a save fault on for the scope, and off again whatever happens.
class SaveFault {
public:
    explicit SaveFault(SaveStep step, std::size_t bytes = 0) { quorrax::testing::setSaveFault(step, bytes); }
    ~SaveFault() { quorrax::testing::setSaveFault(SaveStep::None); }
    SaveFault(const SaveFault &) = delete;
    SaveFault &operator=(const SaveFault &) = delete;
};

std::string hex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text.push_back(digits[c >> 4]);
        text.push_back(digits[c & 15]);
    }
    return text;
}

std::vector<std::string> entriesOf(const fs::path &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string utf16(std::u16string_view text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8);
        const char low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

std::string le(std::u16string_view text) { return utf16(text, false); }
std::string be(std::u16string_view text) { return utf16(text, true); }

std::string readScore(const fs::path &file, std::size_t size = 1024, std::string_view fallback = "0")
{
    return GetPrivateProfileString("Quorrax", "HighScore", fallback, size, file.string());
}

bool writeScore(const fs::path &file, std::string_view value)
{
    return WritePrivateProfileString("Quorrax", "HighScore", value, file.string());
}

// ---------------------------------------------------------------------------------------
// The recorded answers of the platform, one test per recorded case.

const fs::path corpusRoot = fs::path(QUORRAX_TEST_DATA) / "ini";

std::vector<std::string> caseNames(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const std::string &name : entriesOf(folder))
        if (fs::path(name).extension() == ".expected")
            names.push_back(fs::path(name).stem().string());
    return names;
}

fs::path withSuffix(const fs::path &folder, const std::string &name, const char *suffix)
{
    return folder / (name + suffix);
}

class ReadCorpusCase : public ::testing::Test {
public:
    explicit ReadCorpusCase(std::string name) : m_name(std::move(name)) {}
    void TestBody() override
    {
        const fs::path folder = corpusRoot / "read";
        const std::string expected = slurp(withSuffix(folder, m_name, ".expected"));
        const std::size_t hexAt = expected.find(" hex=");
        ASSERT_EQ(expected.rfind("ret=", 0), 0u) << expected;
        ASSERT_NE(hexAt, std::string::npos) << expected;
        const std::size_t length = std::stoul(expected.substr(4, hexAt - 4));
        std::string text = expected.substr(hexAt + 5);
        text.erase(text.find_last_not_of("\r\n") + 1);

        ScratchFolder scratch;
        const fs::path recorded = withSuffix(folder, m_name, ".ini");
        const fs::path file = fs::exists(recorded) ? recorded : scratch.dir() / "Quorx.ini";
        const std::string got = readScore(file);
        EXPECT_EQ(hex(got), text);
        EXPECT_EQ(got.size(), length);
    }

private:
    std::string m_name;
};

class WriteCorpusCase : public ::testing::Test {
public:
    explicit WriteCorpusCase(std::string name) : m_name(std::move(name)) {}
    void TestBody() override
    {
        const fs::path folder = corpusRoot / "write";
        const auto has = [&](const char *suffix) { return fs::exists(withSuffix(folder, m_name, suffix)); };
        const auto bytes = [&](const char *suffix) { return slurp(withSuffix(folder, m_name, suffix)); };

        ScratchFolder scratch;
        std::string relative = has(".path") ? bytes(".path") : "test.ini";
        relative.erase(relative.find_last_not_of(" \t\r\n") + 1);
        const fs::path target = scratch.dir() / relative;
        if (has(".ini"))
            spill(target, bytes(".ini"));
        std::optional<Immutable> lock;
        if (has(".readonly")) {
            fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
            if (::geteuid() == 0) {
                lock.emplace(target);
                if (!lock->isSet())
                    GTEST_SKIP() << "chattr +i failed, and root may write a file of mode 0444";
            }
        }
        const bool written = writeScore(target, bytes(".value"));
        lock.reset();

        EXPECT_EQ(written, bytes(".expected").rfind("ret=1", 0) == 0);
        if (has(".after"))
            EXPECT_EQ(hex(slurp(target)), hex(bytes(".after")));
        else
            EXPECT_FALSE(fs::exists(target));
        const std::vector<std::string> left = entriesOf(target.parent_path());
        EXPECT_TRUE(left.empty() || left == std::vector<std::string>{target.filename().string()})
            << "left behind: " << ::testing::PrintToString(left);
    }

private:
    std::string m_name;
};

bool registerCorpusCases()
{
    for (const std::string &name : caseNames(corpusRoot / "read"))
        ::testing::RegisterTest("IniReadCorpus", name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                                [name]() -> ::testing::Test * { return new ReadCorpusCase(name); });
    for (const std::string &name : caseNames(corpusRoot / "write"))
        ::testing::RegisterTest("IniWriteCorpus", name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                                [name]() -> ::testing::Test * { return new WriteCorpusCase(name); });
    return true;
}

const bool corpusRegistered = registerCorpusCases();

TEST(IniCorpus, IsThereWithCases)
{
    EXPECT_TRUE(corpusRegistered);
    EXPECT_FALSE(caseNames(corpusRoot / "read").empty()) << "no read cases in " << corpusRoot;
    EXPECT_FALSE(caseNames(corpusRoot / "write").empty()) << "no write cases in " << corpusRoot;
}

// ---------------------------------------------------------------------------------------
// Reading beyond the recorded cases

struct ReadCase {
    const char *name;
    std::string file;
    std::size_t size;
    std::string fallback;
    std::string expected;
};

const std::string plain = "[Quorrax]\r\nHighScore=120\r\n";
const std::string quoted = "[Quorrax]\r\nHighScore=\"abcd\"\r\n";
const std::string utf8Bom = "\xEF\xBB\xBF[Quorrax]\r\nHighScore=";

const ReadCase readCases[] = {
    {"key in a later section of the same name", "[Quorrax]\r\nA=1\r\n[X]\r\n[Quorrax]\r\nHighScore=5\r\n", 1024, "0", "0"},
    {"NUL ends the key's name", "[Quorrax]\r\nHighScore\0junk=5\r\n"s, 1024, "0", "5"},
    {"NUL ends the section's name", "[Quorrax\0junk]\r\nHighScore=5\r\n"s, 1024, "0", "5"},
    {"blank before the NUL spoils the name", "[Quorrax]\r\nHighScore \0=5\r\n"s, 1024, "0", "0"},
    {"NUL ends the value", "[Quorrax]\r\nHighScore=12\0" "34\r\n"s, 1024, "0", "12"},
    {"blanks before a NUL stay in the value", "[Quorrax]\r\nHighScore=12 \0\r\n"s, 1024, "0", "12 "},
    {"text after the last bracket", "[Quorrax] ; scores\r\nHighScore=5\r\n", 1024, "0", "5"},
    {"empty section name", "[]\r\nHighScore=5\r\n", 1024, "0", "0"},
    {"^Z is a blank", "[Quorrax]\r\nHighScore=5\x1a\r\n", 1024, "0", "5"},
    {"no-break space is no blank", "[Quorrax]\r\nHighScore=\xA0" "5\r\n", 1024, "0", "\xA0" "5"},
    {"quoted value, roomy buffer", quoted, 7, "0", "abcd"},
    {"quoted value, buffer one short", quoted, 6, "0", "abcd"},
    {"quoted value, closing quote at the cut", quoted, 5, "0", "abc"},
    {"quoted value, cut inside", quoted, 4, "0", "abc"},
    {"quoted value, cut early", quoted, 3, "0", "ab"},
    {"buffer of one", plain, 1, "0", ""},
    {"buffer of none", plain, 0, "0", ""},
    {"short buffer cuts the value", plain, 3, "0", "12"},
    {"short buffer cuts the default", "", 3, "98765", "98"},
    {"default loses trailing spaces", "", 1024, "7  ", "7"},
    {"default keeps a first space", "", 1024, "   ", " "},
    {"default loses its quotes", "", 1024, "\"7\"", "7"},
    {"UTF-8 text in code page 1252", utf8Bom + "\xC3\xA9\xE2\x82\xAC\r\n", 1024, "0", "\xE9\x80"},
    {"UTF-8 text outside code page 1252", utf8Bom + "\xE6\x97\xA5\r\n", 1024, "0", "?"},
    {"UTF-8 beyond 16 bits takes two", utf8Bom + "\xF0\x9F\x98\x80\r\n", 1024, "0", "??"},
    {"broken UTF-8", utf8Bom + "1\xFF" "2\xE2\x82\r\n", 1024, "0", "1?2?"},
    {"UTF-16 in code page 1252", le(u"[Quorrax]\r\nHighScore=\u00e9\u20ac\r\n"), 1024, "0", "\xE9\x80"},
    {"UTF-16 odd last byte", be(u"[Quorrax]\r\nHighScore=120") + "1", 1024, "0", "120"},
    {"UTF-16 names in other case", le(u"[qUORRAX]\nhighscore = 7\n"), 1024, "0", "7"},
    {"UTF-16 unit holding CR LF bytes", le(u"[Quorrax]\r\nHighScore=1\u0d0a2\r\n"), 1024, "0", "1?2"},
};

TEST(ProfileRead, FollowsThePlatformBeyondTheRecordedCases)
{
    ScratchFolder scratch;
    const fs::path file = scratch.dir() / "Quorx.ini";
    for (const ReadCase &c : readCases) {
        SCOPED_TRACE(c.name);
        spill(file, c.file);
        EXPECT_EQ(hex(readScore(file, c.size, c.fallback)), hex(c.expected));
    }
}

TEST(ProfileRead, AFileThatCannotBeOpenedGivesTheDefaultAsItIs)
{
    ScratchFolder scratch;
    // The default loses its quotes only where the file could be opened, or is merely missing.
    EXPECT_EQ(readScore(scratch.dir() / "missing.ini", 1024, "\"7\""), "7");
    EXPECT_EQ(readScore(scratch.dir() / "no_such_dir" / "Quorx.ini", 1024, "\"7\""), "\"7\"");
    EXPECT_EQ(readScore(scratch.dir(), 1024, "\"7\""), "\"7\"");
    EXPECT_EQ(readScore(scratch.dir(), 3, "98765"), "98");
}

// A file far larger than any real one is read in bounded memory: one line of 100 MB, or
// 100 MB of random bytes, and the section after it is still found.
TEST(ProfileRead, HugeFilesAreReadToTheEnd)
{
    constexpr std::size_t megabyte = 1 << 20;
    constexpr std::size_t hugeMegabytes = 100;
    const std::string section = "\r\n[Quorrax]\r\nHighScore=120\r\n";
    ScratchFolder scratch;
    const fs::path file = scratch.dir() / "Quorx.ini";
    {
        std::ofstream out(file, std::ios::binary);
        const std::string line(megabyte, 'x');
        for (std::size_t i = 0; i < hugeMegabytes; ++i)
            out << line;
    }
    EXPECT_EQ(readScore(file), "0");
    std::ofstream(file, std::ios::binary | std::ios::app) << section;
    EXPECT_EQ(readScore(file), "120");

    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        std::mt19937_64 random(20240601);
        std::vector<std::uint64_t> chunk(megabyte / sizeof(std::uint64_t));
        for (std::size_t i = 0; i < hugeMegabytes; ++i) {
            std::generate(chunk.begin(), chunk.end(), std::ref(random));
            if (i == 0)
                chunk[0] = 'x'; // no byte-order mark by chance
            out.write(reinterpret_cast<const char *>(chunk.data()), static_cast<std::streamsize>(megabyte));
        }
    }
    EXPECT_EQ(readScore(file), "0");
    std::ofstream(file, std::ios::binary | std::ios::app) << section;
    EXPECT_EQ(readScore(file), "120");

    // The write streams the file too, and changes only the key's value.
    const auto size = fs::file_size(file);
    EXPECT_TRUE(writeScore(file, "7"));
    EXPECT_EQ(fs::file_size(file), size - 2);
    std::ifstream in(file, std::ios::binary);
    in.seekg(-static_cast<std::streamoff>(section.size() - 2), std::ios::end);
    std::string tail(section.size() - 2, '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
    EXPECT_EQ(tail, "\r\n[Quorrax]\r\nHighScore=7\r\n");
    EXPECT_EQ(readScore(file), "7");
}

// ---------------------------------------------------------------------------------------
// Writing: only the key's line changes

struct EditCase {
    const char *name;
    std::optional<std::string> before;
    std::string value;
    std::string after;
};

const std::string bom = "\xEF\xBB\xBF";

const EditCase editCases[] = {
    {"missing file", std::nullopt, "120", "[Quorrax]\r\nHighScore=120\r\n"},
    {"LF file", "[Quorrax]\nHighScore=5\n", "120", "[Quorrax]\nHighScore=120\n"},
    {"LF file, new key", "[Quorrax]\nA=1\n[X]\nB=2\n", "120", "[Quorrax]\nA=1\nHighScore=120\n[X]\nB=2\n"},
    {"LF file, new section", "[X]\nB=2\n", "120", "[X]\nB=2\n[Quorrax]\nHighScore=120\n"},
    {"CR file, new key", "[Quorrax]\rA=1\r", "120", "[Quorrax]\rA=1\rHighScore=120\r"},
    {"mixed line ends", "[Other]\r\nA=1\n[Quorrax]\rHighScore=5\r\nB=2\n", "120",
     "[Other]\r\nA=1\n[Quorrax]\rHighScore=120\r\nB=2\n"},
    {"comments and blank lines", "; best\r\n\r\n[Quorrax]\r\n; the key\r\nHighScore=5 ; old\r\n\r\n# end\r\n", "120",
     "; best\r\n\r\n[Quorrax]\r\n; the key\r\nHighScore=120\r\n\r\n# end\r\n"},
    {"spacing around '='", "[Quorrax]\r\n  HighScore \t=  5  \r\nX = 1\r\n", "120",
     "[Quorrax]\r\n  HighScore \t=  120\r\nX = 1\r\n"},
    {"blank old value", "[Quorrax]\r\nHighScore =   \r\n", "120", "[Quorrax]\r\nHighScore =120\r\n"},
    {"spelling of the names", "[ quorrax ]\r\nhighscore=5\r\n", "120", "[ quorrax ]\r\nhighscore=120\r\n"},
    {"key in a later section of the same name",
     "[Quorrax]\r\nA=1\r\n[X]\r\nY=2\r\n[Quorrax]\r\nHighScore=5\r\n", "120",
     "[Quorrax]\r\nA=1\r\nHighScore=120\r\n[X]\r\nY=2\r\n[Quorrax]\r\nHighScore=5\r\n"},
    {"new key before blank lines", "[Quorrax]\r\nA=1\r\n\r\n\r\n[X]\r\n", "120",
     "[Quorrax]\r\nA=1\r\nHighScore=120\r\n\r\n\r\n[X]\r\n"},
    {"no last newline, key there", "[Quorrax]\r\nHighScore=5", "120", "[Quorrax]\r\nHighScore=120\r\n"},
    {"no last newline, key missing", "[Quorrax]\r\nA=1", "120", "[Quorrax]\r\nA=1\r\nHighScore=120\r\n"},
    {"no last newline, section missing", "[X]\r\nA=1", "120", "[X]\r\nA=1\r\n[Quorrax]\r\nHighScore=120\r\n"},
    {"no last newline, LF file", "[X]\nA=1", "120", "[X]\nA=1\n[Quorrax]\nHighScore=120\n"},
    {"section header last", "[X]\nA=1\n[Quorrax]", "120", "[X]\nA=1\n[Quorrax]\nHighScore=120\n"},
    {"only a header", "[Quorrax]", "120", "[Quorrax]\r\nHighScore=120\r\n"},
    {"only blanks", "  ", "120", "  \r\n[Quorrax]\r\nHighScore=120\r\n"},
    {"^Z at the end", "[X]\r\nA=1\r\n\x1a", "120", "[X]\r\nA=1\r\n\x1a\r\n[Quorrax]\r\nHighScore=120\r\n"},
    {"key before every section", "HighScore=9\n[Other]\nX=1\n", "120",
     "HighScore=9\n[Other]\nX=1\n[Quorrax]\nHighScore=120\n"},
    {"key without '='", "[Quorrax]\r\n  HighScore  \r\nX=1\r\n", "120", "[Quorrax]\r\n  HighScore=120\r\nX=1\r\n"},
    {"leading blanks of the value", "[Quorrax]\r\nHighScore=5\r\n", "  7", "[Quorrax]\r\nHighScore=7\r\n"},
    {"header with a comment", "[Quorrax] ; scores\r\nHighScore=5\r\n", "120", "[Quorrax] ; scores\r\nHighScore=120\r\n"},
    {"same value after a comment", "[Quorrax]\r\nHighScore=120 ; c\r\n", "120", "[Quorrax]\r\nHighScore=120\r\n"},
    {"same value already", "[Quorrax]\r\nHighScore = 120  \r\n", "120", "[Quorrax]\r\nHighScore = 120  \r\n"},
    {"UTF-8 mark", bom + "[Quorrax]\r\nHighScore=5\r\n", "120", bom + "[Quorrax]\r\nHighScore=120\r\n"},
    {"UTF-8 value", bom + "[Quorrax]\r\nHighScore=5\r\n", "\xE9", bom + "[Quorrax]\r\nHighScore=\xC3\xA9\r\n"},
    {"only a UTF-8 mark", bom, "120", bom + "[Quorrax]\r\nHighScore=120\r\n"},
    {"UTF-16", le(u"[Quorrax]\r\nHighScore=5\r\n"), "120", le(u"[Quorrax]\r\nHighScore=120\r\n")},
    {"UTF-16 big-endian, new section", be(u"[X]\nA=1\n"), "\xE9", be(u"[X]\nA=1\n[Quorrax]\nHighScore=\u00e9\n")},
};

TEST(ProfileWrite, ChangesOnlyTheKeysLine)
{
    for (const EditCase &c : editCases) {
        SCOPED_TRACE(c.name);
        ScratchFolder scratch;
        const fs::path file = scratch.dir() / "Quorx.ini";
        if (c.before)
            spill(file, *c.before);
        EXPECT_TRUE(writeScore(file, c.value));
        EXPECT_EQ(hex(slurp(file)), hex(c.after));
        const std::string value = c.value.substr(c.value.find_first_not_of(' '));
        EXPECT_EQ(hex(readScore(file)), hex(value));
        EXPECT_EQ(entriesOf(scratch.dir()), std::vector<std::string>{"Quorx.ini"});
    }
}

TEST(ProfileWrite, KeepsThePermissionsOfTheFile)
{
    ScratchFolder scratch;
    const fs::path file = scratch.dir() / "Quorx.ini";
    spill(file, plain);
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    EXPECT_TRUE(writeScore(file, "7"));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A new file gets what any new file gets here.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    const fs::path created = scratch.dir() / "new.ini";
    EXPECT_TRUE(writeScore(created, "7"));
    ASSERT_EQ(::stat(created.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666u & ~mask);
}

TEST(ProfileWrite, ALinkStaysALinkAndItsTargetChanges)
{
    ScratchFolder scratch;
    const fs::path real = scratch.dir() / "real";
    const fs::path links = scratch.dir() / "links";
    fs::create_directory(real);
    fs::create_directory(links);
    spill(real / "Quorx.ini", plain);
    fs::create_symlink("../real/Quorx.ini", links / "first.ini");
    fs::create_symlink(links / "first.ini", links / "Quorx.ini");
    fs::create_symlink("../real/later.ini", links / "dangling.ini");

    EXPECT_TRUE(writeScore(links / "Quorx.ini", "7"));
    EXPECT_TRUE(fs::is_symlink(links / "Quorx.ini"));
    EXPECT_TRUE(fs::is_symlink(links / "first.ini"));
    EXPECT_EQ(slurp(real / "Quorx.ini"), "[Quorrax]\r\nHighScore=7\r\n");

    EXPECT_TRUE(writeScore(links / "dangling.ini", "8"));
    EXPECT_TRUE(fs::is_symlink(links / "dangling.ini"));
    EXPECT_EQ(slurp(real / "later.ini"), "[Quorrax]\r\nHighScore=8\r\n");

    EXPECT_EQ(entriesOf(real), (std::vector<std::string>{"Quorx.ini", "later.ini"}));
    EXPECT_EQ(entriesOf(links), (std::vector<std::string>{"Quorx.ini", "dangling.ini", "first.ini"}));

    fs::create_symlink("loop.ini", links / "loop.ini");
    EXPECT_FALSE(writeScore(links / "loop.ini", "9"));
}

TEST(ProfileWrite, FailsInAReadOnlyFolderAndLeavesItAsItWas)
{
    ScratchFolder scratch;
    const fs::path folder = scratch.dir() / "locked";
    fs::create_directory(folder);
    spill(folder / "Quorx.ini", plain);
    std::optional<Immutable> lock;
    if (::geteuid() == 0) {
        lock.emplace(folder);
        if (!lock->isSet())
            GTEST_SKIP() << "chattr +i failed, and root may write in a folder of mode 0555";
    } else {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    EXPECT_FALSE(writeScore(folder / "Quorx.ini", "7"));
    EXPECT_FALSE(writeScore(folder / "other.ini", "7"));
    lock.reset();
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(slurp(folder / "Quorx.ini"), plain);
    EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"Quorx.ini"});
}

// ---------------------------------------------------------------------------------------
// Crash safety: an interrupted save leaves either the old file or the new one

std::string bigFile(const std::string &score)
{
    std::string text = "[Other]\r\nX=1\r\n[Quorrax]\r\nHighScore=" + score + "\r\n[Padding]\r\n";
    for (int i = 0; text.size() < 150000; ++i)
        text += "Line" + std::to_string(i) + "=the quick brown fox jumps over the lazy dog\r\n";
    return text;
}

TEST(ProfileSave, EveryInterruptedSaveLeavesTheOldOrTheNewFile)
{
    ScratchFolder scratch;
    const fs::path file = scratch.dir() / "Quorx.ini";
    const std::string before = bigFile("5");
    const std::string after = bigFile("120");
    const auto onlyTheFile = [&] { return entriesOf(scratch.dir()) == std::vector<std::string>{"Quorx.ini"}; };

    for (const SaveStep step : {SaveStep::AfterTempCreated, SaveStep::BeforeFsync, SaveStep::BeforeRename}) {
        SCOPED_TRACE(static_cast<int>(step));
        spill(file, before);
        const SaveFault fault(step);
        EXPECT_FALSE(writeScore(file, "120"));
        EXPECT_TRUE(slurp(file) == before);
        EXPECT_TRUE(onlyTheFile());
    }

    // A disk that fills up after any number of bytes.
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n < 300; ++n)
        lengths.push_back(n);
    for (std::size_t n = 300; n < after.size() + 2000; n += 997)
        lengths.push_back(n);
    lengths.push_back(after.size() - 1);
    lengths.push_back(after.size());
    for (const std::size_t n : lengths) {
        SCOPED_TRACE(n);
        spill(file, before);
        const SaveFault fault(SaveStep::DuringWrite, n);
        const bool saved = writeScore(file, "120");
        EXPECT_EQ(saved, n >= after.size());
        EXPECT_TRUE(slurp(file) == (saved ? after : before));
        EXPECT_TRUE(onlyTheFile());
    }

    // Once renamed, the new file is in place even when the folder cannot be synced.
    spill(file, before);
    {
        const SaveFault fault(SaveStep::BeforeDirSync);
        EXPECT_FALSE(writeScore(file, "120"));
    }
    EXPECT_TRUE(slurp(file) == after);
    EXPECT_TRUE(onlyTheFile());

    // A file that did not exist still does not.
    fs::remove(file);
    {
        const SaveFault fault(SaveStep::BeforeRename);
        EXPECT_FALSE(writeScore(file, "120"));
    }
    EXPECT_TRUE(entriesOf(scratch.dir()).empty());
}

// A process killed at any moment of saving leaves the old file or the new one: a child
// saves two scores in turn without end, and is killed after a varying amount of work.
TEST(ProfileSave, AKilledSaveLeavesTheOldOrTheNewFile)
{
    ScratchFolder scratch;
    const fs::path file = scratch.dir() / "Quorx.ini";
    const std::string one = bigFile("1");
    const std::string two = bigFile("2");
    spill(file, one);

    constexpr int kills = 300;
    int torn = 0;
    for (int round = 0; round < kills; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            const char go = 1;
            const bool told = ::write(ready[1], &go, 1) == 1;
            for (int i = 0; told && i < 100000; ++i)
                writeScore(file, i % 2 == 0 ? "2" : "1");
            ::_exit(0);
        }
        ::close(ready[1]);
        char go = 0;
        const bool started = ::read(ready[0], &go, 1) == 1;
        ::close(ready[0]);
        // Busy work measured in loop passes, spread over a few saves' worth, so that the
        // kills fall before, inside and after saves.
        volatile std::uint64_t work = 0;
        const std::uint64_t passes = static_cast<std::uint64_t>(round % 100) * 120000;
        for (std::uint64_t i = 0; i < passes; ++i)
            work = work + i;
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(started);

        const std::string now = slurp(file);
        torn += now != one && now != two;
        // A killed save leaves its unfinished temporary file; it never replaces the target.
        for (const std::string &name : entriesOf(scratch.dir()))
            if (name != "Quorx.ini")
                fs::remove(scratch.dir() / name);
    }
    EXPECT_EQ(torn, 0);
}

// ---------------------------------------------------------------------------------------
// Every saved fuzz input keeps the invariants the fuzz target checks.

TEST(ProfileFuzzCorpus, EverySavedInputKeepsTheInvariants)
{
    const fs::path corpus = fs::path(__FILE__).parent_path() / "fuzz" / "corpus";
    ASSERT_TRUE(fs::is_directory(corpus)) << corpus;
    ScratchFolder scratch;
    std::size_t inputs = 0;
    for (const std::string &name : entriesOf(corpus)) {
        SCOPED_TRACE(name);
        ++inputs;
        EXPECT_EQ(quorrax::fuzzcheck::checkProfileInvariants(slurp(corpus / name), scratch.dir()), "");
    }
    EXPECT_GT(inputs, 0u);
}

} // namespace
