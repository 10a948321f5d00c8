#pragma once

#include <QSettings>

#include <cstdint>
#include <memory>
#include <string>

// The settings store: the program's per-user (or machine-wide) values, kept by the platform's
// native store (the registry on Windows, a configuration file elsewhere). A value that is missing
// or of the wrong type reads as the default it is asked with; nothing is ever reported. A stored
// file that is not a regular file of sane size (a pipe, a device, gigabytes) is never opened: it
// reads as empty, and writing replaces it.
class NativeStore {
public:
    enum class Scope { User, System };
    // Larger than any store the program writes by far; a larger file is damaged or not ours.
    static constexpr std::uintmax_t MaxFileSize = 4 * 1024 * 1024;

    explicit NativeStore(Scope scope);
    ~NativeStore();
    NativeStore(const NativeStore&) = delete;
    NativeStore& operator=(const NativeStore&) = delete;

    std::string ReadString(const std::string& name, const std::string& defaultValue) const;
    std::int32_t ReadNumber(const std::string& name, std::int32_t defaultValue) const;
    void WriteString(const std::string& name, const std::string& value);
    void WriteNumber(const std::string& name, std::int32_t value);
    // Bytes that are no text, such as a window's geometry; empty when missing or of another type.
    QByteArray ReadBytes(const std::string& name) const;
    void WriteBytes(const std::string& name, const QByteArray& value);
    // Writes everything out; false when the store could not be written.
    bool Flush();

private:
    // The stored value; Qt's own complaints about a damaged store are kept off the console.
    QVariant Stored(const std::string& name) const;
    QSettings& Writable();

    QString m_filePath;                     // the store's file; empty where the store is not a file
    std::unique_ptr<QSettings> m_settings;  // null while the file is not one to read
};
