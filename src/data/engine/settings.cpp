#include "data/engine/settings.h"

namespace velt::engine {

Settings& settings() {
    static Settings instance;
    return instance;
}

namespace {
std::size_t nameStart(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}
}  // namespace

std::string applyNameCase(const std::string& path) {
    if (!settings().upperCaseNames) return path;
    std::string out = path;
    for (std::size_t i = nameStart(out); i < out.size(); ++i) {
        if (out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
    }
    return out;
}

std::string withExtension(const std::string& path, const std::string& extension) {
    std::size_t start = nameStart(path);
    auto dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < start) return path + extension;
    return path.substr(0, dot) + extension;
}

std::string withDefaultExtension(const std::string& path, const std::string& extension) {
    std::size_t start = nameStart(path);
    if (path.find('.', start) != std::string::npos) return path;
    return path + extension;
}

std::string baseName(const std::string& path) {
    std::string name = path.substr(nameStart(path));
    auto dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace velt::engine
