#pragma once

namespace wirelark {

// When a process that records the rate history saves it, and how many of the latest samples its
// items carry. The tray app and `wirelark-cli watch --record` keep the same schedule; both also
// save once more when they end.
class RecordingSchedule {
public:
    static constexpr double kSavePeriod = 600; // seconds
    static constexpr int kRecentCount = 60;

    // `start` and every later time are monotonic seconds.
    explicit RecordingSchedule(double start) : lastSave_(start) {}

    bool isSaveDue(double now) const { return now - lastSave_ >= kSavePeriod; }
    void markSaved(double now) { lastSave_ = now; }
    double lastSave() const { return lastSave_; }

private:
    double lastSave_;
};

} // namespace wirelark
