// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the link reports to the window: its state, messages for people, ports.

#include "acquisition/diag.h"
#include "device/device_state.h"
#include "device/port_problem.h"
#include "link_health.h"
#include "mapfile/unit_writer.h"

#include <QList>
#include <QMetaType>
#include <QString>

namespace velmora {

enum class LinkState {
    Disconnected, // no unit (none found yet, or the user disconnected)
    Connecting,   // an attempt runs on port (or a scan, port empty)
    Connected,    // port, version and device type are the unit's
    Programming,  // firmware is being written; nothing else talks to the unit
    Lost,         // the unit stopped answering on port; the link tries that port again
};

struct LinkStatus {
    LinkState state = LinkState::Disconnected;
    QString port;                // the port the state is about; empty while scanning all
    std::uint16_t version = 0;   // Connected only
    std::uint8_t deviceType = 0; // Connected only
    bool offersReadings = true;  // Connected only
    // Why the last attempt did not connect (Disconnected, Lost).
    PortProblem problem = PortProblem::None;
    bool unitSilent = false;  // the port opened but nothing answered
    bool inBootloader = false; // the unit answered from its bootloader: it needs its firmware
    friend bool operator==(const LinkStatus&, const LinkStatus&) = default;
};

// A message for the person at the desk: what failed and what to do (translated),
// and the technical detail for the box's Details.
struct LinkMessage {
    QString text;
    QString detail;
    unsigned style = 0x10; // MessageStyle
};

struct PortEntry {
    QString name;        // as the port is opened ("/dev/ttyUSB0", "COM3")
    QString description; // the adapter's description, empty when unknown
    friend bool operator==(const PortEntry&, const PortEntry&) = default;
};

QString linkStateText(const LinkStatus& status);

} // namespace velmora

Q_DECLARE_METATYPE(velmora::LinkStatus)
Q_DECLARE_METATYPE(velmora::LinkMessage)
Q_DECLARE_METATYPE(velmora::PortEntry)
Q_DECLARE_METATYPE(velmora::DeviceState)
Q_DECLARE_METATYPE(velmora::CDiag)
Q_DECLARE_METATYPE(velmora::TimedDiag)
Q_DECLARE_METATYPE(velmora::LinkHealthFigures)
Q_DECLARE_METATYPE(velmora::WriteResult)
