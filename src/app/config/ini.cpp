#include "app/config/ini.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string_view>

namespace velt {
namespace {

namespace fs = std::filesystem;

std::string_view trim(std::string_view s) {
    size_t start = s.find_first_not_of(" \t");
    if (start == std::string_view::npos) return {};
    size_t end = s.find_last_not_of(" \t");
    return s.substr(start, end - start + 1);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// The name of a section header line, or nothing for any other line.
std::optional<std::string_view> sectionOf(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    size_t close = line.find(']');
    return trim(close == std::string_view::npos ? line : line.substr(0, close));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

// A key line "name=value"; blank lines, comments (";") and lines without "=" are not entries.
std::optional<Entry> entryOf(std::string_view line) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::string_view key = trim(line.substr(0, eq));
    if (key.empty()) return std::nullopt;
    return Entry{key, trim(line.substr(eq + 1))};
}

struct Lines {
    bool readable = false;  // false: the file exists but could not be read
    std::vector<std::string> lines;
};

Lines readLines(const std::string& path) {
    Lines out;
    if (path.empty()) return out;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        out.readable = errno == ENOENT;
        return out;
    }
    std::string bytes;
    char buf[8192];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) bytes.append(buf, static_cast<size_t>(n));
    ::close(fd);
    if (n < 0) return out;
    out.readable = true;
    size_t from = 0;
    while (from < bytes.size()) {
        size_t nl = bytes.find('\n', from);
        size_t end = nl == std::string::npos ? bytes.size() : nl;
        std::string line = bytes.substr(from, end - from);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.lines.push_back(std::move(line));
        from = end + 1;
    }
    return out;
}

// Index of the header line of `section`, or -1.
long findSection(const std::vector<std::string>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        auto name = sectionOf(lines[i]);
        if (name && sameName(*name, section)) return static_cast<long>(i);
    }
    return -1;
}

// One past the last line of the section whose header is at `header`.
size_t sectionEnd(const std::vector<std::string>& lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && !sectionOf(lines[i])) ++i;
    return i;
}

// Writes the whole file through a temporary file of the same folder and a rename, so that a
// failure at any point leaves the former content.
bool writeLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const auto& line : lines) bytes += line + "\r\n";
    // Temporary files begin with the byte 0x7F, so leftovers are recognised and removed; the
    // random part keeps stations that share the folder apart.
    std::string temp = (fs::path(path).parent_path() /
                        "\x7F"
                        "CFGXXXXXX")
                           .string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    // The file keeps its permissions; a new one gets those the process gives new files.
    struct stat st {};
    mode_t mode;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

std::string FULLNAME(const std::string& file) {
    if (file.empty()) return {};
    std::error_code ec;
    fs::path full = fs::absolute(fs::path(file), ec);
    if (ec) return {};
    std::string out = full.lexically_normal().string();
    return out.size() > kMaxPathLength ? std::string() : out;
}

std::string GETPVPROFSTRING(const std::string& section, const std::optional<std::string>& key,
                            const std::string& defaultValue, const std::string& file) {
    Lines content = readLines(file);
    long header = findSection(content.lines, trim(section));
    if (!key) {
        std::string names;
        if (header < 0) return names;
        size_t end = sectionEnd(content.lines, static_cast<size_t>(header));
        for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
            auto entry = entryOf(content.lines[i]);
            if (!entry) continue;
            names.append(entry->key);
            names += '\0';
        }
        // The buffer ends with one more NUL: a list that does not fit is cut, and its last
        // name with it.
        if (names.size() > kProfileBufferSize - 1) {
            names.resize(kProfileBufferSize - 2);
            names += '\0';
        }
        return names;
    }
    if (header < 0) return defaultValue;
    size_t end = sectionEnd(content.lines, static_cast<size_t>(header));
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
        auto entry = entryOf(content.lines[i]);
        if (entry && sameName(entry->key, trim(*key)))
            return std::string(entry->value.substr(0, kProfileBufferSize - 1));
    }
    return defaultValue;
}

std::vector<std::string> GETPVPROFSECTION(const std::string& section, const std::string& file) {
    std::string names = GETPVPROFSTRING(section, std::nullopt, "", file);
    std::vector<std::string> out;
    size_t from = 0;
    while (from < names.size()) {
        size_t nul = names.find('\0', from);
        if (nul == std::string::npos) nul = names.size();
        std::string name = names.substr(from, nul - from);
        name.erase(name.find_last_not_of(' ') + 1);
        if (!name.empty()) out.push_back(std::move(name));
        from = nul + 1;
    }
    return out;
}

bool WRITEPPROSTRING(const std::string& section, const std::string& key, const std::string& value,
                     const std::string& file) {
    std::string_view name = trim(key);
    std::string_view sectionName = trim(section);
    if (file.empty() || name.empty() || sectionName.empty()) return false;
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) return false;
    if (sectionName.find(']') != std::string_view::npos) return false;
    if (name.find('=') != std::string_view::npos || name.front() == '[' || name.front() == ';')
        return false;

    Lines content = readLines(file);
    if (!content.readable) return false;
    std::vector<std::string>& lines = content.lines;
    long header = findSection(lines, sectionName);
    if (header < 0) {
        if (!lines.empty() && !trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + std::string(sectionName) + "]");
        lines.push_back(std::string(name) + "=" + value);
        return writeLines(file, lines);
    }
    size_t end = sectionEnd(lines, static_cast<size_t>(header));
    size_t insertAt = static_cast<size_t>(header) + 1;
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
        auto entry = entryOf(lines[i]);
        if (entry && sameName(entry->key, name)) {
            lines[i] = std::string(entry->key) + "=" + value;
            return writeLines(file, lines);
        }
        if (!trim(lines[i]).empty()) insertAt = i + 1;
    }
    lines.insert(lines.begin() + static_cast<long>(insertAt), std::string(name) + "=" + value);
    return writeLines(file, lines);
}

}  // namespace velt
