// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One-key recording of live readings to a CSV file (see CReadingsRecorder for the
// file). Owns the toggle action (Ctrl+R), a button for the window and a status
// widget; the link's owner feeds it through the slots below.
//
// While recording the status widget shows the file name, the sample count and the
// elapsed time (refreshed once a second, not per sample); after a stop it shows an
// "Open folder" link. A failure stops the recording and says why in the user's
// language; what was written stays in the file.

#include "acquisition/diag.h"
#include "acquisition/readings_recorder.h"

#include <QObject>
#include <QString>
#include <QTimer>

class QAction;
class QLabel;
class QPushButton;
class QWidget;

namespace velmora {

class IMessageBox;

class CRecordingControl : public QObject {
    Q_OBJECT
public:
    // window: parent of the action, the button and the status widget. box: where a
    // failure is reported (none: only the status widget says it).
    CRecordingControl(QWidget* window, IMessageBox* box);
    ~CRecordingControl() override;

    // Documents/Velmora, where the recordings go unless setFolder says otherwise.
    static QString defaultFolder();
    void setFolder(const QString& folder) { m_folder = folder; }
    QString folder() const { return m_folder; }

    // Checkable, Ctrl+R, "Zapisuj odczyty": for the File menu.
    QAction* toggleAction() const { return m_action; }
    // A checkable button bound to the same action, for the window's button row.
    QPushButton* createButton(QWidget* parent) const;
    // File name, samples and time while recording; the "Open folder" link after.
    QLabel* statusWidget() const { return m_status; }

    bool isRecording() const { return m_recorder.recording(); }
    const CReadingsRecorder& recorder() const { return m_recorder; }
    // Texts follow the language chosen at run time.
    void retranslate();

public slots:
    void start();
    void stop();
    void toggle();
    // Every sample read from the unit, in order, with the time it arrived.
    void addSample(const velmora::TimedDiag& sample);
    // The link is gone: one marker row in the file; recording goes on.
    void linkLost();
    // The link is back, perhaps on another port; rows go on in the same file.
    void linkRestored(const QString& port);
    // Port written with each row.
    void setPort(const QString& port);

signals:
    void recordingChanged(bool recording);
    // After a failure, with the text shown to the user.
    void failed(const QString& message);

private:
    void reportFailure();
    void showStatus();

    CReadingsRecorder m_recorder;
    IMessageBox* m_box;
    QWidget* m_window;
    QAction* m_action;
    QLabel* m_status;
    QTimer m_clock;
    QString m_folder;
    QString m_port;
};

// "12 s", "01:02:03": elapsed time as the status widget shows it.
QString elapsedText(std::chrono::milliseconds elapsed);

} // namespace velmora
