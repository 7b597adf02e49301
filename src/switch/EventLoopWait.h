// Waiting for an asynchronous operation of the switch layer from code that needs its result
// at once (tarvexctl, tests): starts it, then turns a nested event loop until the operation's
// one result signal has arrived. The program stays responsive meanwhile (timers, sockets and
// device notifications keep running), unlike a blocking call.
#pragma once

#include <QEventLoop>
#include <QObject>

namespace EventLoopWait {

// Connects to `signal` of `sender`, calls `start()`; when start() returns false the operation
// did not begin and `fallback` is the result. Otherwise the result is the signal's argument,
// which may already have come during start().
template <typename Result, typename Sender, typename Start>
Result until(Sender *sender, void (Sender::*signal)(const Result &), Start start, Result fallback)
{
    QEventLoop loop;
    bool done = false;
    Result result = std::move(fallback);
    const auto connection = QObject::connect(sender, signal, &loop, [&](const Result &value) {
        result = value;
        done = true;
        loop.quit();
    });
    if (start() && !done)
        loop.exec();
    QObject::disconnect(connection);
    return result;
}

} // namespace EventLoopWait
