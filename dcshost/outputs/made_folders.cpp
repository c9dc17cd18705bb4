#include "dcshost/outputs/made_folders.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

void MadeFolders::Note(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        std::error_code ec;
        for (fs::path folder = fs::absolute(path, ec).parent_path();
             !ec && !folder.empty() && !fs::exists(folder, ec); folder = folder.parent_path()) {
            if (folder == folder.parent_path()) break;
            missing_.push_back(folder.string());
        }
    }
}

void MadeFolders::RemoveEmpty()
{
    // A deeper folder's path is longer than its parent's.
    std::sort(missing_.begin(), missing_.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& folder : missing_) {
        std::error_code ec;
        if (fs::is_directory(folder, ec) && fs::is_empty(folder, ec)) fs::remove(folder, ec);
    }
    missing_.clear();
}
