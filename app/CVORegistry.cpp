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

}  // namespace

CVORegistry::CVORegistry(Scope scope)
    : m_settings(QSettings::NativeFormat, scope == Scope::User ? QSettings::UserScope : QSettings::SystemScope,
                 QString::fromLatin1(SettingsOrganisation), QString::fromLatin1(SettingsApplication))
{
}

std::string CVORegistry::ReadString(const std::string& name, const std::string& defaultValue) const
{
    const QVariant value = m_settings.value(Key(name));
    if (value.typeId() == QMetaType::QString)
        return value.toString().toStdString();
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray().toStdString();
    return defaultValue;
}

std::int32_t CVORegistry::ReadDword(const std::string& name, std::int32_t defaultValue) const
{
    const QVariant value = m_settings.value(Key(name));
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
    return m_settings.status() == QSettings::NoError;
}
