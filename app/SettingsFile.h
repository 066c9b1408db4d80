#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <string>

namespace app {

// The settings file, read and written the way Windows' profile functions do it: section
// and key names are case-insensitive, a missing file or key gives the default, every
// write rewrites the whole file at once (the file and the section are created when
// missing, other sections, keys and comments are kept). Texts are GB18030 on disk, which
// is byte for byte GB2312 for every GB2312 text, so files written elsewhere read right.
class SettingsFile {
public:
    static const QString kFileName;  // "tvstorekeep.ini"; its sections and keys: SettingsKeys.h

    explicit SettingsFile(QString path);
    ~SettingsFile();

    const QString& path() const { return m_path; }
    bool exists() const;

    // A value in matching quotes reads without them.
    QString readString(const QString& section, const QString& key, const QString& fallback) const;
    // The leading decimal integer of the value ("12abc" is 12), else fallback when the key
    // is missing, or 0 when the value does not start with a number.
    int readInteger(const QString& section, const QString& key, int fallback) const;

    // Each write replaces the file atomically; throws store::AtomicFileError when the file
    // cannot be written, with the message "Unable to write to <path>".
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    // Takes the key out of the file, as writing a null value does with the profile functions.
    void removeKey(const QString& section, const QString& key);

private:
    class Ini;
    std::unique_ptr<Ini> load() const;
    // The value's bytes as the file holds them, or nothing when the key is missing.
    std::optional<std::string> rawValue(const QString& section, const QString& key) const;
    void save(Ini& ini);

    QString m_path;
};

// The back-up-at-start flag as the program reads it: set when the low eight bits of
// `autobakup` are not all zero.
bool readAutoBackupFlag(const SettingsFile& settings);

}  // namespace app
