#pragma once

#include "metadata/TagSource.h"

#include <map>
#include <string>
#include <vector>

// A tag source that answers from a script: the tags of each path, keyed by file name. A path not
// in the script reads as a file the image library could not open.
class ScriptedTagSource : public TagSource {
public:
    void Set(const std::string& fileName, PhotoTags tags, ReadOutcome outcome = ReadOutcome::Read,
             std::vector<KeyedValue> keyed = {})
    {
        m_script[fileName] = TagReading{outcome, std::move(tags), std::move(keyed)};
    }

    void Begin(const std::vector<std::string>& photos, std::function<void()>) override { announced = photos; }

    TagReading Read(const std::string& path) override
    {
        readPaths.push_back(path);
        const auto slash = path.find_last_of("/\\");
        const auto found = m_script.find(slash == std::string::npos ? path : path.substr(slash + 1));
        return found == m_script.end() ? TagReading{ReadOutcome::NotOpened, {}} : found->second;
    }

    std::vector<std::string> announced;
    std::vector<std::string> readPaths;

private:
    std::map<std::string, TagReading> m_script;
};
