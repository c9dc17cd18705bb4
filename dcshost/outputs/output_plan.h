// The files a command writes and the files it reads, checked together before
// anything is loaded: a path that cannot take a file costs no settle and no
// run, and no output ever lands on an input or on another output.
//
// Folders are made as needed; an existing output is opened without
// truncating it, and a probe the check had to create is removed again, so a
// refused command leaves no empty stub and replaces nothing.
#pragma once

#include <string>
#include <vector>

// One file and the option that named it ("--json", "SCENARIO").
struct PlannedFile {
    std::string option;
    std::string path;
    bool fresh = false;  // an output that must not exist yet (without --force)
};

class OutputPlan {
public:
    // The trend files DIR/NAME.trend.csv and .svg; "--out/--name" in messages.
    void SetTrends(const std::string& dir, const std::string& name);
    // Empty paths are nothing given and left out.
    void AddOutput(const std::string& option, const std::string& path, bool fresh = false);
    void AddInput(const std::string& option, const std::string& path);
    // The file-backed control system's tag file, when VNXSIM_TAGS names one.
    void AddTagFile();

    // False with the first refusal: an output that is an input (also through
    // a link), two outputs in one file, a fresh output that exists unless
    // forced, or an output that cannot be written, with the system's reason.
    bool Check(bool force, std::string& error) const;

    // Every output's path, the trend files included.
    std::vector<std::string> OutputPaths() const;

    bool Trends() const { return !stem_.empty(); }
    std::string TrendCsv() const { return stem_ + ".trend.csv"; }
    std::string TrendSvg() const { return stem_ + ".trend.svg"; }

private:
    std::string stem_;  // DIR/NAME; empty: no trend files
    std::vector<PlannedFile> outputs_;
    std::vector<PlannedFile> inputs_;
};
