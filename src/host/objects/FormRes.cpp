#include "host/objects/FormRes.hpp"

#include "host/types/Errors.hpp"

#include <charconv>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

namespace Talvex::Resources {
const std::vector<std::pair<std::string_view, std::string_view>>& EmbeddedFiles();
}

namespace Talvex {
namespace {

std::map<long, std::string> Parse(std::string_view text)
{
    std::map<long, std::string> texts;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty() || line.front() == '#') continue;
        std::size_t tab = line.find('\t');
        long id = 0;
        if (tab == std::string_view::npos || std::from_chars(line.data(), line.data() + tab, id).ec != std::errc{})
            continue;
        texts[id] = std::string(line.substr(tab + 1));
    }
    return texts;
}

} // namespace

void FormRes::SetResourceName(const std::string& name)
{
    for (const auto& [file, text] : Resources::EmbeddedFiles()) {
        if (file == name + ".txt") {
            static std::map<std::string, std::map<long, std::string>> loaded;
            static std::mutex loadedMutex;
            std::lock_guard lock(loadedMutex);
            auto it = loaded.find(name);
            if (it == loaded.end()) it = loaded.emplace(name, Parse(text)).first;
            resourceName_ = name;
            texts_ = &it->second;
            return;
        }
    }
    throw ValueError("FormRes: there is no resource '" + name + "'");
}

std::string FormRes::GetString(long id) const
{
    if (texts_) {
        auto it = texts_->find(id);
        if (it != texts_->end()) return it->second;
    }
    return "[text " + std::to_string(id) + "]";
}

} // namespace Talvex
