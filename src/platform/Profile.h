#pragma once
// Private-profile INI access with the Windows semantics, on raw bytes (the files are GBK; nothing is
// converted).
#include <memory>
#include <string>

namespace platform {

// Reads a decimal integer the way GetPrivateProfileInt does: section and key names match ASCII
// case-insensitively, the first match wins, blanks around names and values are trimmed, lines starting with
// ';' are comments, an optional sign is followed by digits up to the first non-digit; a missing file, section
// or key gives `def`. A value without any digit gives 0.
int ProfileGetInt(const std::string& path, const std::string& section, const std::string& key, int def);

// Reads a text the way GetPrivateProfileString does into a buffer of `bufferSize` bytes: surrounding quotes
// are removed, blanks trimmed, and the result is cut to bufferSize - 1 bytes (a cut may split a double-byte
// character). A missing file, section or key gives `def` (also cut).
std::string ProfileGetString(const std::string& path, const std::string& section, const std::string& key,
                             const std::string& def, std::size_t bufferSize);

// Writes `key=value` the way WritePrivateProfileString does: replaces the value of the first matching key,
// else appends the key at the end of its section, else appends the section; creates the file when missing.
// Every other byte of the file stays as it was. Returns false when the file cannot be written.
bool ProfileWriteString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

// The same reads on one reading of the file, for callers that look up many keys in a row (the table loaders
// read thousands). Later changes to the file are not seen.
class ProfileSnapshot {
  public:
    explicit ProfileSnapshot(const std::string& path);
    int GetInt(const std::string& section, const std::string& key, int def) const;
    std::string GetString(const std::string& section, const std::string& key, const std::string& def,
                          std::size_t bufferSize) const;

  private:
    struct Contents;
    std::shared_ptr<const Contents> contents_;
};

}  // namespace platform
