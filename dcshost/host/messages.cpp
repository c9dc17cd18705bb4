#include "dcshost/host/messages.h"

#include <cstdio>

#include "dcshost/console.h"
#include "standins/iface/iface_control.h"

namespace {

// The library's strings are valid during the call only: copy them.
void Sink(const IFaceMessage* in, void* user)
{
    ReceivedMessage message;
    message.key = in->key ? in->key : "";
    message.argc = in->argc < 0 ? 0 : (in->argc > 2 ? 2 : in->argc);
    for (int i = 0; i < message.argc; ++i) {
        message.kinds[i] = in->kinds[i];
        if (in->kinds[i] == 's') message.texts[i] = in->texts[i] ? in->texts[i] : "(null)";
        if (in->kinds[i] == 'i') message.ints[i] = in->ints[i];
    }
    message.wording = in->wording ? in->wording : "";
    static_cast<MessageLog*>(user)->Receive(message);
}

}  // namespace

MessageLog::~MessageLog() { Detach(); }

void MessageLog::Attach()
{
    IFaceSetMessageSink(&Sink, this);
    IFaceSetMessageEcho(0);
    attached_ = true;
}

void MessageLog::Detach()
{
    if (!attached_) return;
    IFaceSetMessageSink(nullptr, nullptr);
    IFaceSetMessageEcho(1);
    attached_ = false;
}

void MessageLog::Receive(const ReceivedMessage& message)
{
    ++total_;
    if (messages_.size() < kMaxKept) messages_.push_back(message);
    auto [group, fresh] =
        group_of_.emplace(std::make_pair(message.key, message.wording), groups_.size());
    if (fresh) groups_.push_back(MessageGroup{message.key, message.wording, 0, time_, time_});
    MessageGroup& seen = groups_[group->second];
    ++seen.count;
    seen.last = time_;
    if (observer_) observer_(message);
    if (watch_) watch_(message);
    if (printing_ && fresh) {
        BreakProgressLine();
        std::printf("%s\n", FormatHostMessage(message).c_str());
        std::fflush(stdout);
    }
}

std::string FormatHostMessage(const ReceivedMessage& message)
{
    return "message " + message.key + ": " + message.wording;
}
