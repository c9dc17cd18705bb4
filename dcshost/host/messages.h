// Host messages: every ErrorMsg the driver sends reaches the host interface
// library, which words it; dcshost takes them from the library's sink,
// prints each the first time with its wording, and counts the repeats (a
// tag whose quality stays bad is reported on every step) per wording, with
// the simulated times of the first and the last.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "module/no_copy.h"

struct ReceivedMessage {
    std::string key;
    int argc = 0;
    char kinds[2] = {0, 0};  // 's' text, 'i' int
    std::string texts[2];
    int ints[2] = {0, 0};
    std::string wording;

    // The row the message names (a text then an int), or -1.
    int Row() const { return argc == 2 && kinds[1] == 'i' ? ints[1] : -1; }
    // The first argument's text, or "".
    const std::string& Text() const { return texts[0]; }
    // The context text of the "text, context" form, or "".
    std::string Context() const { return argc == 2 && kinds[1] == 's' ? texts[1] : std::string(); }
};

// One wording of one key: how often, and when first and last.
struct MessageGroup {
    std::string key;
    std::string wording;
    int count = 0;
    double first = 0.0;
    double last = 0.0;
};

class MessageLog : NoCopy {
public:
    MessageLog() = default;
    ~MessageLog();

    // Takes the library's sink and turns its own echo off; Detach gives both back.
    void Attach();
    void Detach();

    // Print each message as it comes (on by default).
    void SetPrinting(bool on) { printing_ = on; }
    // Called for each message as it comes, before it is printed.
    void SetObserver(std::function<void(const ReceivedMessage&)> observer)
    {
        observer_ = std::move(observer);
    }
    // Called for each message as well: a verdict taken as the run goes.
    void SetWatch(std::function<void(const ReceivedMessage&)> watch) { watch_ = std::move(watch); }

    // The first kMaxKept messages; Total() counts every one.
    const std::vector<ReceivedMessage>& All() const { return messages_; }
    size_t Total() const { return total_; }
    // Every wording in the order first seen.
    const std::vector<MessageGroup>& Groups() const { return groups_; }
    // The simulated time messages are stamped with from now on.
    void SetTime(double time) { time_ = time; }

    void Receive(const ReceivedMessage& message);

    static constexpr size_t kMaxKept = 10000;

private:
    std::vector<ReceivedMessage> messages_;
    std::vector<MessageGroup> groups_;
    std::map<std::pair<std::string, std::string>, size_t> group_of_;
    size_t total_ = 0;
    double time_ = 0.0;
    std::function<void(const ReceivedMessage&)> observer_;
    std::function<void(const ReceivedMessage&)> watch_;
    bool printing_ = true;
    bool attached_ = false;
};

// "message KEY: wording"
std::string FormatHostMessage(const ReceivedMessage& message);
