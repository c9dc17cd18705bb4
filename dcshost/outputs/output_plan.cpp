#include "dcshost/outputs/output_plan.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "dcshost/whole_file.h"
#include "module/system_error.h"

namespace fs = std::filesystem;

namespace {

// Two names of one file: the same path once links and ".." are resolved, or
// the same file on the disk (a hard link, a link to it, another spelling).
bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code ec1, ec2;
    fs::path full_a = fs::weakly_canonical(fs::absolute(a, ec1), ec1).lexically_normal();
    fs::path full_b = fs::weakly_canonical(fs::absolute(b, ec2), ec2).lexically_normal();
    if (!ec1 && !ec2 && full_a == full_b) return true;
    std::error_code ec;
    return fs::exists(a, ec) && fs::exists(b, ec) && fs::equivalent(a, b, ec) && !ec;
}

std::string Named(const PlannedFile& file) { return file.option + " " + file.path; }

bool CheckWritable(const PlannedFile& file, std::string& error)
{
    std::error_code ec;
    fs::path parent = fs::path(file.path).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec) && !fs::create_directories(parent, ec) &&
        ec) {
        error =
            "cannot make the folder " + parent.string() + " for " + file.path + ": " + ec.message();
        return false;
    }
    // The file itself, when it is there (a folder, a read-only file), then
    // its folder, which takes the file under a working name first.
    // A device or a pipe is written in place: no working name.
    fs::file_status status = fs::status(file.path, ec);
    const std::string probe = file.path + ".part";
    bool probe_existed = fs::exists(probe, ec);
    for (const std::string& path : {file.path, probe}) {
        if (path == file.path && !fs::exists(status)) continue;
        if (path == probe && InPlace(file.path, status)) continue;
        errno = 0;
        std::FILE* stream = std::fopen(path.c_str(), "ab");
        if (!stream) {
            error = "cannot write " + file.path + ": " + ErrnoText(errno ? errno : EACCES);
            return false;
        }
        std::fclose(stream);
    }
    if (!probe_existed) fs::remove(probe, ec);
    return true;
}

}  // namespace

std::string TrendName(const std::string& given, const std::string& source,
                      const std::vector<std::string>& extensions, const std::string& kind)
{
    if (!given.empty()) return given + kind;
    size_t slash = source.find_last_of("/\\");
    std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (extensions.empty() && dot != std::string::npos && dot != 0) name.resize(dot);
    for (const std::string& extension : extensions)
        if (name.size() > extension.size() &&
            name.compare(name.size() - extension.size(), std::string::npos, extension) == 0)
            name.resize(name.size() - extension.size());
    return name + kind;
}

OutputPlan PlanFiles(const CommonFiles& common, const std::vector<PlannedFile>& outputs,
                     const std::vector<PlannedFile>& inputs)
{
    OutputPlan plan;
    if (common.trends) plan.SetTrends(common.out_dir, common.trend_name);
    plan.AddOutput("--json", common.json);
    for (const PlannedFile& file : outputs) plan.AddOutput(file.option, file.path, file.fresh);
    for (const PlannedFile& file : inputs) plan.AddInput(file.option, file.path);
    plan.AddInput("--driver", common.driver);
    plan.AddTagFile();
    return plan;
}

bool CheckFiles(const OutputPlan& plan, bool force)
{
    std::string error;
    if (plan.Check(force, error)) return true;
    std::fprintf(stderr, "dcshost: %s\n", error.c_str());
    return false;
}

void OutputPlan::SetTrends(const std::string& dir, const std::string& name)
{
    name_ = name;
    stem_ = dir + "/" + name;
    AddOutput("--out/--name", TrendCsv());
    AddOutput("--out/--name", TrendSvg());
}

void OutputPlan::AddOutput(const std::string& option, const std::string& path, bool fresh)
{
    if (!path.empty()) outputs_.push_back(PlannedFile{option, path, fresh});
}

std::vector<std::string> OutputPlan::OutputPaths() const
{
    std::vector<std::string> paths;
    for (const PlannedFile& file : outputs_) paths.push_back(file.path);
    return paths;
}

void OutputPlan::AddInput(const std::string& option, const std::string& path)
{
    if (!path.empty()) inputs_.push_back(PlannedFile{option, path, false});
}

void OutputPlan::AddTagFile()
{
    const char* tags = std::getenv("VNXSIM_TAGS");
    if (tags) AddInput("VNXSIM_TAGS", tags);
}

bool OutputPlan::Check(bool force, std::string& error) const
{
    for (size_t i = 0; i < outputs_.size(); ++i) {
        const PlannedFile& out = outputs_[i];
        for (const PlannedFile& in : inputs_)
            if (SameFile(out.path, in.path)) {
                error = Named(out) + " and " + Named(in) +
                        " name one file; an output never replaces an input";
                return false;
            }
        for (size_t j = 0; j < i; ++j)
            if (SameFile(out.path, outputs_[j].path)) {
                error = Named(outputs_[j]) + " and " + Named(out) +
                        " name one file; each output needs its own";
                return false;
            }
        std::error_code ec;
        if (out.fresh && !force && fs::exists(out.path, ec)) {
            error = Named(out) + ": the file exists; --force replaces it";
            return false;
        }
    }
    for (const PlannedFile& out : outputs_)
        if (!CheckWritable(out, error)) return false;
    return true;
}
