#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

// The bytes of a file; none when it cannot be read.
inline std::string FileText(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A folder of its own for one test, removed afterwards.
class TempFolder {
public:
    TempFolder()
    {
        std::random_device random;
        m_path =
            std::filesystem::temp_directory_path() / ("fh-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The folder as text, ending in a separator.
    std::string Text() const { return m_path.string() + "/"; }

    std::string Touch(const std::string& relative, const std::string& content = "x") const
    {
        const auto file = m_path / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
        return file.string();
    }

    std::string Read(const std::string& relative) const { return FileText(m_path / relative); }

private:
    std::filesystem::path m_path;
};
