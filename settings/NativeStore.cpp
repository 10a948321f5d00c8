#include "settings/NativeStore.h"

#include "settings/SettingsStore.h"

#include <QByteArray>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

#include <charconv>
#include <filesystem>
#include <limits>

namespace {

QString Key(const std::string& name)
{
    return QString::fromStdString(name);
}

void IgnoreMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

// Mutes Qt's messages for its lifetime. Settings are read on the main thread before any other
// thread exists, so nothing else is silenced by it.
class QtMessagesMuted {
public:
    QtMessagesMuted() : m_previous(qInstallMessageHandler(IgnoreMessage)) {}
    ~QtMessagesMuted() { qInstallMessageHandler(m_previous); }
    QtMessagesMuted(const QtMessagesMuted&) = delete;
    QtMessagesMuted& operator=(const QtMessagesMuted&) = delete;

private:
    QtMessageHandler m_previous;
};

#if !defined(Q_OS_WIN) && !defined(Q_OS_DARWIN)
// Where Qt keeps the native store on this system: the user's configuration folder, or for the
// machine the first of the system's configuration folders that holds the file.
QString StoreFilePath(NativeStore::Scope scope)
{
    const QString relative =
        QStringLiteral("/%1/%2.conf")
            .arg(QString::fromLatin1(SettingsOrganisation), QString::fromLatin1(SettingsApplication));
    const QString user = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (scope == NativeStore::Scope::User)
        return user + relative;
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    folders.removeAll(user);
    for (const QString& folder : folders)
        if (QFileInfo::exists(folder + relative))
            return folder + relative;
    return folders.isEmpty() ? QString() : folders.constFirst() + relative;
}
#endif

// Missing, or a regular file of sane size: what Qt may open without hanging on a pipe or reading
// gigabytes into memory.
bool MayBeRead(const QString& path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path file = path.toStdString();
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found)
        return true;
    return !error && fs::is_regular_file(status) && fs::file_size(file, error) <= NativeStore::MaxFileSize && !error;
}

}  // namespace

NativeStore::NativeStore(Scope scope)
{
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    m_settings = std::make_unique<QSettings>(
        QSettings::NativeFormat, scope == Scope::User ? QSettings::UserScope : QSettings::SystemScope,
        QString::fromLatin1(SettingsOrganisation), QString::fromLatin1(SettingsApplication));
#else
    // Opened by name, without the fallback files Qt would also read, so that every file read is checked.
    m_filePath = StoreFilePath(scope);
    if (!m_filePath.isEmpty() && MayBeRead(m_filePath))
        m_settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
#endif
}

NativeStore::~NativeStore() = default;

QSettings& NativeStore::Writable()
{
    if (!m_settings) {
        // Whatever is in the way is no store of ours: it makes room for one.
        std::error_code ignored;
        std::filesystem::remove(m_filePath.toStdString(), ignored);
        m_settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
    }
    return *m_settings;
}

QVariant NativeStore::Stored(const std::string& name) const
{
    if (!m_settings)
        return {};
    // A value written as "@Variant(...)" by hand or by a damaged disk makes Qt print warnings.
    const QtMessagesMuted muted;
    return m_settings->value(Key(name));
}

std::string NativeStore::ReadString(const std::string& name, const std::string& defaultValue) const
{
    const QVariant value = Stored(name);
    if (value.typeId() == QMetaType::QString)
        return value.toString().toStdString();
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray().toStdString();
    return defaultValue;
}

std::int32_t NativeStore::ReadNumber(const std::string& name, std::int32_t defaultValue) const
{
    const QVariant value = Stored(name);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        if (ok && number >= std::numeric_limits<std::int32_t>::min() &&
            number <= std::numeric_limits<std::uint32_t>::max())
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
        return defaultValue;
    }
    case QMetaType::QString: {
        // Text files keep every value as text: only a whole decimal number counts.
        const std::string text = value.toString().trimmed().toStdString();
        std::int64_t number = 0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
        if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() ||
            number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max())
            return defaultValue;
        return static_cast<std::int32_t>(number);
    }
    default:
        return defaultValue;
    }
}

QByteArray NativeStore::ReadBytes(const std::string& name) const
{
    const QVariant value = Stored(name);
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

void NativeStore::WriteBytes(const std::string& name, const QByteArray& value)
{
    Writable().setValue(Key(name), value);
}

void NativeStore::WriteString(const std::string& name, const std::string& value)
{
    Writable().setValue(Key(name), QString::fromStdString(value));
}

void NativeStore::WriteNumber(const std::string& name, std::int32_t value)
{
    Writable().setValue(Key(name), static_cast<int>(value));
}

bool NativeStore::Flush()
{
    if (!m_settings)
        return true;  // nothing was written
    m_settings->sync();
    // A format error comes from reading a damaged file; the values have still been written over it.
    return m_settings->status() != QSettings::AccessError;
}
