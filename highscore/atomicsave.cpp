// SPDX-License-Identifier: MIT
#include "highscore/atomicsave.h"

#include "highscore/savefault.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <random>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quorrax::profile_detail {

namespace {

savefault::Step g_faultStep = savefault::Step::None;
std::size_t g_faultBytes = 0;

// Whether a test asked for a failure at `step`; errno then tells what kind.
bool faultAt(savefault::Step step)
{
    if (g_faultStep != step)
        return false;
    errno = step == savefault::Step::DuringWrite ? ENOSPC : EIO;
    return true;
}

class TempWriter
{
public:
    explicit TempWriter(int fd) : m_fd(fd) {}

    bool write(const char *data, std::size_t size)
    {
        if (g_faultStep == savefault::Step::OneWrite && m_written <= g_faultBytes && g_faultBytes < m_written + size &&
            !std::exchange(m_faultDone, true)) {
            errno = EIO;
            return false;
        }
        bool cut = false;
        if (g_faultStep == savefault::Step::DuringWrite && m_written + size > g_faultBytes) {
            size = g_faultBytes > m_written ? g_faultBytes - m_written : 0;
            cut = true;
        }
        while (size > 0) {
            const ssize_t n = ::write(m_fd, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<std::size_t>(n);
            m_written += static_cast<std::size_t>(n);
        }
        return !(cut && faultAt(savefault::Step::DuringWrite));
    }

    // Copies the old file's bytes from `begin` up to `end`, or to its end.
    bool copy(int from, Offset begin, std::optional<Offset> end)
    {
        std::array<char, 1 << 16> buffer{};
        while (!end || begin < *end) {
            std::size_t want = buffer.size();
            if (end)
                want = static_cast<std::size_t>(std::min<Offset>(want, *end - begin));
            const ssize_t n = ::pread(from, buffer.data(), want, static_cast<off_t>(begin));
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 && end)
                errno = EIO; // the file got shorter under us
            if (n < 0 || (n == 0 && end))
                return false;
            if (n == 0)
                return true;
            if (!write(buffer.data(), static_cast<std::size_t>(n)))
                return false;
            begin += static_cast<Offset>(n);
        }
        return true;
    }

private:
    int m_fd;
    std::size_t m_written = 0;
    bool m_faultDone = false;
};

constexpr std::string_view tempLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t tempSuffixLength = 6;

// The temporary files of a save are hidden files beside the target: "." + its name + "." +
// six letters or digits.
std::string tempPrefix(const std::string &target)
{
    const std::size_t slash = target.rfind('/');
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on a literal put before a
    // temporary string in an optimised build.
    std::string prefix(1, '.');
    prefix += target.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 200);
    prefix += '.';
    return prefix;
}

bool isTempName(std::string_view name, std::string_view prefix)
{
    return name.size() == prefix.size() + tempSuffixLength && name.starts_with(prefix) &&
           name.substr(prefix.size()).find_first_not_of(tempLetters) == std::string_view::npos;
}

void removeLeftovers(const std::string &directory, const std::string &prefix)
{
    DIR *const dir = ::opendir(directory.c_str());
    if (!dir)
        return;
    std::vector<std::string> leftovers;
    while (const dirent *entry = ::readdir(dir))
        if (isTempName(entry->d_name, prefix))
            leftovers.emplace_back(entry->d_name);
    for (const std::string &name : leftovers) {
        struct stat st {};
        if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid())
            ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}

// A name no other save is using.
int createTemp(const std::string &directory, const std::string &prefix, mode_t mode, std::string &name)
{
    static std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = directory + "/" + prefix;
        for (std::size_t i = 0; i < tempSuffixLength; ++i)
            name.push_back(tempLetters[random() % tempLetters.size()]);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool syncDirectory(const std::string &directory)
{
    const FileDescriptor dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Some file systems cannot sync a folder at all; there is nothing more to do there.
    return dir.fd >= 0 && (::fsync(dir.fd) == 0 || errno == EINVAL);
}

// The folders this process holds locked, with how many holders each has.
struct HeldLock {
    dev_t device;
    ino_t inode;
    int fd;
    int holders;
};
std::vector<HeldLock> g_heldLocks;

class RealClock : public savefault::LockClock
{
public:
    std::chrono::steady_clock::time_point now() override { return std::chrono::steady_clock::now(); }
    void sleepFor(std::chrono::steady_clock::duration span) override { std::this_thread::sleep_for(span); }
};
RealClock g_realClock;
savefault::LockClock *g_lockClock = &g_realClock;

// The locks of one save share one deadline, set by the first of them: however many folders
// others hold, the save waits lockPatience at most in all.
int g_liveLocks = 0;
std::chrono::steady_clock::time_point g_lockDeadline;
std::vector<std::string> g_unlocked;

// Takes the lock of the open folder, trying again now and then until the save's deadline;
// false where others held it all that time. A file system that has no locks has nothing
// to wait for.
bool lockBeforeDeadline(int fd)
{
    constexpr std::chrono::milliseconds retry{10};
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EWOULDBLOCK)
            return true;
        const auto now = g_lockClock->now();
        if (now >= g_lockDeadline)
            return false;
        g_lockClock->sleepFor(std::min<std::chrono::steady_clock::duration>(retry, g_lockDeadline - now));
    }
    return true;
}

} // namespace

FolderLock::FolderLock(const std::string &folder)
{
    if (g_liveLocks++ == 0)
        g_lockDeadline = g_lockClock->now() + lockPatience;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    const auto held = std::find_if(g_heldLocks.begin(), g_heldLocks.end(),
                                   [&st](const HeldLock &l) { return l.device == st.st_dev && l.inode == st.st_ino; });
    // A second lock on another descriptor of the same folder would wait for the first one:
    // the process's own locks nest instead.
    if (held != g_heldLocks.end()) {
        ++held->holders;
        ::close(fd);
    } else if (lockBeforeDeadline(fd)) {
        g_heldLocks.push_back({st.st_dev, st.st_ino, fd, 1});
    } else {
        ::close(fd);
        if (std::find(g_unlocked.begin(), g_unlocked.end(), folder) == g_unlocked.end())
            g_unlocked.push_back(folder);
        return;
    }
    m_device = st.st_dev;
    m_inode = st.st_ino;
    m_held = true;
}

FolderLock::~FolderLock()
{
    --g_liveLocks;
    if (!m_held)
        return;
    const auto held = std::find_if(g_heldLocks.begin(), g_heldLocks.end(),
                                   [this](const HeldLock &l) { return l.device == m_device && l.inode == m_inode; });
    if (held != g_heldLocks.end() && --held->holders == 0) {
        ::close(held->fd); // which lets the lock go
        g_heldLocks.erase(held);
    }
}

std::vector<std::string> foldersSavedUnlocked()
{
    return std::exchange(g_unlocked, {});
}

void removeLeftoversBeside(const std::string &target)
{
    const FolderLock lock(directoryOf(target));
    removeLeftovers(directoryOf(target), tempPrefix(target));
}

int saveAtomically(const std::string &target, int oldFd, const struct stat *old, const Edit &edit, mode_t newMode)
{
    const std::string directory = directoryOf(target);
    const std::string prefix = tempPrefix(target);
    const FolderLock lock(directory);
    removeLeftovers(directory, prefix);
    std::string tempName;
    const int fd = createTemp(directory, prefix, old ? 0600 : newMode, tempName);
    if (fd < 0)
        return errno;
    bool ok = !faultAt(savefault::Step::AfterTempCreated);
    if (ok && old) {
        const bool foreign = old->st_uid != ::geteuid() || old->st_gid != ::getegid();
        if (foreign && ::geteuid() == 0 && ::fchown(fd, old->st_uid, old->st_gid) != 0) {
            // Saved as root, the file still belongs to whoever owned it; where that cannot
            // be kept, the score is still worth saving under the new owner.
        }
        ok = ::fchmod(fd, old->st_mode & 07777) == 0;
    }
    TempWriter writer(fd);
    if (ok && old)
        ok = writer.copy(oldFd, 0, edit.keepUntil);
    ok = ok && writer.write(edit.insert.data(), edit.insert.size());
    if (ok && old)
        ok = writer.copy(oldFd, edit.resumeAt, std::nullopt);
    ok = ok && !faultAt(savefault::Step::BeforeFsync) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && (faultAt(savefault::Step::BeforeRename) || ::rename(tempName.c_str(), target.c_str()) != 0)) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(tempName.c_str());
        return error != 0 ? error : EIO;
    }
    // The rename cannot be taken back: a failure to make it durable leaves the new file
    // in place, but is still reported.
    if (faultAt(savefault::Step::BeforeDirSync) || !syncDirectory(directory))
        return errno != 0 ? errno : EIO;
    return 0;
}

} // namespace quorrax::profile_detail

namespace quorrax {

void savefault::set(Step step, std::size_t bytes)
{
    profile_detail::g_faultStep = step;
    profile_detail::g_faultBytes = bytes;
}

void savefault::setLockClock(LockClock *clock)
{
    profile_detail::g_lockClock = clock ? clock : &profile_detail::g_realClock;
}

} // namespace quorrax
