#pragma once

#include <QSettings>

#include <cstdint>
#include <string>

// The settings store: the program's per-user (or machine-wide) values, kept by the platform's
// native store (the registry on Windows, a configuration file elsewhere). A value that is missing
// or of the wrong type reads as the default it is asked with; nothing is ever reported.
class CVORegistry {
public:
    enum class Scope { User, System };

    explicit CVORegistry(Scope scope);

    std::string ReadString(const std::string& name, const std::string& defaultValue) const;
    std::int32_t ReadDword(const std::string& name, std::int32_t defaultValue) const;
    void WriteString(const std::string& name, const std::string& value);
    void WriteDword(const std::string& name, std::int32_t value);
    // Writes everything out; false when the store could not be written.
    bool Flush();

private:
    // The stored value; Qt's own complaints about a damaged store are kept off the console.
    QVariant Stored(const std::string& name) const;

    QSettings m_settings;
};
