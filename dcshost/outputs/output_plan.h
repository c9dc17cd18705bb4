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

// The name of the trend files: `given` (--name), else the file name of
// `source` without its folder and its extension (the last dot's, or each of
// `extensions` in turn when some are given); `kind` follows either.
std::string TrendName(const std::string& given, const std::string& source,
                      const std::vector<std::string>& extensions = {},
                      const std::string& kind = "");

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
    const std::string& TrendName() const { return name_; }
    std::string TrendCsv() const { return stem_ + ".trend.csv"; }
    std::string TrendSvg() const { return stem_ + ".trend.svg"; }

private:
    std::string stem_;  // DIR/NAME; empty: no trend files
    std::string name_;
    std::vector<PlannedFile> outputs_;
    std::vector<PlannedFile> inputs_;
};

// What run and replay both write and read.
struct CommonFiles {
    bool trends = true;
    std::string out_dir;
    std::string trend_name;
    std::string json;
    std::string driver;
};

// The plan of a command: the trend files and --json, then its own outputs;
// its own inputs, then --driver and the tag file. The order is the order
// of the checks, and so which refusal is said.
OutputPlan PlanFiles(const CommonFiles& common, const std::vector<PlannedFile>& outputs,
                     const std::vector<PlannedFile>& inputs);
// The plan's check; a refusal is said on stderr.
bool CheckFiles(const OutputPlan& plan, bool force);
