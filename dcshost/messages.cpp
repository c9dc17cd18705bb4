#include "dcshost/messages.h"

#include <cstdio>

#include "dcshost/progress.h"
#include "standins/iface/iface_control.h"

namespace {

// The library's strings are valid during the call only: copy them.
void Sink(const IFaceMessage* in, void* user) {
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

void MessageLog::Attach() {
    IFaceSetMessageSink(&Sink, this);
    IFaceSetMessageEcho(0);
    attached_ = true;
}

void MessageLog::Detach() {
    if (!attached_) return;
    IFaceSetMessageSink(nullptr, nullptr);
    IFaceSetMessageEcho(1);
    attached_ = false;
}

void MessageLog::Receive(const ReceivedMessage& message) {
    messages_.push_back(message);
    if (observer_) observer_(message);
    if (printing_) {
        Progress::BreakLine();
        std::printf("%s\n", FormatHostMessage(message).c_str());
        std::fflush(stdout);
    }
}

std::string FormatHostMessage(const ReceivedMessage& message) {
    return "message " + message.key + ": " + message.wording;
}
