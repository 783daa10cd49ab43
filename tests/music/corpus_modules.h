#pragma once
// The corpus of real modules that the corpus.fetch test puts in the folder
// named by ZINT_XM_CORPUS, sorted by name; none when it is not there.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace zint::test {

inline std::vector<std::filesystem::path> CorpusModules() {
    std::vector<std::filesystem::path> modules;
    const char* directory = std::getenv("ZINT_XM_CORPUS");
    if (directory == nullptr || !std::filesystem::is_directory(directory)) return modules;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.path().extension() == ".xm") modules.push_back(entry.path());
    }
    std::sort(modules.begin(), modules.end());
    return modules;
}

}  // namespace zint::test
