#pragma once

// Time-outs of the tests scale with TALVANE_TEST_TIME_FACTOR (default 1,
// held between 1 and 20), which slower builds such as the sanitizer run
// raise. Only time-outs scale: tests never wait for a fixed time.

#include <QtGlobal>

inline int test_time_factor()
{
    bool ok = false;
    const int factor = qEnvironmentVariableIntValue("TALVANE_TEST_TIME_FACTOR", &ok);
    if (!ok) {
        return 1;
    }
    return qBound(1, factor, 20);
}

inline int scaled_ms(int ms)
{
    return ms * test_time_factor();
}
