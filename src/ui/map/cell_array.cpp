// SPDX-License-Identifier: GPL-3.0-or-later
#include "cell_array.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>

namespace velmora {

namespace {

QColor toQColor(Colour c)
{
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

bool isDark(const QColor& c)
{
    return 299 * c.red() + 587 * c.green() + 114 * c.blue() < 128 * 1000;
}

bool isHeader(CellPos p)
{
    return CCellGrid::isValid(p) && ((p.column < 0) != (p.row < 0));
}

// Headers and body cells take typing; the corner does not.
bool isEditable(CellPos p)
{
    return isHeader(p) || CCellGrid::isBody(p);
}

} // namespace

CCellArray::CCellArray(CCellGrid& grid, QWidget* parent) : CCompCtrl(parent), m_grid(&grid)
{
    setFocusPolicy(Qt::ClickFocus);
    // Every pixel belongs to a cell that paints it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_grid->addView(this);
    m_geometry.resize(width(), height());
}

CCellArray::~CCellArray()
{
    m_finishing = true;
    if (m_editor && m_editor->getWindow())
        m_editor->getWindow()->removeEventFilter(this);
    m_editor.reset();
    if (m_grid) {
        m_grid->endEdit();
        m_grid->removeView(this);
    }
}

void CCellArray::init(std::unique_ptr<CItemEdit> editor, const std::wstring& cornerText,
                      int headerHeight, int columnWidth,
                      const std::vector<std::wstring>& columnHeaders, int rowHeight,
                      int rowHeaderWidth, const std::vector<std::wstring>& rowHeaders,
                      Colour gridLines, Colour headerBackground, Colour text,
                      Colour bodyBackground, Colour selection, Colour corner, const QFont& font,
                      int padding)
{
    if (m_grid && m_grid->isEditing())
        cancelEdit();
    if (m_editor && m_editor->getWindow())
        m_editor->getWindow()->removeEventFilter(this);
    m_editor = std::move(editor);
    if (m_editor) {
        m_editor->create(this);
        if (QWidget* window = m_editor->getWindow()) {
            window->setFont(font);
            window->installEventFilter(this);
        }
    }

    m_geometry = CGridGeometry(headerHeight, columnWidth, rowHeight, rowHeaderWidth);
    m_geometry.resize(width(), height());
    m_gridLines = gridLines;
    m_headerBackground = headerBackground;
    m_text = text;
    m_bodyBackground = bodyBackground;
    m_selection = selection;
    m_corner = corner;
    m_padding = std::max(0, padding);
    setFont(font);

    if (m_grid) {
        m_grid->corner().setTxt(cornerText);
        for (int c = 0; c < CCellGrid::kColumns && c < static_cast<int>(columnHeaders.size()); ++c)
            m_grid->columnHeader(c).setTxt(columnHeaders[c]);
        for (int r = 0; r < CCellGrid::kRows && r < static_cast<int>(rowHeaders.size()); ++r)
            m_grid->rowHeader(r).setTxt(rowHeaders[r]);
    }
    updateGeometry();
    update();
}

QRect CCellArray::cellRect(CellPos p) const
{
    const CellRect r = m_geometry.cellRect(p);
    return QRect(r.x, r.y, r.width, r.height);
}

std::optional<CellPos> CCellArray::cellAt(const QPoint& point) const
{
    return m_geometry.hitTest(point.x(), point.y());
}

QSize CCellArray::sizeHint() const
{
    return QSize(m_geometry.nominalWidth(), m_geometry.nominalHeight());
}

bool CCellArray::beginEdit(CellPos p)
{
    if (!m_grid || !isEditable(p))
        return false;
    return openEditor(p, QString::fromStdWString(m_grid->at(p).getTxt()), true);
}

bool CCellArray::beginEdit(CellPos p, const QString& typed)
{
    return openEditor(p, typed, false);
}

bool CCellArray::openEditor(CellPos p, const QString& text, bool selectAll)
{
    if (!m_grid || !m_editor || !m_editor->getWindow() || !isEditable(p))
        return false;
    if (m_grid->isEditing())
        commitEdit();
    if (!m_grid)
        return false;
    m_grid->beginEdit(p);
    m_grid->setFocusCell(p);
    m_editor->setText(text.toStdWString());
    m_editor->move(cellRect(p));
    m_editor->show(true);
    if (auto* line = qobject_cast<QLineEdit*>(m_editor->getWindow())) {
        if (selectAll)
            line->selectAll();
        else
            line->end(false);
    }
    update(cellRect(p));
    return true;
}

void CCellArray::commitEdit()
{
    finishEdit(true);
}

void CCellArray::cancelEdit()
{
    finishEdit(false);
}

void CCellArray::finishEdit(bool commit)
{
    if (!m_grid || !m_grid->isEditing() || m_finishing)
        return;
    m_finishing = true;
    const CellPos p{m_grid->editColumn(), m_grid->editRow()};
    QWidget* window = m_editor ? m_editor->getWindow() : nullptr;
    // Focus back to the grid before the editor hides, so it does not wander off to
    // another control; message boxes from getText return it here too.
    if (window && window->hasFocus())
        setFocus(Qt::OtherFocusReason);
    if (m_editor)
        m_editor->show(false);

    std::wstring text;
    QPointer<CCellArray> self(this);
    if (commit && m_editor)
        text = m_editor->getText();
    if (!self)
        return;
    if (m_grid) {
        // An empty answer means the edit changed nothing.
        if (commit && !text.empty())
            m_grid->at(p).setTxt(text);
        m_grid->endEdit();
    }
    m_finishing = false;
    update(cellRect(p));
}

void CCellArray::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (!m_grid) {
        painter.fillRect(event->rect(), toQColor(m_bodyBackground));
        return;
    }
    painter.setFont(font());
    for (int c = -1; c < CCellGrid::kColumns; ++c)
        for (int r = -1; r < CCellGrid::kRows; ++r)
            if (cellRect({c, r}).intersects(event->rect()))
                paintCell(painter, {c, r});
}

void CCellArray::paintCell(QPainter& painter, CellPos p)
{
    const QRect rect = cellRect(p);
    if (rect.isEmpty())
        return;
    const CCell& cell = m_grid->at(p);

    QColor background;
    if (p.column < 0 && p.row < 0) {
        background = toQColor(m_corner);
    } else if (p.column < 0 || p.row < 0) {
        const bool editing = m_grid->isEditing() && m_grid->editColumn() == p.column
            && m_grid->editRow() == p.row;
        background = toQColor(editing ? m_corner
                                      : cell.bkColor() != kNoColour ? cell.bkColor()
                                                                    : m_headerBackground);
    } else if (cell.isCurrent() && cell.currentCellColor() != kNoColour) {
        background = toQColor(cell.currentCellColor());
    } else if (cell.isSelected()) {
        background = toQColor(m_selection);
    } else {
        background = toQColor(cell.bkColor() != kNoColour ? cell.bkColor() : m_bodyBackground);
    }
    painter.fillRect(rect, background);

    // A selected current cell keeps the marker colour inside a selection frame.
    if (CCellGrid::isBody(p) && cell.isCurrent() && cell.isSelected()) {
        painter.setPen(QPen(toQColor(m_selection), 2));
        painter.drawRect(rect.adjusted(2, 2, -3, -3));
    }

    painter.setPen(toQColor(m_gridLines));
    const int right = rect.right(), bottom = rect.bottom();
    painter.drawLine(right, rect.top(), right, bottom);
    painter.drawLine(rect.left(), bottom, right, bottom);
    if (p.column < 0)
        painter.drawLine(rect.left(), rect.top(), rect.left(), bottom);
    if (p.row < 0)
        painter.drawLine(rect.left(), rect.top(), right, rect.top());

    const QRect textRect = rect.adjusted(m_padding, 0, -m_padding, 0);
    if (textRect.width() > 0 && !cell.getTxt().empty()) {
        painter.setPen(isDark(background) ? QColor(Qt::white) : toQColor(m_text));
        const QString text = painter.fontMetrics().elidedText(
            QString::fromStdWString(cell.getTxt()), Qt::ElideRight, textRect.width());
        painter.drawText(textRect, Qt::AlignCenter, text);
    }

    // The keyboard's cell: a dotted frame, on body cells as on headers.
    if (hasFocus() && m_grid->focusCell() == p) {
        QPen pen(isDark(background) ? QColor(Qt::white) : toQColor(m_text));
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(rect.adjusted(2, 2, -3, -3));
    }
}

void CCellArray::resizeEvent(QResizeEvent* event)
{
    CCompCtrl::resizeEvent(event);
    m_geometry.resize(width(), height());
    if (m_grid && m_grid->isEditing() && m_editor)
        m_editor->move(cellRect({m_grid->editColumn(), m_grid->editRow()}));
    update();
}

void CCellArray::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        CCompCtrl::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    if (m_grid && m_grid->isEditing())
        commitEdit();
    const std::optional<CellPos> hit = cellAt(event->position().toPoint());
    if (!m_grid || !hit)
        return;
    m_grid->pressCell(*hit, event->modifiers().testFlag(Qt::ShiftModifier));
    m_dragging = CCellGrid::isBody(*hit);
}

void CCellArray::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging || !m_grid || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint at = event->position().toPoint();
    m_grid->dragToCell(m_geometry.nearestBodyCell(at.x(), at.y()));
}

void CCellArray::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    CCompCtrl::mouseReleaseEvent(event);
}

void CCellArray::mouseDoubleClickEvent(QMouseEvent* event)
{
    const std::optional<CellPos> hit = cellAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && hit && isEditable(*hit)) {
        beginEdit(*hit);
        return;
    }
    mousePressEvent(event);
}

void CCellArray::keyPressEvent(QKeyEvent* event)
{
    const std::optional<CellPos> focus = m_grid ? m_grid->focusCell() : std::nullopt;
    if (focus && isEditable(*focus) && !m_grid->isEditing()) {
        const int key = event->key();
        if (key == Qt::Key_F2 || key == Qt::Key_Return || key == Qt::Key_Enter) {
            beginEdit(*focus);
            return;
        }
        const QString text = event->text();
        const bool command = event->modifiers()
            & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (!command && !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace()) {
            beginEdit(*focus, text);
            return;
        }
    }
    CCompCtrl::keyPressEvent(event);
}

void CCellArray::focusInEvent(QFocusEvent* event)
{
    CCompCtrl::focusInEvent(event);
    // Reached with Tab before any cell was chosen: start at the selection, or the first cell.
    if (m_grid && !m_grid->focusCell() && !m_grid->isEditing())
        m_grid->pressCell(m_grid->firstSelected().value_or(CellPos{0, 0}), false);
    if (m_grid && m_grid->focusCell())
        update(cellRect(*m_grid->focusCell()));
}

void CCellArray::focusOutEvent(QFocusEvent* event)
{
    CCompCtrl::focusOutEvent(event);
    if (m_grid && m_grid->focusCell())
        update(cellRect(*m_grid->focusCell()));
}

bool CCellArray::eventFilter(QObject* watched, QEvent* event)
{
    if (m_editor && watched == m_editor->getWindow()) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                commitEdit();
                return true;
            }
            if (key == Qt::Key_Escape) {
                cancelEdit();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Switching to another application is no reason to end the edit.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                commitEdit();
        }
    }
    return CCompCtrl::eventFilter(watched, event);
}

void CCellArray::cellChanged(CellPos cell)
{
    update(cellRect(cell));
}

void CCellArray::gridChanged()
{
    update();
}

void CCellArray::gridDestroyed()
{
    m_grid = nullptr;
    m_dragging = false;
    if (m_editor)
        m_editor->show(false);
    update();
}

} // namespace velmora
