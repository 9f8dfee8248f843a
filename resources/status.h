// How a call outside the serial line reports a failure: a Status (ok, or a code and the
// reason for the user), or a Result<T> holding either the value or that Status. Line calls
// report a LineResult instead; outcomes that are not failures (a poll's outcome, an
// optional meaning "absent") keep their own types.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace dmm {

// What failed, grouped by the module that reports it. A code is there for callers that
// act differently on it; the reason text says the rest.
enum class StatusCode {
    Ok = 0,

    // Files (logger/data): systemError() holds the operating system's error number,
    // ECANCELED when the user stopped a read.
    FileFailed,

    // Serial ports (meterlink).
    PortNotOpened,   // no such port, or it could not be opened or configured
    PortNoTimeouts,  // the time-outs could not be read or written

    // The settings file (shell/rules).
    SettingsNotRead,
    SettingsNotSaved,

    // The meter's stored log (logger/import).
    LogRefused,       // the header describes no log the memory can hold, or the image is short
    TransferAborted,  // the user stopped the transfer
    TransferMissing,  // a byte did not arrive within the read time-out

    // The simulator's scenario files and options (tools/dmm-sim).
    InputInvalid,

    // Chart pictures and prints (logger/chart).
    ChartFailed,
    ChartCancelled,  // the user cancelled a print; no reason
};

class Status {
public:
    Status() = default;
    static Status Ok() { return {}; }
    // code is not Ok; systemError is the operating system's error number behind it, if any.
    static Status Fail(StatusCode code, std::string reason, int systemError = 0) {
        assert(code != StatusCode::Ok);
        Status s;
        s.code_ = code;
        s.reason_ = std::move(reason);
        s.systemError_ = systemError;
        return s;
    }

    bool ok() const { return code_ == StatusCode::Ok; }
    explicit operator bool() const { return ok(); }
    StatusCode code() const { return code_; }
    const std::string& reason() const { return reason_; }
    int systemError() const { return systemError_; }

private:
    StatusCode code_ = StatusCode::Ok;
    std::string reason_;
    int systemError_ = 0;
};

// A value, or the Status of the failure that left none.
template <class T>
class Result {
public:
    Result(T value) : value_(std::move(value)) {}           // NOLINT(google-explicit-constructor)
    Result(Status failure) : status_(std::move(failure)) {  // NOLINT(google-explicit-constructor)
        assert(!status_.ok());
    }

    bool ok() const { return value_.has_value(); }
    explicit operator bool() const { return ok(); }
    // Ok when there is a value.
    const Status& status() const { return status_; }
    StatusCode code() const { return status_.code(); }
    const std::string& reason() const { return status_.reason(); }

    // Only when ok().
    T& value() & { return *value_; }
    const T& value() const& { return *value_; }
    T&& value() && { return std::move(*value_); }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    T& operator*() & { return *value_; }
    const T& operator*() const& { return *value_; }
    T value_or(T otherwise) const& { return value_ ? *value_ : std::move(otherwise); }

private:
    std::optional<T> value_;
    Status status_;
};

}  // namespace dmm
