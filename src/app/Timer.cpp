#include "app/Timer.h"

#include "app/ErrorReporting.h"
#include "text/Exception.h"

namespace tessaro {

TTimer::TTimer()
{
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
}

void TTimer::SetEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    Rearm();
}

void TTimer::SetInterval(int milliseconds)
{
    if (milliseconds == interval_)
        return;
    interval_ = milliseconds;
    Rearm();
}

void TTimer::SetOnTimer(std::function<void()> onTimer)
{
    onTimer_ = std::move(onTimer);
    Rearm();
}

void TTimer::Rearm()
{
    timer_.stop();
    if (interval_ == 0 || !enabled_ || !onTimer_)
        return;
    timer_.start(interval_);
    if (!timer_.isActive())
        throw EOutOfResources("タイマーを取得できません");
}

void TTimer::Tick()
{
    if (ticking_ || ErrorBoxOpen())
        return;
    ticking_ = true;
    Guarded(onTimer_);
    ticking_ = false;
}

}  // namespace tessaro
