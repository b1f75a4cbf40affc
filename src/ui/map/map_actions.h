// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The menu entries of map work: files, undo and redo, the clipboard, bulk edits of
// the selection, Clear and the backups. The main window's menus hold them:
//   actions.populate(fileMenu, editMenu, unitMenu);
// Each entry has its tooltip and, where there is one, the platform's standard key.

#include "ui/map/map_commands.h"
#include "ui/map/model/map_emu1.h"

#include "mapfile/map_edit.h"
#include "mapfile/snapshot.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

class QAction;
class QDialog;
class QMenu;
class QWidget;

namespace velmora {

class CBackupKeeper;

class CMapActions : public QObject {
    Q_OBJECT
public:
    enum Id {
        kOpenMap, kSaveMapAs, kUndo, kRedo, kCopy, kPaste, kSetValue, kAddValue, kScaleValue,
        kInterpolateRows, kInterpolateColumns, kInterpolateBoth, kClearMap, kBackups, kIdCount
    };
    // How the selection's values are interpolated.
    enum class Across { Rows, Columns, Both };

    // window owns the dialogs; backups may be null (nothing is kept).
    CMapActions(CMapEmu1& map, CUnitEdits& edits, CBackupKeeper* backups, QWidget* window,
                IMessageBox* messages, QObject* parent = nullptr);

    void populate(QMenu* file, QMenu* edit, QMenu* unit);
    QAction* action(Id id) const { return m_actions[id]; }
    // Entries that change the unit (undo and redo, paste, bulk edits, Clear) are
    // enabled only while it can take writes; the window follows the link with this.
    void setWritable(bool writable);
    bool writable() const { return m_writable; }

    // Asks one question for text (bulk edit operands); tests answer it themselves.
    using Asker = std::function<std::optional<QString>(const QString& title, const QString& label)>;
    void setAsker(Asker asker) { m_asker = std::move(asker); }
    // Chooses a file to open (save false) or to save; empty: cancelled.
    using FileChooser = std::function<QString(bool save)>;
    void setFileChooser(FileChooser chooser) { m_fileChooser = std::move(chooser); }
    // Runs the compare and backup dialogs (exec by default); tests and screenshots
    // look at them and answer instead.
    using DialogRunner = std::function<int(QDialog&)>;
    void setDialogRunner(DialogRunner runner) { m_dialogRunner = std::move(runner); }

    // "Zero the whole correction map on the unit?", No preselected; a backup first.
    void clearMap();
    void copy();
    void paste();
    // Bulk edits of the selection with the operand asked for (or given).
    void setValue(std::optional<QString> operand = std::nullopt);
    void addValue(std::optional<QString> operand = std::nullopt);
    void scaleValue(std::optional<QString> operand = std::nullopt);
    void interpolate(Across across);
    // Reads a map file (chooser when path is empty) and shows it against the unit.
    void openMap(QString path = {});
    // Writes the unit's map and axes (chooser when path is empty).
    bool saveMapAs(QString path = {});
    void showBackups();

    QStringList recentFiles() const;

private:
    QAction* make(Id id, const std::wstring& text, const std::wstring& tip);
    int run(QDialog& dialog);
    QString chooseFile(bool save);
    void applyEdit(const mapfile::EditResult& result, MapEdit what, CellBlock area);
    // Set value, Add and Scale: one number asked for (or given), applied to the selection.
    using NumberEdit = mapfile::EditResult (*)(const MapValues&, const mapfile::CellRect&, double);
    void numberEdit(const std::optional<QString>& operand, const std::wstring& title,
                    const std::wstring& label, NumberEdit edit, MapEdit what);
    std::optional<double> askNumber(const std::optional<QString>& given, const std::wstring& title,
                                    const std::wstring& label);
    // The compare view of other against the unit; on "Write to unit" a backup and
    // one undo step.
    void compareAndWrite(const UnitContent& other, mapfile::CompareScope scope, const QString& name);
    void addRecent(const QString& path);
    void fillRecentMenu(QMenu* menu);
    bool selectionOrSay(CellBlock& area);
    std::optional<QString> ask(const QString& title, const QString& label);
    void say(const std::wstring& text, unsigned style);
    void updateEnabled();

    CMapEmu1& m_map;
    CUnitEdits& m_edits;
    CBackupKeeper* m_backups;
    QWidget* m_window;
    IMessageBox* m_messages;
    QAction* m_actions[kIdCount] = {};
    Asker m_asker;
    FileChooser m_fileChooser;
    DialogRunner m_dialogRunner;
    bool m_writable = true;
};

} // namespace velmora
