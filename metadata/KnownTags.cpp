#include "metadata/KnownTags.h"

#include "platform/ChildProcess.h"

#include <algorithm>
#include <chrono>

namespace {

// The reader lists some four thousand tags in a few milliseconds; this is for a reader that hangs.
constexpr auto listTimeout = std::chrono::seconds(20);

}  // namespace

const KnownTag* KnownTagList::Find(std::string_view key) const
{
    const auto found = std::lower_bound(tags.begin(), tags.end(), key,
                                        [](const KnownTag& tag, std::string_view wanted) { return tag.key < wanted; });
    return found != tags.end() && found->key == key ? &*found : nullptr;
}

std::vector<KnownTag> ParseKnownTags(std::string_view text)
{
    std::vector<KnownTag> tags;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        KnownTag tag;
        std::string* fields[] = {&tag.group, &tag.label, &tag.key, &tag.description};
        bool whole = true;
        for (std::size_t i = 0; i < std::size(fields); ++i) {
            const auto tab = line.find('\t');
            if ((tab == std::string_view::npos) != (i + 1 == std::size(fields))) {
                whole = false;
                break;
            }
            fields[i]->assign(line.substr(0, tab));
            line.remove_prefix(tab == std::string_view::npos ? line.size() : tab + 1);
        }
        if (whole && !tag.key.empty())
            tags.push_back(std::move(tag));
    }
    std::sort(tags.begin(), tags.end(), [](const KnownTag& a, const KnownTag& b) { return a.key < b.key; });
    tags.erase(
        std::unique(tags.begin(), tags.end(), [](const KnownTag& a, const KnownTag& b) { return a.key == b.key; }),
        tags.end());
    return tags;
}

KnownTagList ListKnownTags(const std::string& program)
{
    KnownTagList list;
    platform::ChildProcess reader;
    if (program.empty() || !reader.Start(program, "--list-tags")) {
        list.problem = program.empty() ? std::string("no reader program was found") : reader.StartError();
        return list;
    }
    std::string text;
    const auto started = std::chrono::steady_clock::now();
    for (;;) {
        const auto result = reader.ReadSome(text, 200);
        if (result == platform::ChildProcess::ReadResult::Closed)
            break;
        if (std::chrono::steady_clock::now() - started > listTimeout) {
            reader.Kill();
            list.problem = "the reader did not list its tags in time";
            return list;
        }
    }
    list.tags = ParseKnownTags(text);
    if (list.tags.empty())
        list.problem = "the reader listed no tags";
    return list;
}

std::vector<std::string> UnknownKeys(const KnownTagList& list, const std::vector<std::string>& keys)
{
    std::vector<std::string> unknown;
    for (const std::string& key : keys)
        if (list.Find(key) == nullptr)
            unknown.push_back(key);
    return unknown;
}
