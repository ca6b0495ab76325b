// SPDX-License-Identifier: MIT
#include "fuzz/profile_invariants.h"
#include "game/convert.h"
#include "highscore/atomicsave.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// What a save of the high score must never do, whoever else is about: follow a link that
// someone else planted, make a file where a broken link points, leave its leftovers behind,
// or let a lower score win when two copies of the game end at once.

namespace {

namespace fs = std::filesystem;
using quorrax::fuzzcheck::slurp;
using quorrax::fuzzcheck::spill;

constexpr uid_t stranger = 4242; // another user of the machine

// A file as the one it is: its inode and its bytes.
std::pair<ino_t, std::string> identity(const fs::path &file)
{
    struct stat st {};
    return {::stat(file.c_str(), &st) == 0 ? st.st_ino : 0, slurp(file)};
}

// A save by the game's own rule: a file that holds at least as much stays as it is.
quorrax::SaveResult save(const quorrax::ProfileFile &file, int score)
{
    return quorrax::writeProfileString(
        "Quorrax", "HighScore", std::to_string(score), file, [score](const std::string &at) {
            const auto there = quorrax::CLng(quorrax::GetPrivateProfileString("Quorrax", "HighScore", "", 1024, at));
            return there && *there >= score;
        });
}

// A game folder that every user may write (mode 1777), where the high-score file's name
// is a link. Only the player's own links, or those of the folder's owner, are followed;
// another's is neither read nor written through, and the score goes to the player's copy.
TEST(SaveSafety, OnlyThePlayersOwnLinksAreFollowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "links of another user can only be made by root";
    const std::string keys = "ssh-ed25519 AAAA player@desk\n", scores = "[Quorrax]\r\nHighScore=5\r\n";
    const struct {
        const char *name;
        std::string target; // what the link points at: a file in the player's home
        bool targetThere;
        uid_t linkOwner, folderOwner;
        const char *read;        // what the game reads at start
        std::string targetAfter; // "" where there must be no file
        std::string ownAfter;    // the player's copy; "" for none
    } rows[] = {
        {"the player's link to a synced file", scores, true, 0, 0, "5", "[Quorrax]\r\nHighScore=7\r\n", ""},
        {"the folder owner's link", scores, true, stranger, stranger, "5", "[Quorrax]\r\nHighScore=7\r\n", ""},
        {"a planted link to the player's keys", keys, true, stranger, 0, "0", keys, "[Quorrax]\r\nHighScore=7\r\n"},
        {"a planted link to a high score", "[Quorrax]\r\nHighScore=99999\r\n", true, stranger, 0, "0",
         "[Quorrax]\r\nHighScore=99999\r\n", "[Quorrax]\r\nHighScore=7\r\n"},
        {"a planted link to nothing", "", false, stranger, 0, "0", "", "[Quorrax]\r\nHighScore=7\r\n"},
        {"the player's link to nothing", "", false, 0, 0, "0", "", "[Quorrax]\r\nHighScore=7\r\n"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const quorrax::test::ScratchFolder scratch;
        const fs::path game = scratch.dir() / "game", home = scratch.dir() / "home", target = home / "target";
        fs::create_directories(game), fs::create_directories(home);
        ASSERT_EQ(::chmod(game.c_str(), 01777), 0);
        ASSERT_EQ(::chown(game.c_str(), row.folderOwner, row.folderOwner), 0);
        if (row.targetThere)
            spill(target, row.target);
        const fs::path link = game / "Quorx.ini";
        fs::create_symlink(target, home / "alias"); // each link leads on through one of the player's
        fs::create_symlink(home / "alias", link);
        ASSERT_EQ(::lchown(link.c_str(), row.linkOwner, row.linkOwner), 0);
        const auto before = identity(target);
        const quorrax::ProfileFile file{link.string(), (home / "own" / "Quorx.ini").string()};

        EXPECT_EQ(quorrax::GetPrivateProfileString("Quorrax", "HighScore", "0", 1024, file.shared), row.read);
        EXPECT_TRUE(save(file, 7).saved);
        EXPECT_EQ(fs::exists(target) ? slurp(target) : "", row.targetAfter);
        if (row.targetAfter == row.target) {
            EXPECT_EQ(identity(target), before) << "the file the link points at was replaced";
        }
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::exists(file.own) ? slurp(file.own) : "", row.ownAfter);
    }
}

// The shared file takes every score it can, whatever the player's own copy holds; the copy
// takes one only while the shared file refuses, and then the higher of the two. Locks held
// elsewhere delay the save a while, all of them together, and no more.
TEST(SaveSafety, TheSharedFileTakesTheScoreWheneverItCan)
{
    const struct {
        const char *shared, *own; // the values before, "" for no copy
        bool refuses;
        const char *sharedAfter, *ownAfter;
        int locksHeld; // of the shared file's folder, then of the copy's
        // clang-format off
    } rows[] = {
        {"300", "", true, "300", "415", 0}, {"300", "415", false, "415", "415", 0}, {"300", "500", true, "300", "500", 0},
        {"300", "350", true, "300", "415", 0}, {"600", "", true, "600", "", 0}, {"300", "", false, "415", "", 1},
        {"300", "", true, "300", "415", 2},
    };
    // clang-format on
    const auto holding = [](std::string value) {
        return value.empty() ? "" : "[Quorrax]\r\nHighScore=" + value + "\r\n";
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.shared << ", copy " << row.own << ", locks held " << row.locksHeld);
        const quorrax::test::ScratchFolder scratch;
        const fs::path folders[] = {scratch.dir() / "game", scratch.dir() / "own"}, shared = folders[0] / "Quorx.ini",
                       own = folders[1] / "Quorx.ini";
        fs::create_directories(folders[0]), fs::create_directories(folders[1]);
        spill(shared, holding(row.shared));
        if (*row.own)
            spill(own, holding(row.own));
        std::optional<quorrax::test::ReadOnly> locked;
        if (row.refuses && !locked.emplace(folders[0]).ok)
            GTEST_SKIP() << "chattr +i refused, and root may write anywhere";
        const std::vector<fs::path> held(folders, folders + row.locksHeld);
        quorrax::test::LocksHeldElsewhere holder(held);
        const quorrax::SaveResult result = save({shared.string(), own.string()}, 415);
        EXPECT_EQ(holder.waited, row.locksHeld ? quorrax::profile_detail::lockPatience : holder.waited.zero());
        EXPECT_EQ(result.unlocked, std::vector<std::string>(held.begin(), held.end()));
        EXPECT_TRUE(result.saved) << result.problem;
        EXPECT_EQ(slurp(shared) + "|" + slurp(own), holding(row.sharedAfter) + "|" + holding(row.ownAfter));
        EXPECT_EQ(result.ownCopy, *row.ownAfter && std::string(row.sharedAfter) != "415" ? own.string() : "");
    }
}

// A save killed half-way leaves its hidden temporary file; the next end of a game clears
// away the player's own leftovers of that name, and nothing else, with or without a save.
TEST(SaveSafety, TheNextSaveRemovesThePlayersLeftovers)
{
    const quorrax::test::ScratchFolder scratch;
    const fs::path ini = scratch.dir() / "Quorx.ini";
    spill(ini, "[Quorrax]\r\nHighScore=5\r\n");
    const struct {
        const char *name;
        bool stranger;
        bool removed;
    } rows[] = {
        {".Quorx.ini.Ab3xZ9", false, true},   {".Quorx.ini.000000", false, true},  {".Quorx.ini.Ab3xZ", false, false},
        {".Quorx.ini.Ab3xZ90", false, false}, {".Quorx.ini.Ab3-Z9", false, false}, {".Other.ini.Ab3xZ9", false, false},
        {"Quorx.ini.Ab3xZ9", false, false},   {".Quorx.ini.Zz9Yy8", true, false},
    };
    for (const int score : {3, 7}) { // nothing to write, then a higher score
        for (const auto &row : rows) {
            spill(scratch.dir() / row.name, std::string(1000, 'x'));
            if (row.stranger && ::chown((scratch.dir() / row.name).c_str(), stranger, stranger) != 0)
                GTEST_SKIP() << "files of another user can only be made by root";
        }
        EXPECT_TRUE(save({ini.string(), ""}, score).saved);
        for (const auto &row : rows)
            EXPECT_EQ(fs::exists(scratch.dir() / row.name), !row.removed) << row.name << ", score " << score;
    }
    EXPECT_EQ(slurp(ini), "[Quorrax]\r\nHighScore=7\r\n");
}

// Copies of the game that end at the same moment, each with its own score: the file ends
// with the highest of them, whole, whoever saves last.
TEST(SaveSafety, CopiesEndingTogetherLeaveTheHighestScore)
{
    const quorrax::test::ScratchFolder scratch;
    const fs::path ini = scratch.dir() / "Quorx.ini";
    for (int round = 0; round < 10; ++round) {
        spill(ini, "; mine\n[Quorrax]\nHighScore=10\n");
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        std::vector<pid_t> copies;
        for (int copy = 0; copy < 6; ++copy) {
            const int score = 100 + (copy * 37 + round * 11) % 90;
            if (const pid_t pid = ::fork(); pid == 0) {
                char go = 0;
                ::close(start[1]);
                const bool ok = ::read(start[0], &go, 1) == 0 && save({ini.string(), ""}, score).saved;
                ::_exit(ok ? 0 : 1);
            } else {
                copies.push_back(pid);
            }
        }
        ::close(start[0]), ::close(start[1]); // all of them go at once
        int highest = 10;
        for (int copy = 0; copy < 6; ++copy) {
            highest = std::max(highest, 100 + (copy * 37 + round * 11) % 90);
            int status = 0;
            ::waitpid(copies[std::size_t(copy)], &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        ASSERT_EQ(slurp(ini), "; mine\n[Quorrax]\nHighScore=" + std::to_string(highest) + "\n") << "round " << round;
        ASSERT_EQ(std::distance(fs::directory_iterator(scratch.dir()), {}), 1);
    }
}

} // namespace
