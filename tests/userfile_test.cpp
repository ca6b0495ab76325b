#include "fuzz/profile_invariants.h"
#include "scratch_folder.h"

#include <optional>

// The high score of a game installed where players may not write: the file beside the
// program while its folder takes the save, the player's own copy once it refuses.

namespace {

namespace fs = std::filesystem;
using quorrax::fuzzcheck::spill;
using quorrax::test::ReadOnly;
using Bytes = std::optional<std::string>; // a file's bytes; nullopt: no file

Bytes load(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    return in ? Bytes(std::string(std::istreambuf_iterator<char>(in), {})) : std::nullopt;
}

const std::string plain = "[Quorrax]\r\nHighScore=5\r\n";
// A file some other tool wrote: a comment, other sections, LF line ends.
const std::string rich = "; scores\n[Other]\nName=x\n\n[Quorrax]\nHighScore = 5 ; best\n[Tail]\nY=2\n";

struct Row {
    const char *name;
    bool programFolderLocked;
    bool homeLocked; // the folder that holds the player's own folders
    Bytes shared;
    Bytes own;
    const char *value;
    bool written;
    Bytes sharedAfter;
    Bytes ownAfter;
};

const Row rows[] = {
    {"WritableFolderKeepsTheFileBesideTheProgram", false, false, plain, {}, "7", true,
     "[Quorrax]\r\nHighScore=7\r\n", {}},
    {"LockedFolderStartsTheOwnCopyFromTheShared", true, false, rich, {}, "7", true, rich,
     "; scores\n[Other]\nName=x\n\n[Quorrax]\nHighScore = 7\n[Tail]\nY=2\n"},
    {"LockedFolderWithoutAFileStartsAnEmptyCopy", true, false, {}, {}, "7", true, {},
     "[Quorrax]\r\nHighScore=7\r\n"},
    {"LockedFolderAndAnUnchangedScoreMakeNoCopy", true, false, plain, {}, "5", true, plain, {}},
    {"AnOwnCopyTakesTheWriteEvenBesideAWritableFolder", false, false, plain,
     "[Quorrax]\r\nHighScore=9\r\n", "7", true, plain, "[Quorrax]\r\nHighScore=7\r\n"},
    {"NowhereToWriteLosesNothing", true, true, rich, {}, "7", false, rich, {}},
};

void PrintTo(const Row &row, std::ostream *out) { *out << row.name; }

class UserFile : public testing::TestWithParam<Row> {};

TEST_P(UserFile, SavesWhereTheNextStartReadsIt)
{
    const Row &row = GetParam();
    const quorrax::test::ScratchFolder scratch;
    const fs::path shared = scratch.dir() / "program" / "Quorx.ini";
    const fs::path own = scratch.dir() / "home" / ".local" / "share" / "quorrax" / "Quorx.ini";
    fs::create_directories(shared.parent_path());
    fs::create_directories(row.own ? own.parent_path() : scratch.dir() / "home");
    if (row.shared)
        spill(shared, *row.shared);
    if (row.own)
        spill(own, *row.own);
    const quorrax::ProfileFile file{shared.string(), own.string()};
    // An installed shared file is read-only too; the player's copy must not inherit that.
    if (row.programFolderLocked && row.shared)
        fs::permissions(shared, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    bool written = false;
    {
        std::optional<ReadOnly> program, home;
        if (row.programFolderLocked)
            program.emplace(shared.parent_path());
        if (row.homeLocked)
            home.emplace(scratch.dir() / "home");
        if ((program && !program->ok) || (home && !home->ok))
            GTEST_SKIP() << "chattr +i failed, and root may write in any folder";
        written = quorrax::writeProfileString("Quorrax", "HighScore", row.value, file).saved;
    }
    EXPECT_EQ(written, row.written);
    EXPECT_EQ(load(shared), row.sharedAfter);
    EXPECT_EQ(load(own), row.ownAfter);
    if (row.written) {
        EXPECT_EQ(quorrax::GetPrivateProfileString("Quorrax", "HighScore", "0", 1024, quorrax::profileToRead(file)),
                  row.value);
    }
    // A copy the game makes, and its folders, are the player's alone, whatever the shared
    // file's mode.
    if (row.ownAfter && !row.own) {
        EXPECT_EQ(fs::status(own).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        for (fs::path folder = own.parent_path(); folder != scratch.dir() / "home"; folder = folder.parent_path())
            EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << folder;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, UserFile, testing::ValuesIn(rows),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
