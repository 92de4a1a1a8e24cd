// The guarded steps every command sequence on the mount's line is built from, and how long their
// reads wait. Every read has a time limit; a reply that comes short, late or never is drained so
// the next command starts on a quiet line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "session/status.h"
#include "telescope/serial_line.h"

namespace vexa {

// ---- reply timing ----
// How long a read waits for a reply to begin and run through, before the wire time of its bytes
// at the line's baud rate is added.
constexpr int kReplyTimeoutMs = 2000;
// How long the line must stay silent before a drain (or a read for bytes that may not come)
// takes it as quiet.
constexpr int kQuietLineMs = 100;
// The most a drain reads before it gives up on a line that never stops talking.
constexpr size_t kDrainLimitBytes = 4096;
// Tests shorten the wait for replies that never come; 0 puts back kReplyTimeoutMs.
void SetReplyTimeoutMs(int ms);
int ReplyTimeoutMsFor(size_t bytes, int baudRate);
int QuietTimeoutMs(int baudRate);

// One command sequence on a line running at baudRate. A line that is not open gives NotFound
// ("the telescope is not connected") and nothing is sent. Writes stop at the first failure (the
// rest of the sequence is not sent), except the stop commands, which are always tried. Reads
// wait their time limit; once one has come up short the line is drained and flushed, and later
// reads in the same sequence wait only for a quiet line. A line that has gone away is closed
// when the sequence ends, so the next command reconnects.
class LinkSteps {
  public:
    LinkSteps(SerialLine& line, int baudRate);
    ~LinkSteps();
    LinkSteps(const LinkSteps&) = delete;
    LinkSteps& operator=(const LinkSteps&) = delete;

    bool ok() const { return status_.ok(); }
    // The first failure of a write or control step, else the first read that came up short.
    Status Result() const;

    void Write(std::string_view bytes);
    void WriteByte(uint8_t byte);
    // A stop command: sent even after an earlier step failed, as long as there is a line.
    void WriteStop(std::string_view bytes);
    void WriteStopByte(uint8_t byte);
    void FlushBoth();
    // Unsupported (a line with no modem-control lines) is no failure.
    void RaiseModemLines();
    void ApplySettings(const std::string& settings);
    // Reads count bytes into out (what arrived, all or part). False when fewer came; the line
    // is then drained.
    bool Read(size_t count, std::string& out);
    // Reads one byte that the mount may or may not send, waiting only for a quiet line; no
    // failure when it does not come.
    bool ReadMaybe(char& byte);

  private:
    void Note(Status status);
    void Drain();

    SerialLine& line_;
    bool haveLine_;
    int baudRate_;
    Status status_;
    Status readStatus_;
    bool readShort_ = false;
};

}  // namespace vexa
