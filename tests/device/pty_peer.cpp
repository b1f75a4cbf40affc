// SPDX-License-Identifier: GPL-3.0-or-later
#include "pty_peer.h"

namespace velmora::test {

PtyPeer::PtyPeer(Handler handler) : m_handler(std::move(handler)) {
    m_thread = std::thread([this] { run(); });
}

PtyPeer::~PtyPeer() {
    m_stop = true;
    m_thread.join();
}

void PtyPeer::setHandler(Handler handler) {
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

std::vector<Request> PtyPeer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void PtyPeer::run() {
    std::vector<std::uint8_t> in;
    while (!m_stop) {
        const auto bytes = m_pty.read(512, 10);
        in.insert(in.end(), bytes.begin(), bytes.end());
        for (;;) {
            std::size_t start = 0;
            while (start < in.size() && in[start] != frame::kSync1) ++start;
            in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(start));
            if (in.size() < 6) break;
            const std::size_t total = 6u + in[2];
            if (in[1] != frame::kSync2 || in[2] < 2) {
                in.erase(in.begin());
                continue;
            }
            if (in.size() < total) break;
            Request r;
            r.raw.assign(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(total));
            in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(total));
            r.type = r.raw[3];
            r.key = static_cast<std::uint16_t>(r.raw[4] << 8 | r.raw[5]);
            r.payload.assign(r.raw.begin() + 6, r.raw.end() - 2);
            frame::descramble(r.payload, r.key);
            const auto sent = static_cast<std::uint16_t>(r.raw[total - 2] << 8 | r.raw[total - 1]);
            r.checksumOk = frame::checksum(r.payload, r.key, r.type, r.raw[2]) == sent;
            Handler handler;
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(r);
                handler = m_handler;
            }
            if (handler) handler(r, *this);
        }
    }
}

} // namespace velmora::test
