// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every change the window writes to the unit is one undo step. A step keeps the
// unit's content before and after (never an opposite step: steps clamp), changes
// the document and asks the writer to send what differs. A write that fails is
// reported with its reason and the step goes back to where it was on the stack, so
// Redo (or Undo) tries it again; the document is then read back from the unit.
//
//   CUnitEdits edits(document, writer, messageBox);
//   map.setEdits(&edits);                 // steps, typed values, header edits
//   edits.changeSettings(s, kRpmDivider); // spinners and typed settings
//   undoAction = edits.stack().createUndoAction(...);

#include "ui/map/model/map_edits.h"

#include "device/messages.h"

#include <QObject>
#include <QUndoCommand>
#include <QUndoStack>

#include <functional>
#include <optional>

namespace velmora {

class CUnitEdits;

// Which setting a settings change moved; repeated changes of one setting fold.
enum SettingField : int { kRpmDividerField = 1, kNoiseDeltaField = 2, kNoisePeriodField = 3 };

class CUnitCommand : public QUndoCommand {
public:
    enum Kind { kMapKind, kClearKind, kAxesKind, kSettingsKind, kContentKind };

    CUnitCommand(CUnitEdits& edits, UnitContent before, UnitContent after, Kind kind,
                 const QString& text);

    void redo() override;
    void undo() override;
    // Repeated steps of one selection, and repeated changes of one setting, fold into
    // one entry that keeps the first before-values.
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

    void setMergeKey(int key) { m_mergeKey = key; }
    // While quiet, redo and undo change only the document (putting the stack back
    // after a failed write).
    void setQuiet(bool on) { m_quiet = on; }
    int serial() const { return m_serial; }
    const UnitContent& before() const { return m_before; }
    const UnitContent& after() const { return m_after; }

private:
    void apply(const UnitContent& content, bool undoing);

    CUnitEdits& m_edits;
    UnitContent m_before;
    UnitContent m_after;
    Kind m_kind;
    int m_mergeKey = -1;
    int m_serial;
    bool m_quiet = false;
};

class CUnitEdits : public QObject, public IMapEdits {
    Q_OBJECT
public:
    // writer may be null until there is one; edits then change only the grid.
    CUnitEdits(CMapDocument& document, IUnitWriter* writer, IMessageBox* messages,
               QObject* parent = nullptr);

    QUndoStack& stack() { return m_stack; }
    CMapDocument& document() { return m_document; }
    IUnitWriter* writer() const { return m_writer; }
    void setWriter(IUnitWriter* writer) { m_writer = writer; }
    // Run after a failed write to learn what the unit holds now (the link controller
    // reads it back and feeds the document). Unset: the document is only put back.
    void setReread(std::function<void()> reread) { m_reread = std::move(reread); }

    // IMapEdits
    bool canWrite() const override;
    void changeMap(const MapValues& after, MapEdit what, CellBlock area) override;
    void changeAxes(const VoltAxis& volts, const RpmAxis& rpm) override;
    void refuse(const std::wstring& message) override;
    // Emitted as noticed(); the window says it in its status bar.
    void tell(const std::wstring& message) override;

    void changeSettings(const UnitSettings& after, SettingField field);
    // What the unit reported on a connection or a re-read. When it is not what the
    // document holds (another unit, or changed elsewhere) the history no longer
    // describes this unit and is dropped, so Undo never writes old values over it.
    // While writes are on their way the unit lags the document: the read is held
    // and taken, history kept, once the last of them has answered.
    void unitRead(const DeviceState& state);
    // Writes sent and not answered yet.
    int pendingWrites() const { return m_pending; }
    // Zeroes the unit's map (the caller asked first).
    void clearMap();
    // Writes content (a map file, a backup) as one step; only differing parts go out.
    void changeContent(const UnitContent& after, const QString& text);

    // What a failure said last (tests, status bar).
    QString lastFailure() const { return m_lastFailure; }
    // What tell() said last.
    QString lastNotice() const { return m_lastNotice; }

signals:
    void writeFailed(const QString& message);
    // An edit was written otherwise than typed: what, and why.
    void noticed(const QString& message);

private:
    friend class CUnitCommand;
    void push(UnitContent after, CUnitCommand::Kind kind, const QString& text, int mergeKey);
    // Called by the writer's done for a write of the command with serial.
    void written(int serial, bool undoing, const WriteResult& result);
    void putBack(int serial, bool undoing, const WriteResult& result);
    void writeStarted() { ++m_pending; }
    void writeEnded();
    int nextSerial() { return ++m_serials; }

    CMapDocument& m_document;
    IUnitWriter* m_writer;
    IMessageBox* m_messages;
    QUndoStack m_stack;
    std::function<void()> m_reread;
    QString m_lastFailure;
    QString m_lastNotice;
    int m_serials = 0;
    int m_pending = 0;
    std::optional<DeviceState> m_heldRead;
};

// The undo entry's name for a map edit, in the user's language.
QString mapEditName(MapEdit what);

} // namespace velmora
