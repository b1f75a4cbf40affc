// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's window: the operator dialog in the middle, a menu bar (File, Edit,
// Unit, View, Help), a port chooser with Connect and Disconnect, and a status bar
// saying which port and unit the window talks to and how well.
// Other parts add their own actions to the menus through the accessors.

#include "link/link_types.h"
#include "status_messages.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

class QAction;
class QComboBox;
class QLabel;
class QMenu;

namespace velmora {

class CLinkController;
class CVelmoraDlg;
class IMessageBox;

class CMainWindow : public QMainWindow {
    Q_OBJECT
public:
    CMainWindow(CLinkController& link, IMessageBox* messages, QWidget* parent = nullptr);
    ~CMainWindow() override;

    CVelmoraDlg& dialog() const { return *m_dialog; }
    QMenu* fileMenu() const { return m_fileMenu; }
    QMenu* editMenu() const { return m_editMenu; }
    QMenu* unitMenu() const { return m_unitMenu; }
    QMenu* viewMenu() const { return m_viewMenu; }
    QMenu* helpMenu() const { return m_helpMenu; }

    QComboBox* portChooser() const { return m_ports; }
    QAction* connectAction() const { return m_connect; }
    QAction* disconnectAction() const { return m_disconnect; }
    // Status bar fields.
    QLabel* portField() const { return m_portField; }
    QLabel* versionField() const { return m_versionField; }
    QLabel* deviceTypeField() const { return m_typeField; }
    QLabel* stateField() const { return m_stateField; }
    QLabel* healthField() const { return m_healthField; }

    // The texts the chooser and status bar use (tests).
    static QString scanAllText();
    static QString healthText(const LinkHealthFigures& figures);
    static QString shortHealthText(const LinkHealthFigures& figures);

    // A line in the status bar (shortened to fit, whole in its tooltip) and in the
    // messages list.
    void showMessage(const QString& text);
    CMessageLog& messageLog() { return m_messages; }
    // View > Messages; Help > Velmora manual (F1).
    void showMessages();
    void showManual();
    QAction* messagesAction() const { return m_messagesAction; }
    QAction* manualAction() const { return m_manual; }
    QLabel* messageField() const { return m_messageField; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    // The dialog's map entries in File, Edit and Unit, then File > Quit.
    void addMapWork();
    void createStatusBar();
    void onStatus(const LinkStatus& status);
    void onPorts(const QList<PortEntry>& ports);
    void onHealth(const LinkHealthFigures& figures);
    static void showInSteadyWidth(QLabel* field, const QString& text);
    void choosePort(int index);
    // Enter in the chooser: a listed entry's text, or any path.
    void chooseTypedPort(const QString& text);
    QString describe(const QString& port) const;

    CLinkController& m_link;
    CVelmoraDlg* m_dialog = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_editMenu = nullptr;
    QMenu* m_unitMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QMenu* m_helpMenu = nullptr;
    QMenu* m_portMenu = nullptr;
    QComboBox* m_ports = nullptr;
    QAction* m_connect = nullptr;
    QAction* m_disconnect = nullptr;
    QLabel* m_portField = nullptr;
    QLabel* m_versionField = nullptr;
    QLabel* m_typeField = nullptr;
    QLabel* m_stateField = nullptr;
    QLabel* m_healthField = nullptr;
    QList<PortEntry> m_portList;
    CMessageLog m_messages;
    CElidedLabel* m_messageField = nullptr;
    QTimer m_messageTimer;
    QPointer<CMessagesDialog> m_messagesDialog;
    QPointer<QDialog> m_manualWindow;
    QAction* m_messagesAction = nullptr;
    QAction* m_manual = nullptr;
    bool m_poorLink = false;
    // Paths typed into the chooser, newest first, remembered between runs.
    QStringList m_typedPorts;
    static constexpr const char* kTypedPortsKey = "window/typedPorts";
    static constexpr int kTypedPortsKept = 8;
};

} // namespace velmora
