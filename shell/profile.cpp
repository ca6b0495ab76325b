#include "shell/profile.h"

#include "shell/atomicsave.h"
#include "shell/posixfile.h"
#include "shell/profilescan.h"
#include "shell/textfile.h"

#include <algorithm>
#include <cerrno>
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

Edit planEdit(const Scan &scan, const std::u16string &section, const std::u16string &key,
              const std::u16string &value)
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
    {
    }

    Scan scan(int fd) const { return scanFile(fd, {trimmed(section), trimmed(key), 0, &value}); }
    Edit edit(const Scan &scan) const { return planEdit(scan, section, key, value); }

    std::u16string section;
    std::u16string key;
    std::u16string value;
};

// Creates the folder and the missing folders above it, readable by their owner only, as
// folders for a player's own data are made.
bool makeFolders(const std::string &folder)
{
    if (folder.empty() || isDirectory(folder))
        return true;
    if (!makeFolders(directoryOf(folder)))
        return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || (errno == EEXIST && isDirectory(folder));
}

bool exists(const std::string &path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The player's own copy starts as the shared file with the one key replaced. It belongs to
// the player and stays writable by them, whatever the shared file's owner and mode.
bool startOwnCopy(std::string_view section, std::string_view key, std::string_view value,
                  const ProfileFile &file)
{
    if (!makeFolders(directoryOf(file.own)))
        return false;
    const FileDescriptor shared(::open(file.shared.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (shared.fd < 0 || ::fstat(shared.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return WritePrivateProfileString(section, key, value, file.own);
    st.st_uid = ::geteuid();
    st.st_gid = ::getegid();
    st.st_mode = (st.st_mode & 0666) | S_IRUSR | S_IWUSR;
    const NewValue wanted(section, key, value);
    const Scan scan = wanted.scan(shared.fd);
    if (scan.ioError)
        return false;
    return saveAtomically(file.own, shared.fd, &st, wanted.edit(scan));
}

} // namespace

const std::string &profileToRead(const ProfileFile &file)
{
    return !file.own.empty() && exists(file.own) ? file.own : file.shared;
}

bool writeProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const ProfileFile &file)
{
    if (!file.own.empty() && exists(file.own))
        return WritePrivateProfileString(section, key, value, file.own);
    if (WritePrivateProfileString(section, key, value, file.shared))
        return true;
    return !file.own.empty() && startOwnCopy(section, key, value, file);
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
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
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
    if (path.empty())
        return false;
    const std::optional<std::string> target = resolveLinks(path);
    if (!target)
        return false;
    struct stat st {};
    const bool exists = ::stat(target->c_str(), &st) == 0;
    if (exists && (!S_ISREG(st.st_mode) || ::faccessat(AT_FDCWD, target->c_str(), W_OK, AT_EACCESS) != 0))
        return false;
    if (!exists && (errno != ENOENT || !isDirectory(directoryOf(*target))))
        return false;

    const NewValue wanted(section, key, value);
    if (!exists) {
        const std::u16string text = u"[" + wanted.section + u"]\r\n" + wanted.key + u"=" + wanted.value + u"\r\n";
        return saveAtomically(*target, -1, nullptr, {0, encode(text, Encoding::Ansi), 0});
    }
    const FileDescriptor old(::open(target->c_str(), O_RDONLY | O_CLOEXEC));
    if (old.fd < 0)
        return false;
    const Scan scan = wanted.scan(old.fd);
    if (scan.ioError)
        return false;
    // A value that is already there is not written again.
    if (scan.key && scan.key->hasValue && scan.key->valueEqualsNew)
        return true;
    return saveAtomically(*target, old.fd, &st, wanted.edit(scan));
}

} // namespace quorrax
