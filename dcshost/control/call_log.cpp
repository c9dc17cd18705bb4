#include "dcshost/control/call_log.h"

#include <vector>

#include "dcshost/control/control_api.h"
#include "dcshost/scenario/limits.h"

bool CallLog::Open(const std::string& path, std::string& error)
{
    std::string ignored;
    Close(ignored);
    // Written in whole lines only (Write), unbuffered: a process ended at
    // once still leaves a log that ends on a whole line.
    if (!file_.Open(path, error)) return false;
    pending_ = "# dcshost call log 1\n# TIME WHO TEXT\n";
    // A real client library keeps no trace.
    if (Vnx().live)
        pending_ += "# live run: the host side only, no client-library calls (lib lines)\n";
    Vnx().VnxSimTraceClear();
    Vnx().VnxSimTraceEnable(1);
    return true;
}

bool CallLog::Close(std::string& error)
{
    if (!file_.IsOpen()) return true;
    Drain();
    Vnx().VnxSimTraceEnable(0);
    Vnx().VnxSimTraceClear();
    Write();
    return file_.Commit(error);
}

void CallLog::Drain()
{
    if (!file_.IsOpen()) return;
    int32_t count = Vnx().VnxSimTraceCount();
    if (count <= 0) return;
    const std::string time = NumberText(time_);
    std::vector<char> line(256);
    for (int32_t i = 0; i < count; ++i) {
        int32_t length = Vnx().VnxSimTraceLine(i, line.data(), static_cast<int32_t>(line.size()));
        if (length >= static_cast<int32_t>(line.size())) {
            line.resize(static_cast<size_t>(length) + 1);
            Vnx().VnxSimTraceLine(i, line.data(), static_cast<int32_t>(line.size()));
        }
        if (length >= 0) Append(time + " lib " + line.data());
    }
    Vnx().VnxSimTraceClear();
}

void CallLog::Append(const std::string& line)
{
    pending_ += line;
    pending_ += '\n';
    const size_t kChunk = 64 * 1024;
    if (pending_.size() >= kChunk) Write();
}

void CallLog::Write()
{
    if (pending_.empty()) return;
    file_.Write(pending_.data(), pending_.size());
    pending_.clear();
}

void CallLog::Line(const char* who, const std::string& text)
{
    if (!file_.IsOpen()) return;
    Drain();
    Append(NumberText(time_) + " " + who + " " + text);
}
