#include "app/CVORegistry.h"

#include "app/SettingsStore.h"

#include <QByteArray>
#include <QString>

#include <charconv>
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

}  // namespace

CVORegistry::CVORegistry(Scope scope)
    : m_settings(QSettings::NativeFormat, scope == Scope::User ? QSettings::UserScope : QSettings::SystemScope,
                 QString::fromLatin1(SettingsOrganisation), QString::fromLatin1(SettingsApplication))
{
}

QVariant CVORegistry::Stored(const std::string& name) const
{
    // A value written as "@Variant(...)" by hand or by a damaged disk makes Qt print warnings.
    const QtMessagesMuted muted;
    return m_settings.value(Key(name));
}

std::string CVORegistry::ReadString(const std::string& name, const std::string& defaultValue) const
{
    const QVariant value = Stored(name);
    if (value.typeId() == QMetaType::QString)
        return value.toString().toStdString();
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray().toStdString();
    return defaultValue;
}

std::int32_t CVORegistry::ReadDword(const std::string& name, std::int32_t defaultValue) const
{
    const QVariant value = Stored(name);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        bool ok = false;
        const qlonglong number = value.toLongLong(&ok);
        if (ok && number >= std::numeric_limits<std::int32_t>::min() && number <= std::numeric_limits<std::uint32_t>::max())
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

void CVORegistry::WriteString(const std::string& name, const std::string& value)
{
    m_settings.setValue(Key(name), QString::fromStdString(value));
}

void CVORegistry::WriteDword(const std::string& name, std::int32_t value)
{
    m_settings.setValue(Key(name), static_cast<int>(value));
}

bool CVORegistry::Flush()
{
    m_settings.sync();
    // A format error comes from reading a damaged file; the values have still been written over it.
    return m_settings.status() != QSettings::AccessError;
}
