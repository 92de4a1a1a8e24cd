// The serial line to the mount: which line object the program uses, opening it by the rules of
// the telescope types (LX200 at 9600 baud, the control box at 300), connecting once per run,
// and the guarded steps every command sequence is built from. Every read has a time limit; a
// reply that comes short, late or never is drained so the next command starts on a quiet line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "session/status.h"
#include "telescope/serial_line.h"

namespace vexa {

// Makes the line object the link opens: the front end's device line, perhaps wrapped in the
// serial log or the simulated mount's service hook. Without one no line opens.
using SerialLineMaker = std::function<std::unique_ptr<SerialLine>()>;
void SetSerialLineMaker(SerialLineMaker maker);
bool HaveSerialLineMaker();

// The open line; null while none is open.
SerialLine* TelescopeLine();
// Closes the line and forgets the connection, so that the next telescope command opens it again.
void CloseTelescopeLine();
// Why the last open failed (Ok after a successful one).
const Status& LastLinkFailure();

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
int ReplyTimeoutMsFor(size_t bytes);
int QuietTimeoutMs();

// ---- opening ----
// "COM" + the port digit: open, port-control (skipped where the line has none), line settings
// ":9600,n,8,1". False when the device cannot be opened as a serial line.
bool OpenLx200Line();
// The same at ":300,n,8,1".
bool OpenControlBoxLine();

// What a telescope command does before its work: when not yet connected, reload the settings
// (message 27 when the file cannot be read, after which the settings in force are written back)
// and open the line for the telescope type. A failed open sets the type to 'n', shows
// "Sorry. No Connection to Telescope" and returns false. Once connected, returns true at once.
bool ConnectTelescope();
// The two halves of ConnectTelescope, for a caller that adjusts the settings between them.
void ReloadSettingsForTelescope();
bool OpenTelescopeLine();

// One command sequence on the line. Writes stop at the first failure (the rest of the
// sequence is not sent), except the stop commands, which are always tried. Reads wait their
// time limit; once one has come up short the line is drained and flushed, and later reads in
// the same sequence wait only for a quiet line. A line that has gone away is closed when the
// sequence ends, so the next command reconnects.
class LinkSteps {
  public:
    LinkSteps();
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
    void PortControl();
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

    SerialLine* line_;
    Status status_;
    Status readStatus_;
    bool readShort_ = false;
};

}  // namespace vexa
