// SPDX-License-Identifier: GPL-3.0-or-later
#include "map_commands.h"

#include "lang/translate.h"

#include <QPointer>
#include <QTimer>

#include <memory>

namespace velmora {

namespace {

enum : int { kStepId = 1501, kSettingId = 1502 };

QString qs(const std::wstring& text)
{
    return QString::fromStdWString(text);
}

unsigned partsBetween(const UnitContent& a, const UnitContent& b)
{
    unsigned parts = 0;
    if (a.map != b.map)
        parts |= CMapDocument::kMap;
    if (a.volts != b.volts || a.rpm != b.rpm)
        parts |= CMapDocument::kAxes;
    if (a.settings != b.settings)
        parts |= CMapDocument::kSettings;
    return parts;
}

} // namespace

QString mapEditName(MapEdit what)
{
    switch (what) {
    case MapEdit::Step: return qs(translate(L"Krok wartości mapy"));
    case MapEdit::Type: return qs(translate(L"Wpisana wartość"));
    case MapEdit::Set: return qs(translate(L"Ustaw wartość"));
    case MapEdit::Add: return qs(translate(L"Dodaj do wartości"));
    case MapEdit::Scale: return qs(translate(L"Skaluj o %"));
    case MapEdit::Interpolate: return qs(translate(L"Interpoluj"));
    case MapEdit::Paste: return qs(translate(L"Wklej"));
    case MapEdit::Clear: return qs(translate(L"Kasuj mapę"));
    case MapEdit::File: return qs(translate(L"Zapis pliku do urządzenia"));
    }
    return {};
}

// ---- CUnitCommand ----

CUnitCommand::CUnitCommand(CUnitEdits& edits, UnitContent before, UnitContent after, Kind kind,
                           const QString& text)
    : QUndoCommand(text), m_edits(edits), m_before(std::move(before)), m_after(std::move(after)),
      m_kind(kind), m_serial(edits.nextSerial())
{
}

void CUnitCommand::redo()
{
    apply(m_after, false);
}

void CUnitCommand::undo()
{
    apply(m_before, true);
}

int CUnitCommand::id() const
{
    if (m_mergeKey < 0)
        return -1;
    return m_kind == kSettingsKind ? kSettingId : kStepId;
}

bool CUnitCommand::mergeWith(const QUndoCommand* other)
{
    const auto* next = dynamic_cast<const CUnitCommand*>(other);
    if (!next || next->id() != id() || next->m_mergeKey != m_mergeKey || next->m_before != m_after)
        return false;
    m_after = next->m_after;
    // A failure report for the folded write must find this entry.
    m_serial = next->m_serial;
    // Steps that came back to where they started leave nothing to undo.
    if (m_after == m_before)
        setObsolete(true);
    return true;
}

void CUnitCommand::apply(const UnitContent& target, bool undoing)
{
    const unsigned parts = partsBetween(m_before, m_after);
    CMapDocument& document = m_edits.document();
    UnitContent content = document.content();
    if (parts & CMapDocument::kMap)
        content.map = target.map;
    if (parts & CMapDocument::kAxes) {
        content.volts = target.volts;
        content.rpm = target.rpm;
    }
    if (parts & CMapDocument::kSettings)
        content.settings = target.settings;
    document.setContent(content);

    IUnitWriter* writer = m_edits.writer();
    if (m_quiet || !writer)
        return;

    // One report per entry, however many of its writes fail.
    auto reported = std::make_shared<bool>(false);
    QPointer<CUnitEdits> edits(&m_edits);
    const int serial = m_serial;
    const WriteDone done = [edits, reported, serial, undoing](const WriteResult& result) {
        if (!edits)
            return;
        if (!result.ok && !*reported) {
            *reported = true;
            edits->written(serial, undoing, result);
        }
        edits->writeEnded();
    };
    if (parts & CMapDocument::kAxes) {
        m_edits.writeStarted();
        writer->writeAxes(content.volts, content.rpm, done);
    }
    if (parts & CMapDocument::kMap) {
        m_edits.writeStarted();
        if (m_kind == kClearKind && !undoing)
            writer->clearMap(done);
        else
            writer->writeMap(content.map, done);
    }
    if (parts & CMapDocument::kSettings) {
        m_edits.writeStarted();
        writer->writeSettings(content.settings, done);
    }
}

// ---- CUnitEdits ----

CUnitEdits::CUnitEdits(CMapDocument& document, IUnitWriter* writer, IMessageBox* messages,
                       QObject* parent)
    : QObject(parent), m_document(document), m_writer(writer), m_messages(messages)
{
}

bool CUnitEdits::canWrite() const
{
    return m_writer && m_writer->canWrite();
}

void CUnitEdits::push(UnitContent after, CUnitCommand::Kind kind, const QString& text,
                      int mergeKey)
{
    if (after == m_document.content())
        return;
    auto* command = new CUnitCommand(*this, m_document.content(), std::move(after), kind, text);
    command->setMergeKey(mergeKey);
    m_stack.push(command);
}

void CUnitEdits::changeMap(const MapValues& after, MapEdit what, CellBlock area)
{
    UnitContent content = m_document.content();
    content.map = after;
    // Steps of one selection fold into one entry.
    const int key = what == MapEdit::Step ? ((area.c0 * 16 + area.r0) * 16 + area.c1) * 16 + area.r1
                                          : -1;
    push(std::move(content), what == MapEdit::Clear ? CUnitCommand::kClearKind
                                                    : CUnitCommand::kMapKind,
         mapEditName(what), key);
}

void CUnitEdits::changeAxes(const VoltAxis& volts, const RpmAxis& rpm)
{
    UnitContent content = m_document.content();
    content.volts = volts;
    content.rpm = rpm;
    push(std::move(content), CUnitCommand::kAxesKind, qs(translate(L"Zmiana osi mapy")), -1);
}

void CUnitEdits::changeSettings(const UnitSettings& after, SettingField field)
{
    UnitContent content = m_document.content();
    content.settings = after;
    push(std::move(content), CUnitCommand::kSettingsKind, qs(translate(L"Zmiana ustawienia")),
         field);
}

void CUnitEdits::unitRead(const DeviceState& state)
{
    // A read between our own writes shows the unit half way: the document is ahead.
    if (m_pending > 0) {
        m_heldRead = state;
        return;
    }
    m_heldRead.reset();
    const UnitContent read = contentOf(state);
    if (read != m_document.content())
        m_stack.clear();
    m_document.setContent(read);
}

void CUnitEdits::clearMap()
{
    changeMap(MapValues{}, MapEdit::Clear, {0, 0, kRpmCols - 1, kVoltRows - 1});
}

void CUnitEdits::changeContent(const UnitContent& after, const QString& text)
{
    push(after, CUnitCommand::kContentKind, text, -1);
}

void CUnitEdits::writeEnded()
{
    if (--m_pending > 0 || !m_heldRead)
        return;
    // After a failed entry is put back (queued the same way, so it runs first). The
    // read answers our own writes, so it replaces the document's values (the unit
    // may round them) without dropping the history.
    QTimer::singleShot(0, this, [this] {
        if (m_pending == 0 && m_heldRead) {
            const DeviceState read = *m_heldRead;
            m_heldRead.reset();
            m_document.setContent(contentOf(read));
        }
    });
}

void CUnitEdits::refuse(const std::wstring& message)
{
    reportMessage(m_messages, message, kCaption, MB_ERROR);
}

void CUnitEdits::tell(const std::wstring& message)
{
    m_lastNotice = qs(message);
    emit noticed(m_lastNotice);
}

void CUnitEdits::written(int serial, bool undoing, const WriteResult& result)
{
    // The writer may answer inside redo(), while the stack is still pushing; the
    // stack can only be moved once that is over.
    QTimer::singleShot(0, this, [this, serial, undoing, result] { putBack(serial, undoing, result); });
}

void CUnitEdits::putBack(int serial, bool undoing, const WriteResult& result)
{
    // Put the entry back on the side it came from, without writing, so that the
    // same Undo or Redo tries again.
    const int index = m_stack.index();
    const int at = undoing ? index : index - 1;
    auto* command = at >= 0 && at < m_stack.count()
        ? dynamic_cast<CUnitCommand*>(const_cast<QUndoCommand*>(m_stack.command(at)))
        : nullptr;
    if (command && command->serial() == serial) {
        command->setQuiet(true);
        if (undoing)
            m_stack.redo();
        else
            m_stack.undo();
        command->setQuiet(false);
    }

    std::wstring text = translate(L"Urządzenie nie przyjęło zmiany; pozostała do ponowienia "
                                  L"(Cofnij lub Ponów).");
    if (!result.message.empty())
        text += L"\n" + result.message;
    if (!result.detail.empty())
        text += L"\n" + result.detail;
    m_lastFailure = qs(text);
    if (m_reread)
        m_reread();
    emit writeFailed(m_lastFailure);
    reportMessage(m_messages, text, kCaption, MB_ERROR);
}

} // namespace velmora
