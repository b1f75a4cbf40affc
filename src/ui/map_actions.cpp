#include "map_actions.h"

#include "backup_keeper.h"

#include "lang/translate.h"
#include "ui/map/model/number_text.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeySequence>
#include <QMenu>
#include <QSettings>
#include <QUndoStack>
#include <QWidget>

namespace velmora {

namespace {

QString qs(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

const char* const kRecentKey = "map/recentFiles";
constexpr int kRecentCount = 6;

} // namespace

CMapActions::CMapActions(CMapEmu1& map, CUnitEdits& edits, CBackupKeeper* backups,
                         QWidget* window, IMessageBox* messages, QObject* parent)
    : QObject(parent), m_map(map), m_edits(edits), m_backups(backups), m_window(window),
      m_messages(messages)
{
    QUndoStack& stack = m_edits.stack();
    m_actions[kUndo] = stack.createUndoAction(this, qs(translate(L"&Cofnij")));
    m_actions[kUndo]->setShortcut(QKeySequence::Undo);
    m_actions[kUndo]->setToolTip(qs(translate(L"Cofa ostatnią zmianę zapisaną do urządzenia")));
    m_actions[kRedo] = stack.createRedoAction(this, qs(translate(L"&Ponów")));
    // Ctrl+Shift+Z where the platform says so, and Ctrl+Y everywhere.
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    if (!redoKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_Y)))
        redoKeys.append(QKeySequence(Qt::CTRL | Qt::Key_Y));
    if (!redoKeys.contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)))
        redoKeys.append(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    m_actions[kRedo]->setShortcuts(redoKeys);
    m_actions[kRedo]->setToolTip(qs(translate(L"Zapisuje ponownie cofniętą zmianę")));

    make(kOpenMap, translate(L"&Otwórz mapę…"),
         translate(L"Czyta plik mapy i pokazuje go obok mapy urządzenia; nic nie wysyła"))
        ->setShortcut(QKeySequence::Open);
    make(kSaveMapAs, translate(L"Zapisz mapę &jako…"),
         translate(L"Zapisuje mapę i osie urządzenia do pliku CSV"))
        ->setShortcut(QKeySequence::SaveAs);
    make(kCopy, translate(L"&Kopiuj"),
         translate(L"Kopiuje zaznaczone komórki jako tekst z tabulatorami (do arkusza)"))
        ->setShortcut(QKeySequence::Copy);
    make(kPaste, translate(L"&Wklej"),
         translate(L"Wkleja prostokąt liczb od zaznaczonej komórki"))
        ->setShortcut(QKeySequence::Paste);
    make(kSetValue, translate(L"&Ustaw wartość…"),
         translate(L"Wpisuje jedną wartość do wszystkich zaznaczonych komórek"));
    make(kAddValue, translate(L"&Dodaj…"),
         translate(L"Dodaje liczbę (także ujemną) do zaznaczonych komórek"));
    make(kScaleValue, translate(L"&Skaluj o %…"),
         translate(L"Zmienia zaznaczone komórki o podany procent"));
    make(kInterpolateRows, translate(L"Interpoluj w &wierszach"),
         translate(L"Wartości między pierwszą a ostatnią kolumną zaznaczenia, wiersz po wierszu"));
    make(kInterpolateColumns, translate(L"Interpoluj w &kolumnach"),
         translate(L"Wartości między pierwszym a ostatnim wierszem zaznaczenia, kolumna po kolumnie"));
    make(kInterpolateBoth, translate(L"Interpoluj w &obu kierunkach"),
         translate(L"Wartości z czterech narożników zaznaczenia"));
    make(kClearMap, translate(L"&Kasuj mapę…"),
         translate(L"Zeruje całą mapę korekcji w urządzeniu (po pytaniu; można cofnąć)"));
    make(kBackups, translate(L"&Kopie zapasowe…"),
         translate(L"Kopie zapasowe zapisane przy połączeniach; przywraca wybraną"));

    connect(m_actions[kOpenMap], &QAction::triggered, this, [this] { openMap(); });
    connect(m_actions[kSaveMapAs], &QAction::triggered, this, [this] { saveMapAs(); });
    connect(m_actions[kCopy], &QAction::triggered, this, &CMapActions::copy);
    connect(m_actions[kPaste], &QAction::triggered, this, &CMapActions::paste);
    connect(m_actions[kSetValue], &QAction::triggered, this, [this] { setValue(); });
    connect(m_actions[kAddValue], &QAction::triggered, this, [this] { addValue(); });
    connect(m_actions[kScaleValue], &QAction::triggered, this, [this] { scaleValue(); });
    connect(m_actions[kInterpolateRows], &QAction::triggered, this,
            [this] { interpolate(Across::Rows); });
    connect(m_actions[kInterpolateColumns], &QAction::triggered, this,
            [this] { interpolate(Across::Columns); });
    connect(m_actions[kInterpolateBoth], &QAction::triggered, this,
            [this] { interpolate(Across::Both); });
    connect(m_actions[kClearMap], &QAction::triggered, this, &CMapActions::clearMap);
    connect(m_actions[kBackups], &QAction::triggered, this, &CMapActions::showBackups);
}

QAction* CMapActions::make(Id id, const std::wstring& text, const std::wstring& tip)
{
    auto* action = new QAction(qs(text), this);
    action->setToolTip(qs(tip));
    action->setStatusTip(qs(tip));
    m_actions[id] = action;
    return action;
}

void CMapActions::populate(QMenu* file, QMenu* edit, QMenu* unit)
{
    if (file) {
        file->setToolTipsVisible(true);
        file->addAction(m_actions[kOpenMap]);
        file->addAction(m_actions[kSaveMapAs]);
        QMenu* recent = file->addMenu(qs(translate(L"Ostatnie &pliki")));
        fillRecentMenu(recent);
        connect(file, &QMenu::aboutToShow, recent, [this, recent] { fillRecentMenu(recent); });
    }
    if (edit) {
        edit->setToolTipsVisible(true);
        edit->addAction(m_actions[kUndo]);
        edit->addAction(m_actions[kRedo]);
        edit->addSeparator();
        edit->addAction(m_actions[kCopy]);
        edit->addAction(m_actions[kPaste]);
        edit->addSeparator();
        edit->addAction(m_actions[kSetValue]);
        edit->addAction(m_actions[kAddValue]);
        edit->addAction(m_actions[kScaleValue]);
        QMenu* across = edit->addMenu(qs(translate(L"&Interpoluj")));
        across->setToolTipsVisible(true);
        across->addAction(m_actions[kInterpolateRows]);
        across->addAction(m_actions[kInterpolateColumns]);
        across->addAction(m_actions[kInterpolateBoth]);
    }
    if (unit) {
        unit->setToolTipsVisible(true);
        unit->addAction(m_actions[kClearMap]);
        unit->addAction(m_actions[kBackups]);
    }
}

void CMapActions::addShortcutsTo(QWidget* widget)
{
    for (QAction* action : m_actions)
        if (action && !action->shortcut().isEmpty())
            widget->addAction(action);
}

void CMapActions::say(const std::wstring& text, unsigned style)
{
    reportMessage(m_messages, text, kCaption, style);
}

std::optional<QString> CMapActions::ask(const QString& title, const QString& label)
{
    if (m_asker)
        return m_asker(title, label);
    bool ok = false;
    const QString text = QInputDialog::getText(m_window, title, label, QLineEdit::Normal, {}, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

bool CMapActions::selectionOrSay(CellBlock& area)
{
    area = m_map.selection();
    if (area.empty()) {
        say(translate(L"Najpierw zaznacz komórki mapy (kliknij i przeciągnij)."), MB_INFO);
        return false;
    }
    if (!m_edits.canWrite()) {
        say(translate(L"Brak połączenia z urządzeniem."), MB_ERROR);
        return false;
    }
    return true;
}

void CMapActions::clearMap()
{
    if (!m_edits.canWrite())
        return;
    if (reportMessage(m_messages, translate(L"Wyzerować całą mapę korekcji w urządzeniu?"),
                      kCaption, MB_YESNO_DEFNO) != ID_YES)
        return;
    if (m_backups)
        m_backups->beforeChange(m_edits.document().content(), CBackupKeeper::kBeforeClear);
    m_edits.clearMap();
}

QStringList CMapActions::recentFiles() const
{
    return QSettings().value(kRecentKey).toStringList();
}

void CMapActions::addRecent(const QString& path)
{
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kRecentCount)
        files.removeLast();
    QSettings().setValue(kRecentKey, files);
}

void CMapActions::fillRecentMenu(QMenu* menu)
{
    menu->clear();
    const QStringList files = recentFiles();
    menu->setEnabled(!files.isEmpty());
    for (const QString& path : files)
        menu->addAction(path, this, [this, path] { openMap(path); });
}

} // namespace velmora

// PENDING-MAPFILE
namespace velmora {
void CMapActions::copy() {}
void CMapActions::paste() {}
void CMapActions::setValue(std::optional<QString>) {}
void CMapActions::addValue(std::optional<QString>) {}
void CMapActions::scaleValue(std::optional<QString>) {}
void CMapActions::interpolate(Across) {}
void CMapActions::openMap(QString) {}
bool CMapActions::saveMapAs(QString) { return false; }
void CMapActions::showBackups() {}
void CMapActions::updateEnabled() {}
} // namespace velmora
