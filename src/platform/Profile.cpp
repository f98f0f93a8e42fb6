#include "platform/Profile.h"

#include <sys/stat.h>
#ifdef _WIN32
#include "platform/win32/FileAccess.h"
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/RegularFile.h"
#include "platform/SiblingFile.h"

namespace platform {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// ASCII letters compare without case; both bytes of a double-byte character compare exactly, so that a trail
// byte that happens to be a letter is not folded.
bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 0x81 && ca <= 0xFE && i + 1 < a.size()) {
            if (ca != cb || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
            continue;
        }
        if (ca >= 'A' && ca <= 'Z') {
            ca = static_cast<unsigned char>(ca - 'A' + 'a');
        }
        if (cb >= 'A' && cb <= 'Z') {
            cb = static_cast<unsigned char>(cb - 'A' + 'a');
        }
        if (ca != cb) {
            return false;
        }
    }
    return true;
}

// Offsets of [begin, end) without the surrounding blanks.
void Trim(const std::string& text, std::size_t& begin, std::size_t& end) {
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
}

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

struct Line {
    std::size_t begin = 0;  // first byte
    std::size_t end = 0;    // end of the content, before CR LF or LF
    std::size_t next = 0;   // first byte of the following line
    bool hasLineEnd = false;
};

std::vector<Line> SplitLines(const std::string& text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        Line line;
        line.begin = pos;
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) {
            line.end = text.size();
            line.next = text.size();
        } else {
            line.end = nl;
            line.next = nl + 1;
            line.hasLineEnd = true;
        }
        if (line.end > line.begin && text[line.end - 1] == '\r') {
            --line.end;
        }
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

// Where a key lives in the file text, as far as it was found.
struct Location {
    bool sectionFound = false;
    std::size_t lastSectionLine = 0;  // index of the last non-blank line of the section (the header at least)
    bool keyFound = false;
    std::size_t keyLine = 0;
    std::size_t valueBegin = 0;  // the value without surrounding blanks
    std::size_t valueEnd = 0;
};

// Only the first section of the name is looked at, and in it the first key of the name.
Location Locate(const std::string& text, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
    Location loc;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::size_t b = lines[i].begin;
        std::size_t e = lines[i].end;
        Trim(text, b, e);
        if (b == e) {
            continue;  // blank line
        }
        if (text[b] == '[') {
            if (inSection) {
                break;  // the section ended without the key
            }
            std::size_t close = text.rfind(']', e - 1);
            if (close == std::string::npos || close <= b) {
                continue;  // not a section header
            }
            std::string_view name = TrimView(std::string_view(text).substr(b + 1, close - b - 1));
            if (NamesEqual(name, section)) {
                inSection = true;
                loc.sectionFound = true;
                loc.lastSectionLine = i;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        loc.lastSectionLine = i;
        if (text[b] == ';') {
            continue;  // comment
        }
        std::size_t eq = text.find('=', b);
        if (eq == std::string::npos || eq >= e) {
            continue;  // a line without '=' is not a key
        }
        std::string_view name = TrimView(std::string_view(text).substr(b, eq - b));
        if (!NamesEqual(name, key)) {
            continue;
        }
        loc.keyFound = true;
        loc.keyLine = i;
        loc.valueBegin = eq + 1;
        loc.valueEnd = e;
        Trim(text, loc.valueBegin, loc.valueEnd);
        break;
    }
    return loc;
}

enum class ReadResult { Ok, Missing, Failed };

#ifdef _WIN32
ReadResult ReadWholeFile(const std::string& path, std::string& out) {
    switch (win32::ReadFileBytes(path, out)) {
        case win32::FileRead::Ok:
            return ReadResult::Ok;
        case win32::FileRead::Missing:
            return ReadResult::Missing;
        default:
            return ReadResult::Failed;
    }
}
#else
// An INI file is a few kilobytes; anything this large is not one and is not read into memory.
constexpr std::size_t kMaxProfileBytes = 16u << 20;

ReadResult ReadWholeFile(const std::string& path, std::string& out) {
    switch (ReadRegularFile(path, kMaxProfileBytes, out)) {
        case FileRead::Ok:
            return ReadResult::Ok;
        case FileRead::Missing:
            return ReadResult::Missing;
        default:
            return ReadResult::Failed;  // unreadable, not a regular file, or far too large
    }
}

#endif

// The stored value of the key without surrounding blanks and matching quotes, if the key exists.
std::optional<std::string> FindValue(const std::string& text, const std::vector<Line>& lines,
                                     const std::string& section, const std::string& key) {
    Location loc = Locate(text, lines, section, key);
    if (!loc.keyFound) {
        return std::nullopt;
    }
    std::string value = text.substr(loc.valueBegin, loc.valueEnd - loc.valueBegin);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

#ifdef _WIN32
bool ReplaceFile(const std::string& path, const std::string& content, const struct stat*) {
    return win32::ReplaceFileBytes(path, content) == win32::FileReplace::Ok;
}
#else
bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes `content` over the existing regular file from its start and cuts it to that length. Not atomic: only
// for a file whose folder does not let us create the temporary file.
bool OverwriteInPlace(const std::string& path, const std::string& content) {
    const int fd = OpenRegularFile(path, O_WRONLY);
    if (fd < 0) {
        return false;
    }
    bool ok =
        WriteAll(fd, content) && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    return ok;
}

// Replaces the file by writing a sibling temporary file and renaming it over the target, so that a failure
// leaves either the old or the new content, never a part of it.
bool ReplaceFile(const std::string& path, const std::string& content, const struct stat* existing) {
    std::string target = path;
    if (existing != nullptr) {
        struct stat linkInfo {};
        if (::lstat(path.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
            // Write through a link instead of replacing the link itself.
            if (char* resolved = ::realpath(path.c_str(), nullptr)) {
                target = resolved;
                std::free(resolved);
            }
        }
    }
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = NextSiblingTempPath(target, static_cast<std::uint32_t>(::getpid()));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            // A folder we may not create files in can still hold a file we may write: write that in place.
            return existing != nullptr && (errno == EACCES || errno == EPERM) &&
                   OverwriteInPlace(target, content);
        }
    }
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    if (existing != nullptr) {
        ok = ::fchmod(fd, existing->st_mode & 07777) == 0;
    }
    ok = ok && WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
    }
    return ok;
}

#endif

bool HasLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

struct ProfileSnapshot::Contents {
    std::string text;
    std::vector<Line> lines;
};

ProfileSnapshot::ProfileSnapshot(const std::string& path) {
    auto contents = std::make_shared<Contents>();
    if (ReadWholeFile(path, contents->text) != ReadResult::Ok) {
        contents->text.clear();  // a missing or unreadable file has no keys
    }
    contents->lines = SplitLines(contents->text);
    contents_ = std::move(contents);
}

int ProfileSnapshot::GetInt(const std::string& section, const std::string& key, int def) const {
    std::optional<std::string> value = FindValue(contents_->text, contents_->lines, section, key);
    if (!value || value->empty()) {
        return def;  // GetPrivateProfileInt gives the default for an empty value as well
    }
    std::size_t i = 0;
    while (i < value->size() && IsBlank((*value)[i])) {
        ++i;
    }
    bool negative = false;
    if (i < value->size() && ((*value)[i] == '-' || (*value)[i] == '+')) {
        negative = (*value)[i] == '-';
        ++i;
    }
    // Accumulated in 32 unsigned bits: an over-long number wraps as it does on the original platform.
    std::uint32_t result = 0;
    for (; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9'; ++i) {
        result = result * 10u + static_cast<std::uint32_t>((*value)[i] - '0');
    }
    if (negative) {
        result = 0u - result;
    }
    return static_cast<int>(result);
}

std::string ProfileSnapshot::GetString(const std::string& section, const std::string& key,
                                       const std::string& def, std::size_t bufferSize) const {
    if (bufferSize == 0) {
        return std::string();
    }
    std::optional<std::string> value = FindValue(contents_->text, contents_->lines, section, key);
    std::string result;
    if (value) {
        result = std::move(*value);
    } else {
        // Trailing blanks of the default are dropped, as the original function does.
        result = def;
        while (!result.empty() && IsBlank(result.back())) {
            result.pop_back();
        }
    }
    if (result.size() > bufferSize - 1) {
        result.resize(bufferSize - 1);
    }
    return result;
}

int ProfileGetInt(const std::string& path, const std::string& section, const std::string& key, int def) {
    return ProfileSnapshot(path).GetInt(section, key, def);
}

std::string ProfileGetString(const std::string& path, const std::string& section, const std::string& key,
                             const std::string& def, std::size_t bufferSize) {
    return ProfileSnapshot(path).GetString(section, key, def, bufferSize);
}

bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    // A name or value with a line break, a key with '=' or a section with ']' would not read back as written
    // and could inject lines into the file.
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        key.find('=') != std::string::npos || section.find(']') != std::string::npos) {
        return false;
    }
    static std::mutex writeMutex;  // one read-modify-write at a time within the process
    std::lock_guard lock(writeMutex);

    std::string text;
    ReadResult read = ReadWholeFile(path, text);
    if (read == ReadResult::Failed) {
        return false;  // never replace a file that exists but cannot be read
    }
    struct stat info {};
#ifdef _WIN32
    bool exists = read == ReadResult::Ok;  // the file's attributes stay as they are when it is replaced
#else
    bool exists = read == ReadResult::Ok && ::stat(path.c_str(), &info) == 0;
#endif

    std::vector<Line> lines = SplitLines(text);
    Location loc = Locate(text, lines, section, key);
    std::string updated;
    if (loc.keyFound) {
        updated = text.substr(0, loc.valueBegin) + value + text.substr(loc.valueEnd);
    } else if (loc.sectionFound) {
        const Line& last = lines[loc.lastSectionLine];
        std::string insert = key + "=" + value + "\r\n";
        if (!last.hasLineEnd) {
            insert = "\r\n" + insert;
        }
        updated = text.substr(0, last.next) + insert + text.substr(last.next);
    } else {
        updated = text;
        if (!updated.empty()) {
            updated += "\r\n";
        }
        updated += "[" + section + "]\r\n" + key + "=" + value + "\r\n";
    }
    if (exists && updated == text) {
        return true;
    }
    return ReplaceFile(path, updated, exists ? &info : nullptr);
}

}  // namespace platform
