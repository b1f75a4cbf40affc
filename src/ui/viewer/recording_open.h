// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ways into the recording view: File > Open recording…, a file dropped on the
// window, a file named on the command line. Each reads the file behind a progress
// bar with Cancel and opens it in a window of its own; the live window and the unit
// carry on undisturbed.

#include "analysis/occupancy.h"
#include "analysis/recording.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QWidget;

namespace velmora {

class IMessageBox;
class CRecordingWindow;

struct ViewerContext {
    // The connected unit's axes; none while no unit is connected.
    std::function<std::optional<analysis::MapAxes>()> unitAxes;
    IMessageBox* messages = nullptr;
    // Where the axes chosen for each recording are remembered (an ini file); empty:
    // recording-axes.ini in the user's data folder.
    QString axesMemoryFile;
};

// Reads path with a progress bar (shown after a moment) and Cancel. Null after
// Cancel, or after an error, which has been said to box. A file cut short by the
// row limit opens with what fits, and says so.
std::unique_ptr<analysis::CRecording> loadRecordingWithProgress(QWidget* parent, const QString& path, IMessageBox* box);

// A new window on path; null when it could not be read.
CRecordingWindow* openRecording(QWidget* parent, const QString& path, const ViewerContext& context);

// File > Open recording…
QAction* createOpenRecordingAction(QWidget* window, const ViewerContext& context);
// .csv files dropped on window open as recordings.
void acceptRecordingDrops(QWidget* window, const ViewerContext& context);

// The file's reading problems for the user: "<file>\n<what>".
std::wstring recordingErrorText(const QString& path, const analysis::ReadSummary& summary, std::uint64_t bytes);

} // namespace velmora
