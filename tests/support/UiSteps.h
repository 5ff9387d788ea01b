#pragma once
// Steps a windows' test takes inside a modal loop: an action that waits, polling the event
// loop, until the window it is meant for is there (a dialog shown by exec(), a job that has
// got far enough), and then runs once.
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace tl::test {

/** Runs @p action once @p ready holds; fails the test when it does not within 20 s. The
 *  wait ends with @p context (a window of the test's application), so that nothing is left
 *  polling after the test, or when the returned timer is deleted. */
inline QTimer* whenTrue(QObject* context, std::function<bool()> ready,
                        std::function<void()> action) {
    auto* timer = new QTimer(context);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout,
                     [timer, deadline, ready = std::move(ready), action = std::move(action)] {
                         if (ready()) {
                             timer->stop();
                             timer->deleteLater();
                             action();
                         } else if (std::chrono::steady_clock::now() > deadline) {
                             timer->stop();
                             timer->deleteLater();
                             ADD_FAILURE() << "the awaited window or state never came";
                         }
                     });
    timer->start();
    return timer;
}

/** Runs @p action once @p window is shown. */
inline QTimer* whenVisible(QWidget* window, std::function<void()> action) {
    return whenTrue(
        window, [window] { return window->isVisible(); }, std::move(action));
}

} // namespace tl::test
