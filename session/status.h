// The result of a device, protocol or capture operation: success, or what went wrong with the
// system's own error text and number, so that the caller can word the program's message.
#pragma once

#include <string>
#include <utility>

namespace vexa {

enum class StatusCode {
    Ok,
    NotFound,          // no such device, file or interface
    PermissionDenied,  // the node exists but this user may not open it
    Timeout,           // the operation did not complete within its time
    Disconnected,      // the device went away
    ShortTransfer,     // fewer bytes than asked for
    IoError,           // any other failure of the operating system or library
    InvalidArgument,   // the caller asked for something out of range
    Unsupported,       // the device or line cannot do this (not an error for the caller)
    Aborted,           // the user aborted
};

class [[nodiscard]] Status {
  public:
    Status() = default;  // success
    Status(StatusCode code, std::string text = {}, int systemError = 0)
        : code_(code), text_(std::move(text)), systemError_(systemError) {}

    static Status Ok() { return Status(); }

    bool ok() const { return code_ == StatusCode::Ok; }
    StatusCode code() const { return code_; }
    // The system's or library's description of the failure; empty on success.
    const std::string& text() const { return text_; }
    // errno or the library's error number; 0 when there is none.
    int systemError() const { return systemError_; }

  private:
    StatusCode code_ = StatusCode::Ok;
    std::string text_;
    int systemError_ = 0;
};

}  // namespace vexa
