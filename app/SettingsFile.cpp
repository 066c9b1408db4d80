#include "app/SettingsFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <string_view>

// Bytes pass through untouched: the GB18030 text is converted here, not by the library.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "app/SettingsKeys.h"
#include "store/AtomicFile.h"

namespace app {

const QString SettingsFile::kFileName = QStringLiteral("tvstorekeep.ini");

namespace {

std::string toFileText(const QString& text) {
    QStringEncoder encoder("GB18030");
    return QByteArray(encoder(text)).toStdString();
}

QString fromFileText(const char* bytes) {
    QStringDecoder decoder("GB18030");
    return decoder(QByteArray(bytes));
}

}  // namespace

class SettingsFile::Ini : public CSimpleIniA {
public:
    Ini() : CSimpleIniA(/*isUtf8=*/false, /*multiKey=*/false, /*multiLine=*/false) {
        SetSpaces(false);
    }
};

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}
SettingsFile::~SettingsFile() = default;

bool SettingsFile::exists() const {
    return QFileInfo(m_path).isFile();
}

std::unique_ptr<SettingsFile::Ini> SettingsFile::load() const {
    auto ini = std::make_unique<Ini>();
    QFile file(m_path);
    // An unreadable or garbled file reads like an empty one: every key takes its default.
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        if (ini->LoadData(bytes.constData(), size_t(bytes.size())) < 0)
            ini->Reset();
    }
    return ini;
}

std::optional<std::string> SettingsFile::rawValue(const QString& section,
                                                  const QString& key) const {
    const auto ini = load();
    const char* value =
        ini->GetValue(toFileText(section).c_str(), toFileText(key).c_str(), nullptr);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

QString SettingsFile::readString(const QString& section, const QString& key,
                                 const QString& fallback) const {
    const std::optional<std::string> value = rawValue(section, key);
    if (!value)
        return fallback;
    // As the profile functions do, a value in matching quotes is read without them.
    std::string_view text(*value);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return fromFileText(std::string(text).c_str());
}

int SettingsFile::readInteger(const QString& section, const QString& key, int fallback) const {
    const std::optional<std::string> value = rawValue(section, key);
    if (!value)
        return fallback;
    const char* p = value->c_str();
    while (*p == ' ' || *p == '\t')
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    // Wraps like a 32-bit register instead of overflowing: only the low bits matter here.
    unsigned int number = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        number = number * 10u + unsigned(*p - '0');
    return int(negative ? 0u - number : number);
}

void SettingsFile::writeString(const QString& section, const QString& key, const QString& value) {
    auto ini = load();
    ini->SetValue(toFileText(section).c_str(), toFileText(key).c_str(), toFileText(value).c_str());
    save(*ini);
}

void SettingsFile::removeKey(const QString& section, const QString& key) {
    auto ini = load();
    if (ini->Delete(toFileText(section).c_str(), toFileText(key).c_str()))
        save(*ini);
}

void SettingsFile::save(Ini& ini) {
    std::string text;
    const QString failure = QStringLiteral("Unable to write to %1").arg(m_path);
    if (ini.Save(text, /*addSignature=*/false) < 0)
        throw store::AtomicFileError(failure.toStdString());
    // A settings file the user made read-only stays as it is, as with any profile write.
    const QFileInfo info(m_path);
    if (info.exists() && !info.isWritable())
        throw store::AtomicFileError(failure.toStdString());
    try {
        store::writeFileAtomically(m_path, QByteArray::fromStdString(text));
    } catch (const store::AtomicFileError&) {
        throw store::AtomicFileError(failure.toStdString());
    }
}

void SettingsFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

bool readAutoBackupFlag(const SettingsFile& settings) {
    if (!settings.exists())
        return false;
    return (settings.readInteger(settingKeys::kConfigSection, settingKeys::kAutoBackup, 0) &
            0xFF) != 0;
}

}  // namespace app
