// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_actions.h"

#include "backup_keeper.h"
#include "backups_dialog.h"
#include "compare_dialog.h"

#include "lang/translate.h"
#include "mapfile/backup_store.h"
#include "mapfile/map_csv.h"
#include "mapfile/map_edit.h"
#include "mapfile/paste_text.h"
#include "ui/map/model/number_text.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeySequence>
#include <QMenu>
#include <QSettings>
#include <QUndoStack>
#include <QWidget>

#include <filesystem>

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
        // Named, not QKeySequence::SaveAs: that one is empty on plain X11 and on Windows.
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
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
    // After the stack's own enabling of Undo and Redo, so a unit that cannot take
    // writes keeps them off.
    connect(&stack, &QUndoStack::canUndoChanged, this, &CMapActions::updateEnabled);
    connect(&stack, &QUndoStack::canRedoChanged, this, &CMapActions::updateEnabled);
}

void CMapActions::setWritable(bool writable)
{
    m_writable = writable;
    updateEnabled();
}

void CMapActions::updateEnabled()
{
    QUndoStack& stack = m_edits.stack();
    m_actions[kUndo]->setEnabled(m_writable && stack.canUndo());
    m_actions[kRedo]->setEnabled(m_writable && stack.canRedo());
    for (Id id : {kPaste, kSetValue, kAddValue, kScaleValue, kInterpolateRows,
                  kInterpolateColumns, kInterpolateBoth, kClearMap})
        m_actions[id]->setEnabled(m_writable);
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

namespace velmora {

namespace {

mapfile::CellRect rectOf(const CellBlock& b)
{
    return {b.r0, b.c0, b.r1 - b.r0 + 1, b.c1 - b.c0 + 1};
}

// Where a text stopped making sense, with the line and field in the user's language
// and the detail as the reader gave it.
std::wstring placeOf(const mapfile::TextError& error)
{
    QString where = error.column > 0
        ? qs(translate(L"Wiersz %1, pole %2:")).arg(error.line).arg(error.column)
        : qs(translate(L"Wiersz %1:")).arg(error.line);
    return (where + QLatin1Char(' ') + QString::fromStdString(error.message)).toStdWString();
}

} // namespace

int CMapActions::run(QDialog& dialog)
{
    return m_dialogRunner ? m_dialogRunner(dialog) : dialog.exec();
}

void CMapActions::copy()
{
    const CellBlock area = m_map.selection();
    if (area.empty()) {
        say(translate(L"Najpierw zaznacz komórki mapy (kliknij i przeciągnij)."), MB_INFO);
        return;
    }
    const std::string text =
        mapfile::formatPasteText(mapfile::copyBlock(m_edits.document().map(), rectOf(area)));
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

void CMapActions::paste()
{
    CellBlock area;
    if (!selectionOrSay(area))
        return;
    const QByteArray text = QApplication::clipboard()->text().toUtf8();
    mapfile::ValueBlock block;
    if (const auto error = mapfile::parsePasteText(std::string_view(text.constData(),
                                                                    static_cast<std::size_t>(text.size())),
                                                   block)) {
        say(translate(L"Wklejony tekst odrzucono w całości; nic nie zmieniono.") + L"\n"
                + placeOf(*error),
            MB_ERROR);
        return;
    }
    applyEdit(mapfile::pasteBlock(m_edits.document().map(), area.r0, area.c0, block, rectOf(area)),
              MapEdit::Paste, area);
}

void CMapActions::applyEdit(const mapfile::EditResult& result, MapEdit what, CellBlock area)
{
    if (!result.ok()) {
        say(translate(L"Zmiany odrzucono w całości; nic nie zmieniono.") + L"\n"
                + QString::fromStdString(result.reason).toStdWString(),
            MB_ERROR);
        return;
    }
    // What a paste changed may reach beyond the selection (a block larger than it).
    CellBlock changed = area;
    const MapValues& before = m_edits.document().map();
    for (int r = 0; r < kVoltRows; ++r)
        for (int c = 0; c < kRpmCols; ++c)
            if ((*result.map)[r][c] != before[r][c]) {
                changed.c0 = std::min(changed.c0, c);
                changed.r0 = std::min(changed.r0, r);
                changed.c1 = std::max(changed.c1, c);
                changed.r1 = std::max(changed.r1, r);
            }
    m_edits.changeMap(*result.map, what, changed);
}

std::optional<double> CMapActions::askNumber(const std::optional<QString>& given,
                                             const std::wstring& title, const std::wstring& label)
{
    const std::optional<QString> text = given ? given : ask(qs(title), qs(label));
    if (!text)
        return std::nullopt;
    const std::optional<double> number = parseTypedNumber(text->toStdWString());
    if (!number)
        say(translate(L"To nie jest liczba. Wpisz na przykład 1,25."), MB_ERROR);
    return number;
}

void CMapActions::numberEdit(const std::optional<QString>& operand, const std::wstring& title,
                             const std::wstring& label, NumberEdit edit, MapEdit what)
{
    CellBlock area;
    if (!selectionOrSay(area))
        return;
    if (const auto v = askNumber(operand, title, label))
        applyEdit(edit(m_edits.document().map(), rectOf(area), *v), what, area);
}

void CMapActions::setValue(std::optional<QString> operand)
{
    numberEdit(operand, translate(L"Ustaw wartość"),
               translate(L"Wartość dla zaznaczonych komórek (0,00–5,10):"), &mapfile::setValue,
               MapEdit::Set);
}

void CMapActions::addValue(std::optional<QString> operand)
{
    numberEdit(operand, translate(L"Dodaj do wartości"),
               translate(L"Liczba dodawana do zaznaczonych komórek (ujemna odejmuje):"),
               &mapfile::addValue, MapEdit::Add);
}

void CMapActions::scaleValue(std::optional<QString> operand)
{
    numberEdit(operand, translate(L"Skaluj o %"),
               translate(L"Zmiana zaznaczonych komórek w procentach (np. 10 lub -5):"),
               &mapfile::scaleByPercent, MapEdit::Scale);
}

void CMapActions::interpolate(Across across)
{
    CellBlock area;
    if (!selectionOrSay(area))
        return;
    const CMapDocument& d = m_edits.document();
    const mapfile::CellRect rect = rectOf(area);
    switch (across) {
    case Across::Rows:
        applyEdit(mapfile::interpolateColumns(d.map(), rect, d.rpm()), MapEdit::Interpolate, area);
        break;
    case Across::Columns:
        applyEdit(mapfile::interpolateRows(d.map(), rect, d.volts()), MapEdit::Interpolate, area);
        break;
    case Across::Both:
        applyEdit(mapfile::interpolateBoth(d.map(), rect, d.volts(), d.rpm()), MapEdit::Interpolate,
                  area);
        break;
    }
}

QString CMapActions::chooseFile(bool save)
{
    if (m_fileChooser)
        return m_fileChooser(save);
    const QString filter = qs(translate(L"Mapy CSV (*.csv);;Wszystkie pliki (*)"));
    const QString start = recentFiles().value(0);
    return save ? QFileDialog::getSaveFileName(m_window, qs(translate(L"Zapisz mapę jako")), start, filter)
                : QFileDialog::getOpenFileName(m_window, qs(translate(L"Otwórz mapę")), start, filter);
}

void CMapActions::openMap(QString path)
{
    if (path.isEmpty())
        path = chooseFile(false);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        say(translate(L"Nie można otworzyć pliku mapy.") + L"\n" + path.toStdWString() + L"\n"
                + file.errorString().toStdWString(),
            MB_ERROR);
        return;
    }
    // A map is a few kilobytes; anything far larger is not one.
    const QByteArray bytes = file.read(1024 * 1024);
    mapfile::MapTable table;
    if (const auto error = mapfile::readMapCsv(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), table)) {
        say(translate(L"Pliku mapy nie wczytano; do urządzenia nic nie wysłano.") + L"\n"
                + path.toStdWString() + L"\n" + placeOf(*error),
            MB_ERROR);
        return;
    }
    addRecent(path);
    UnitContent fromFile = m_edits.document().content();
    fromFile.map = table.map;
    fromFile.volts = table.voltAxis;
    fromFile.rpm = table.rpmAxis;
    compareAndWrite(fromFile, mapfile::CompareScope::MapAndAxes, QFileInfo(path).fileName());
}

void CMapActions::compareAndWrite(const UnitContent& other, mapfile::CompareScope scope,
                                  const QString& name)
{
    CCompareDialog dialog(m_edits.document().content(), other, scope, name, m_edits.canWrite(),
                          m_messages, m_window);
    if (run(dialog) != QDialog::Accepted || !m_edits.canWrite())
        return;
    if (m_backups)
        m_backups->beforeChange(m_edits.document().content(), CBackupKeeper::kBeforeFileWrite);
    m_edits.changeContent(dialog.target(), mapEditName(MapEdit::File));
}

bool CMapActions::saveMapAs(QString path)
{
    if (path.isEmpty())
        path = chooseFile(true);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    const CMapDocument& d = m_edits.document();
    mapfile::MapTable table;
    table.map = d.map();
    table.voltAxis = d.volts();
    table.rpmAxis = d.rpm();
    std::string error;
    if (!mapfile::writeFileAtomically(std::filesystem::path(path.toStdU16String()),
                                      mapfile::writeMapCsv(table), error)) {
        say(translate(L"Nie udało się zapisać pliku mapy.") + L"\n"
                + QString::fromStdString(error).toStdWString(),
            MB_ERROR);
        return false;
    }
    addRecent(path);
    return true;
}

void CMapActions::showBackups()
{
    if (!m_backups)
        return;
    const std::vector<CBackupKeeper::Entry> entries = m_backups->list();
    CBackupsDialog dialog(entries, m_edits.document().content(), m_backups->folder(), m_window);
    if (run(dialog) != QDialog::Accepted || dialog.chosen() < 0
        || dialog.chosen() >= static_cast<int>(entries.size()))
        return;
    const CBackupKeeper::Entry& e = entries[static_cast<std::size_t>(dialog.chosen())];
    compareAndWrite(e.content, mapfile::CompareScope::SettingsMapAndAxes,
                    e.when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

} // namespace velmora
