#include "shell/atomicsave.h"

#include "shell/profile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <random>

#include <fcntl.h>
#include <unistd.h>

namespace quorrax::profile_detail {

namespace {

testing::SaveStep g_faultStep = testing::SaveStep::None;
std::size_t g_faultBytes = 0;

bool faultAt(testing::SaveStep step) { return g_faultStep == step; }

class TempWriter {
public:
    explicit TempWriter(int fd) : m_fd(fd) {}

    bool write(const char *data, std::size_t size)
    {
        bool cut = false;
        if (faultAt(testing::SaveStep::DuringWrite) && m_written + size > g_faultBytes) {
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
        return !cut;
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
};

// A name no other save is using: a hidden file beside the target.
int createTemp(const std::string &directory, const std::string &target, mode_t mode, std::string &name)
{
    static std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
    static constexpr char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const std::size_t slash = target.rfind('/');
    const std::string base = target.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = directory + "/." + base + ".";
        for (int i = 0; i < 6; ++i)
            name.push_back(letters[random() % (sizeof letters - 1)]);
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

} // namespace

bool saveAtomically(const std::string &target, int oldFd, const struct stat *old, const Edit &edit)
{
    const std::string directory = directoryOf(target);
    std::string tempName;
    // A new file gets the permissions any newly created file would get here.
    const int fd = createTemp(directory, target, old ? 0600 : 0666, tempName);
    if (fd < 0)
        return false;
    bool ok = !faultAt(testing::SaveStep::AfterTempCreated);
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
    ok = ok && !faultAt(testing::SaveStep::BeforeFsync) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && !faultAt(testing::SaveStep::BeforeRename) && ::rename(tempName.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempName.c_str());
        return false;
    }
    // The rename cannot be taken back: a failure to make it durable leaves the new file
    // in place, but is still reported.
    return !faultAt(testing::SaveStep::BeforeDirSync) && syncDirectory(directory);
}

std::optional<std::string> resolveLinks(std::string path)
{
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= link.size())
            return std::nullopt;
        link.resize(static_cast<std::size_t>(n));
        path = link.front() == '/' ? link : directoryOf(path) + "/" + link;
    }
    return std::nullopt;
}

} // namespace quorrax::profile_detail

namespace quorrax {

void testing::setSaveFault(SaveStep step, std::size_t bytes)
{
    profile_detail::g_faultStep = step;
    profile_detail::g_faultBytes = bytes;
}

} // namespace quorrax
