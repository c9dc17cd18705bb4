// Host messages: every ErrorMsg the driver sends reaches the host interface
// library, which words it; dcshost takes them from the library's sink,
// prints each with its wording and keeps them for the summary and the check.
#pragma once

#include <functional>
#include <string>
#include <vector>

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

class MessageLog {
public:
    MessageLog() = default;
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    // Takes the library's sink and turns its own echo off; Detach gives both back.
    void Attach();
    void Detach();

    // Print each message as it comes (on by default).
    void SetPrinting(bool on) { printing_ = on; }
    // Called for each message as it comes, before it is printed.
    void SetObserver(std::function<void(const ReceivedMessage&)> observer) {
        observer_ = std::move(observer);
    }

    const std::vector<ReceivedMessage>& All() const { return messages_; }
    void Clear() { messages_.clear(); }

    void Receive(const ReceivedMessage& message);

private:
    std::vector<ReceivedMessage> messages_;
    std::function<void(const ReceivedMessage&)> observer_;
    bool printing_ = true;
    bool attached_ = false;
};

// "message KEY: wording"
std::string FormatHostMessage(const ReceivedMessage& message);
