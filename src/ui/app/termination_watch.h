// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns the system's request to end the program (SIGTERM, SIGINT, SIGHUP on
// POSIX; console close on Windows) into a call on the window thread, so the
// window can stop the reading thread and close as if Zamknij had been pressed.

#include <QObject>

#include <functional>

namespace velmora {

class CTerminationWatch : public QObject {
public:
    // onRequest runs on the thread that made the watch. One watch at a time.
    explicit CTerminationWatch(std::function<void()> onRequest, QObject* parent = nullptr);
    ~CTerminationWatch() override;

    void requested();

private:
    struct Platform;
    Platform* m_platform = nullptr;
    std::function<void()> m_onRequest;
};

} // namespace velmora
