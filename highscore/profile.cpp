// SPDX-License-Identifier: MIT
#include "highscore/profile.h"

#include "highscore/atomicsave.h"
#include "highscore/links.h"
#include "highscore/posixfile.h"
#include "highscore/profilescan.h"
#include "highscore/textfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The high-score file is read and written the way the platform's private-profile calls do
// it, so that a file written on that platform reads the same here. The reader streams
// the file once and keeps only what can still matter (the key's value up to the caller's
// buffer size), so a huge or broken file costs time in proportion to its size and no more
// memory than a small one. The writer changes the one key's line and nothing else, and
// replaces the file in one rename so that a crash leaves either the old or the new file.

namespace quorrax {

using namespace profile_detail;

namespace {

// The platform's copy of a value into the caller's buffer: a value wholly enclosed in a
// pair of the same quotes loses them, and the buffer keeps at most size - 1 characters.
// The closing quote is dropped by position, so a quoted value that just overflows the
// buffer loses its last character instead.
template <typename Text>
Text copyEntry(const Text &prefix, std::size_t length, typename Text::value_type last, std::size_t size)
{
    std::size_t start = 0;
    const bool quoted = length >= 2 && (prefix[0] == '"' || prefix[0] == '\'') && last == prefix[0];
    if (quoted)
        start = 1;
    const std::size_t rest = length - start;
    Text copy = prefix.substr(start, std::min(size - 1, rest));
    if (quoted && size >= rest && !copy.empty())
        copy.pop_back();
    return copy;
}

Edit planEdit(const Scan &scan, const std::u16string &section, const std::u16string &key, const std::u16string &value)
{
    // Lines we add end the way the file's first line does; CR LF in a file that has no
    // line end yet.
    const std::u16string eol(scan.eol.empty() ? u"\r\n" : scan.eol);
    if (scan.key) {
        // The line keeps its indent, the key's spelling and the spacing around '='; the
        // old value and whatever trailed it give way to the new value.
        const KeyLine &line = *scan.key;
        std::u16string text = line.hasValue ? value : u"=" + value;
        if (!line.terminated)
            text += eol;
        return {line.hasValue ? line.valueBegin : line.nameEnd, encode(text, scan.encoding), line.contentEnd};
    }
    if (scan.sectionFound) {
        // A new key goes after the last non-blank line of its section.
        const std::u16string text = (scan.insertNeedsEol ? eol : u"") + key + u"=" + value + eol;
        return {scan.insertAt, encode(text, scan.encoding), scan.insertAt};
    }
    const bool unterminated = scan.end > scan.start && !scan.endsWithEol;
    const std::u16string text = (unterminated ? eol : u"") + u"[" + section + u"]" + eol + key + u"=" + value + eol;
    return {scan.end, encode(text, scan.encoding), scan.end};
}

// One value to write. Names are written as given less their leading blanks; the value
// loses its leading blanks too, as the reader would never see them.
struct NewValue {
    NewValue(std::string_view sectionText, std::string_view keyText, std::string_view valueText)
        : section(trimStart(widen(sectionText))), key(trimStart(widen(keyText))), value(trimStart(widen(valueText)))
    {}

    Scan scan(int fd) const { return scanFile(fd, {trimmed(section), trimmed(key), 0, &value}); }
    Edit edit(const Scan &scan) const { return planEdit(scan, section, key, value); }

    std::u16string section;
    std::u16string key;
    std::u16string value;
};

// The player's own files are theirs alone: folders and files that no one else may read.
constexpr mode_t ownFolderMode = 0700;
constexpr mode_t ownFileMode = 0600;

// Creates the folder and the missing folders above it, as folders for a player's own data
// are made. Returns 0 or the errno value of what failed.
int makeFolders(const std::string &folder)
{
    if (folder.empty() || isDirectory(folder))
        return 0;
    if (const int error = makeFolders(directoryOf(folder)))
        return error;
    return ::mkdir(folder.c_str(), ownFolderMode) == 0 || (errno == EEXIST && isDirectory(folder)) ? 0 : errno;
}

bool exists(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

SaveResult failed(const std::string &path, const std::string &reason)
{
    return {false, printablePath(path) + ": " + reason, {}, {}};
}

SaveResult failed(const std::string &path, int error)
{
    return failed(path, std::strerror(error));
}

// The write of one value, with the mode that a file made anew gets (less the umask).
SaveResult writeValue(std::string_view section, std::string_view key, std::string_view value, const std::string &path,
                      mode_t newMode)
{
    if (path.empty())
        return failed("(no file name)", ENOENT);
    const Resolved target = resolveLinks(path);
    if (target.refusal)
        return failed(path, target.refusal);
    struct stat st {};
    const bool exists = ::lstat(target.path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return failed(path, "it is not a plain file");
    if (exists && ::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0)
        return failed(path, errno);
    if (!exists && errno != ENOENT)
        return failed(path, errno);
    // The player's link to a file that is not there says nothing of where a new file
    // should go, so none is made.
    if (!exists && target.throughLink)
        return failed(path, "it is a symbolic link to a file that does not exist");
    if (!exists && !isDirectory(directoryOf(target.path)))
        return failed(path, ENOENT);

    const NewValue wanted(section, key, value);
    if (!exists) {
        const std::u16string text = u"[" + wanted.section + u"]\r\n" + wanted.key + u"=" + wanted.value + u"\r\n";
        const int error = saveAtomically(target.path, -1, nullptr, {0, encode(text, Encoding::Ansi), 0}, newMode);
        return error ? failed(path, error) : SaveResult{};
    }
    const FileDescriptor old(::open(target.path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (old.fd < 0)
        return failed(path, errno);
    const Scan scan = wanted.scan(old.fd);
    if (scan.ioError)
        return failed(path, EIO);
    // A value that is already there is not written again.
    if (scan.key && scan.key->hasValue && scan.key->valueEqualsNew)
        return {};
    const int error = saveAtomically(target.path, old.fd, &st, wanted.edit(scan));
    return error ? failed(path, error) : SaveResult{};
}

// The player's own copy starts as the shared file with the one key replaced, or as a new
// file where the shared one cannot be read. It belongs to the player, whatever the shared
// file's owner and mode.
SaveResult startOwnCopy(std::string_view section, std::string_view key, std::string_view value, const ProfileFile &file)
{
    if (const int error = makeFolders(directoryOf(file.own)))
        return failed(directoryOf(file.own), error);
    const FileDescriptor shared(file.shared.empty() ? -1 : openForReading(file.shared));
    struct stat st {};
    if (shared.fd < 0 || ::fstat(shared.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return writeValue(section, key, value, file.own, ownFileMode);
    st.st_uid = ::geteuid();
    st.st_gid = ::getegid();
    st.st_mode = (st.st_mode & ~mode_t(07777)) | ownFileMode;
    const NewValue wanted(section, key, value);
    const Scan scan = wanted.scan(shared.fd);
    if (scan.ioError)
        return failed(file.shared, EIO);
    const int error = saveAtomically(file.own, shared.fd, &st, wanted.edit(scan));
    return error ? failed(file.own, error) : SaveResult{};
}

SaveResult writeOwnCopy(std::string_view section, std::string_view key, std::string_view value, const ProfileFile &file)
{
    return exists(file.own) ? writeValue(section, key, value, file.own, ownFileMode)
                            : startOwnCopy(section, key, value, file);
}

// From the read of the value there now to the rename of the new file, other copies' saves
// wait. A program that keeps no file beside itself has only the player's folder.
SaveResult saveLocked(std::string_view section, std::string_view key, std::string_view value, const ProfileFile &file,
                      const std::function<bool(const std::string &)> &keep)
{
    std::optional<FolderLock> sharedLock, ownLock;
    if (!file.shared.empty())
        sharedLock.emplace(directoryOf(file.shared));
    if (!file.own.empty()) {
        if (file.shared.empty())
            if (const int error = makeFolders(directoryOf(file.own)))
                return failed(directoryOf(file.own), error);
        ownLock.emplace(directoryOf(file.own));
    }
    const auto kept = [&keep](const std::string &path) {
        if (!keep || !keep(path))
            return false;
        if (const Resolved held = resolveLinks(path); !held.refusal)
            removeLeftoversBeside(held.path);
        return true;
    };
    if (file.shared.empty())
        return kept(file.own) ? SaveResult{} : writeOwnCopy(section, key, value, file);
    if (kept(file.shared))
        return {};
    const SaveResult shared = writeValue(section, key, value, file.shared, 0666);
    if (shared.saved)
        return shared;
    if (file.own.empty())
        return {false, shared.problem + "; and the player has no folder of their own for a copy", {}, {}};
    const SaveResult own = kept(file.own) ? SaveResult{} : writeOwnCopy(section, key, value, file);
    if (!own.saved)
        return {false, shared.problem + "; " + own.problem, {}, {}};
    return {true, shared.problem, printablePath(file.own), {}};
}

} // namespace

SaveResult writeProfileString(std::string_view section, std::string_view key, std::string_view value,
                              const ProfileFile &file, const std::function<bool(const std::string &)> &keep)
{
    foldersSavedUnlocked(); // those of an earlier save are not this one's
    SaveResult result = saveLocked(section, key, value, file, keep);
    for (const std::string &folder : foldersSavedUnlocked())
        result.unlocked.push_back(printablePath(folder));
    return result;
}

std::string printablePath(std::string_view path)
{
    std::string shown;
    std::mbstate_t state{};
    for (std::size_t at = 0; at < path.size();) {
        wchar_t c = 0;
        const std::size_t length = std::mbrtowc(&c, path.data() + at, path.size() - at, &state);
        if (length == 0 || length > path.size() - at || !std::iswprint(wint_t(c))) {
            constexpr char hex[] = "0123456789abcdef";
            const auto byte = static_cast<unsigned char>(path[at++]);
            shown += {'\\', 'x', hex[byte >> 4], hex[byte & 15]};
            state = {};
            continue;
        }
        shown.append(path.substr(at, length));
        at += length;
    }
    return shown;
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view fallback,
                                    std::size_t size, const std::string &path)
{
    if (size == 0)
        return {};
    // The default loses its trailing spaces, all but a first one.
    std::string deflt(fallback.substr(0, fallback.find('\0')));
    while (deflt.size() > 1 && deflt.back() == ' ')
        deflt.pop_back();

    if (path.empty())
        return deflt.substr(0, size - 1);
    const FileDescriptor file(openForReading(path));
    struct stat st {};
    const bool opened = file.fd >= 0 && ::fstat(file.fd, &st) == 0 && S_ISREG(st.st_mode);
    // A file that is merely missing reads as an empty one; one that cannot be opened at
    // all gives the default as it is.
    if (!opened && !(file.fd < 0 && errno == ENOENT && isDirectory(directoryOf(path))))
        return deflt.substr(0, size - 1);

    if (opened) {
        const Target target{trimmed(widen(section)), trimmed(widen(key)), size};
        const Scan scan = scanFile(file.fd, target);
        if (!scan.ioError && scan.key && scan.key->hasValue) {
            const KeyLine &found = *scan.key;
            return narrow(copyEntry(found.valuePrefix, found.valueLength, found.valueLast, size));
        }
    }
    return copyEntry(deflt, deflt.size(), deflt.empty() ? '\0' : deflt.back(), size);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string &path)
{
    return writeValue(section, key, value, path, 0666).saved;
}

} // namespace quorrax
