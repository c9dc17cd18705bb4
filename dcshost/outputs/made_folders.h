// The folders a command makes for its outputs (CheckOutputs makes them before
// the driver loads). A folder that stays empty, because the run was refused or
// wrote nothing there, is removed again: nothing is left behind that the user
// did not have and gets nothing from.
#pragma once

#include <string>
#include <vector>

class MadeFolders {
public:
    // Before the folders are made: notes every folder on the way to each path
    // that does not exist yet.
    void Note(const std::vector<std::string>& paths);
    // Removes those of them that are empty, deepest first; any other stays.
    void RemoveEmpty();

private:
    std::vector<std::string> missing_;
};
