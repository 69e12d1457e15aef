#pragma once
// A tick timer on the user-interface thread. Changing Enabled or Interval to a
// different value, or setting OnTimer, re-arms it at once. Each tick runs
// OnTimer guarded: an error is reported and the timer stays enabled. A tick
// never starts while another is running, and ticks that fall due while an
// error box is open are dropped, so a run whose ticks keep failing shows one
// box at a time.

#include <QTimer>
#include <functional>

namespace tessaro {

class TTimer {
public:
    TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    bool Enabled() const { return enabled_; }
    // Raises EOutOfResources when the timer cannot be started.
    void SetEnabled(bool enabled);
    int Interval() const { return interval_; }
    void SetInterval(int milliseconds);
    void SetOnTimer(std::function<void()> onTimer);

    // True while OnTimer runs (including an error box it opened).
    bool Ticking() const { return ticking_; }
    // The Qt timer behind it.
    const QTimer& Timer() const { return timer_; }

private:
    void Rearm();
    void Tick();

    QTimer timer_;
    bool enabled_ = true;
    int interval_ = 1000;
    bool ticking_ = false;
    std::function<void()> onTimer_;
};

}  // namespace tessaro
