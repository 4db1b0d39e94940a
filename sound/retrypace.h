#pragma once

#include <QElapsedTimer>

// The one rule for what can fail before sound starts (loading the engine
// module, starting SDL's audio, opening the device): after a failure the next
// try comes no sooner than a second later, so that a run of list clicks does
// not search the disk or probe the sound drivers at each one, and says its
// failure once per try.
class RetryPace
{
public:
    // Whether a try may be made now; counts it as made.
    bool mayTry()
    {
        if (m_sinceFailure.isValid() && !m_sinceFailure.hasExpired(IntervalMs))
            return false;
        m_sinceFailure.invalidate();
        return true;
    }
    void failed() { m_sinceFailure.start(); }

private:
    static constexpr qint64 IntervalMs = 1000;
    // Since the last failure; invalid when the last try did not fail.
    QElapsedTimer m_sinceFailure;
};
