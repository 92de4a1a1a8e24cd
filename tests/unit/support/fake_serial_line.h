// A scriptable serial line for tests: it records every operation in order and answers reads
// from replies queued beforehand, so that protocol code can be checked on its exact bytes.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "telescope/serial_line.h"

namespace vexa::test {

enum class SerialOp { Open, Settings, Write, Read, Flush, Control, Close };

struct SerialEvent {
    SerialOp op;
    std::string text;   // the path, the settings text, the bytes written or the bytes a read got
    size_t number = 0;  // the queue flushed (0 transmit, 1 receive) or the bytes a read asked for

    bool operator==(const SerialEvent&) const = default;
};

inline SerialEvent Opened(std::string path) {
    return {SerialOp::Open, std::move(path), 0};
}
inline SerialEvent Set(std::string settings) {
    return {SerialOp::Settings, std::move(settings), 0};
}
inline SerialEvent Wrote(std::string bytes) {
    return {SerialOp::Write, std::move(bytes), 0};
}
inline SerialEvent ReadOf(size_t asked, std::string got) {
    return {SerialOp::Read, std::move(got), asked};
}
inline SerialEvent Flushed(SerialQueue queue) {
    return {SerialOp::Flush, {}, static_cast<size_t>(queue)};
}
inline SerialEvent Controlled() {
    return {SerialOp::Control, {}, 0};
}
inline SerialEvent Closed() {
    return {SerialOp::Close, {}, 0};
}

inline void PrintTo(const SerialEvent& event, std::ostream* out) {
    static const char* const kNames[] = {"open",  "settings", "write", "read",
                                         "flush", "control",  "close"};
    *out << kNames[static_cast<int>(event.op)] << " \"";
    for (unsigned char c : event.text) {
        if (c >= 0x20 && c < 0x7f) {
            *out << c;
        } else {
            *out << "\\x"
                 << "0123456789abcdef"[c >> 4] << "0123456789abcdef"[c & 15];
        }
    }
    *out << "\" " << event.number;
}

class FakeSerialLine : public SerialLine {
  public:
    // Each queued reply answers one read, in order: a read gets the reply's first bytes up to
    // its buffer size and leaves the rest as the next reply. A read that gets fewer bytes than
    // it asked for, or finds no reply, ends with Timeout. Flushes do not touch the replies:
    // they stand for bytes that arrive after the read starts.
    void QueueReply(std::string bytes) { replies_.push_back(std::move(bytes)); }
    // From now on the operation ends with this status (Read: after delivering nothing).
    // Ok restores the normal behaviour.
    void SetResult(SerialOp op, Status status) { results_[op] = std::move(status); }

    const std::vector<SerialEvent>& events() const { return events_; }
    // The bytes of every write in order, one string per write.
    std::vector<std::string> Writes() const {
        std::vector<std::string> writes;
        for (const SerialEvent& event : events_) {
            if (event.op == SerialOp::Write) writes.push_back(event.text);
        }
        return writes;
    }
    size_t PendingReplies() const { return replies_.size(); }
    void ClearEvents() { events_.clear(); }

    Status Open(const std::string& devicePath) override {
        events_.push_back(Opened(devicePath));
        Status status = Result(SerialOp::Open);
        open_ = status.ok();
        return status;
    }
    bool IsOpen() const override { return open_; }
    Status ApplySettings(const std::string& settings) override {
        events_.push_back(Set(settings));
        return OpenResult(SerialOp::Settings);
    }
    Status Write(std::span<const uint8_t> bytes) override {
        events_.push_back(Wrote(std::string(bytes.begin(), bytes.end())));
        return OpenResult(SerialOp::Write);
    }
    Status Read(std::span<uint8_t> buffer, size_t& got, int /*timeoutMs*/) override {
        got = 0;
        Status status = OpenResult(SerialOp::Read);
        if (status.ok() && !replies_.empty()) {
            std::string& reply = replies_.front();
            got = std::min(reply.size(), buffer.size());
            std::memcpy(buffer.data(), reply.data(), got);
            reply.erase(0, got);
            if (reply.empty()) replies_.pop_front();
        }
        events_.push_back(ReadOf(buffer.size(), std::string(buffer.begin(), buffer.begin() + got)));
        if (status.ok() && got < buffer.size()) {
            return Status(StatusCode::Timeout, "no reply", 0);
        }
        return status;
    }
    Status Flush(SerialQueue queue) override {
        events_.push_back(Flushed(queue));
        return OpenResult(SerialOp::Flush);
    }
    Status RaiseModemLines() override {
        events_.push_back(Controlled());
        return OpenResult(SerialOp::Control);
    }
    void Close() override {
        events_.push_back(Closed());
        open_ = false;
    }

  private:
    Status Result(SerialOp op) const {
        auto found = results_.find(op);
        return found == results_.end() ? Status::Ok() : found->second;
    }
    // Every operation but Open fails on a closed line, as on a real one.
    Status OpenResult(SerialOp op) const {
        if (!open_) return Status(StatusCode::IoError, "line not open");
        return Result(op);
    }

    std::vector<SerialEvent> events_;
    std::deque<std::string> replies_;
    std::map<SerialOp, Status> results_;
    bool open_ = false;
};

}  // namespace vexa::test
