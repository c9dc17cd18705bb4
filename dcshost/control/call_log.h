// --log-calls FILE: every entry point the host calls, every client-library
// call the driver makes (the simulated control system's trace), every host
// message and every fault window, in order, one line each:
//
//   TIME WHO TEXT
//
// TIME is the simulated time in seconds (the shortest text that reads back);
// WHO is "host" (an entry point or FreeDCSData as it is called, then
// "= RESULT" when it returns), "lib" (a
// client-library call as the trace words it), "msg" (a host message: key and
// wording) or "fault" (a fault window opening or closing). The first line is
// "# dcshost call log 1": the format's version; a live run says in a third
// that the log holds the host side only.
//
// The log is written as FILE.part and renamed to FILE when closed: a log at
// FILE is whole, one a write failed on is removed, and a process that ended
// at once leaves FILE.part, ending on a whole line.
#pragma once

#include <string>

#include "dcshost/whole_file.h"
#include "module/no_copy.h"

class CallLog : NoCopy {
public:
    CallLog() = default;
    // Not closed by the run: what it holds so far is the whole log.
    ~CallLog()
    {
        std::string ignored;
        Close(ignored);
    }

    // Opens the file and starts the trace; after the driver is loaded, whose
    // client library keeps the trace. False with a reason.
    bool Open(const std::string& path, std::string& error);
    // Drains the trace, stops it and puts the file in place. False with the
    // reason when a write failed: the file is then removed.
    bool Close(std::string& error);
    bool IsOpen() const { return file_.IsOpen(); }

    // The simulated time of the lines from now on.
    void SetTime(double time) { time_ = time; }

    // The trace so far, then one line. Each does nothing while closed.
    void Line(const char* who, const std::string& text);
    // Client-library calls traced since the last drain.
    void Drain();

private:
    void Append(const std::string& line);
    // The pending lines to the file at once: one write of whole lines.
    void Write();

    WholeFile file_;
    std::string pending_;
    double time_ = 0.0;
};
