// What the telescope dialogs and the scope command ask of a mount, whatever carries the
// request: GoTo of a catalogue object or co-ordinates, the scope's information, the arrow
// moves and the focuser runs. The LX200 mount does each with its exact serial sequence; a
// mount on an INDI server with its properties. Each returns how the mount behaved, as the
// LX200 sequences do (Ok, Timeout, InvalidArgument for refused values, Disconnected,
// NotFound when not connected, Unsupported for what the mount does not offer).
#pragma once

#include <string_view>

#include "session/status.h"
#include "telescope/lx200_sequences.h"
#include "telescope/serial_line.h"
#include "telescope/telescope_protocol.h"

namespace vexa {

class MountOperations {
  public:
    virtual ~MountOperations() = default;
    // prefix is the catalogue's ("#:LM ", "#:LC ", "#:LS "); answer, when given, receives the
    // mount's answer to the slew.
    virtual Status CatalogueGoto(std::string_view prefix, int n, GotoAnswer* answer) = 0;
    virtual Status CoordinateGoto(const Coordinates& c, GotoAnswer* answer) = 0;
    // Fills the session's scope information text.
    virtual Status ReadScopeInfo() = 0;
    // The slew-rate and focus-speed choices are the session's stored commands.
    virtual Status StartMove(char directionLetter) = 0;
    virtual Status StopMove() = 0;
    virtual Status StartFocus(bool focusIn) = 0;
    virtual Status StopFocus() = 0;
};

// The LX200 sequences on a serial line that must outlive this.
class Lx200Operations final : public MountOperations {
  public:
    explicit Lx200Operations(SerialLine& line) : line_(line) {}
    Status CatalogueGoto(std::string_view prefix, int n, GotoAnswer* answer) override {
        return vexa::CatalogueGoto(line_, prefix, n, answer);
    }
    Status CoordinateGoto(const Coordinates& c, GotoAnswer* answer) override {
        return vexa::CoordinateGoto(line_, c, answer);
    }
    Status ReadScopeInfo() override { return vexa::ReadScopeInfo(line_); }
    Status StartMove(char directionLetter) override {
        return vexa::StartMove(line_, directionLetter);
    }
    Status StopMove() override { return vexa::StopMove(line_); }
    Status StartFocus(bool focusIn) override { return vexa::StartFocus(line_, focusIn); }
    Status StopFocus() override { return vexa::StopFocus(line_); }

  private:
    SerialLine& line_;
};

}  // namespace vexa
