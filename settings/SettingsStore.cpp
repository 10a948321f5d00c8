#include "settings/SettingsStore.h"

#include "settings/NativeStore.h"
#include "extract/ColumnCatalogue.h"
#include "platform/ChildProcess.h"
#include "platform/InstallLayout.h"

#include <QDate>
#include <QLocale>

#include <algorithm>

std::array<std::string, ExtractionSettings::MonthCount> DefaultMonthNames()
{
    std::array<std::string, ExtractionSettings::MonthCount> names;
    const QLocale locale = QLocale::system();
    for (int month = 1; month <= ExtractionSettings::MonthCount; ++month)
        names[month - 1] = locale.standaloneMonthName(month, QLocale::LongFormat).toStdString();
    return names;
}

namespace {

// The extra tags that have the form of a key, each with its tick, and one Flags character per
// column, whatever was stored: a short value reads as unticked columns, and an entry edited by
// hand into no key is dropped with its tick rather than shifting the ticks of the others.
void KeepWellFormedTags(ExtractionSettings& settings)
{
    const std::vector<std::string> keys = settings.ExtraTagKeys();
    std::string flags = settings.Flags;
    flags.resize(static_cast<std::size_t>(ColumnCount()), '0');
    std::vector<std::string> kept;
    for (std::size_t tag = 0; tag < keys.size(); ++tag) {
        if (!IsTagKey(keys[tag]) || std::find(kept.begin(), kept.end(), keys[tag]) != kept.end())
            continue;
        kept.push_back(keys[tag]);
        flags += settings.IsColumnTicked(ColumnCount() + static_cast<int>(tag)) ? '1' : '0';
    }
    settings.Flags = std::move(flags);
    settings.ExtraTags = JoinTagKeys(kept);
}

}  // namespace

ExtractionSettings LoadSettings()
{
    ExtractionSettings settings = DefaultSettings(DefaultMonthNames());
    const NativeStore store(NativeStore::Scope::User);
    for (const SettingField& field : PersistedSettingFields()) {
        if (field.kind == SettingField::Kind::Text) {
            std::string stored = store.ReadString(field.name, field.Text(settings));
            if (field.Accepts(stored))
                field.Text(settings) = std::move(stored);
        } else {
            const std::int32_t stored = store.ReadNumber(field.name, field.Number(settings));
            if (field.Accepts(stored))
                field.Number(settings) = stored;
        }
    }
    KeepWellFormedTags(settings);
    return settings;
}

bool SaveSettings(const ExtractionSettings& settings)
{
    ExtractionSettings copy = settings;
    KeepWellFormedTags(copy);
    NativeStore store(NativeStore::Scope::User);
    for (const SettingField& field : PersistedSettingFields()) {
        if (field.kind == SettingField::Kind::Text)
            store.WriteString(field.name, field.Text(copy));
        else
            store.WriteNumber(field.name, field.Number(copy));
    }
    return store.Flush();
}

namespace {
constexpr const char* windowGeometryKey = "Window/Geometry";
}  // namespace

QByteArray LoadWindowGeometry()
{
    return NativeStore(NativeStore::Scope::User).ReadBytes(windowGeometryKey);
}

bool SaveWindowGeometry(const QByteArray& geometry)
{
    NativeStore store(NativeStore::Scope::User);
    store.WriteBytes(windowGeometryKey, geometry);
    return store.Flush();
}

std::string HelpFolder()
{
    return NativeStore(NativeStore::Scope::System)
        .ReadString("install_path", platform::DataFolder(platform::ExecutableFolder()));
}
