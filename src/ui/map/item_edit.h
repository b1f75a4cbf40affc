// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The in-place editor of the cell grid: a line edit shown over the cell under edit,
// and the editor object that the grid asks for the text an edit leaves behind.

#include <QLineEdit>
#include <QPointer>
#include <QRect>

#include <string>

namespace velmora {

// The grid's edit window: a hidden child line edit until an edit starts.
class CCellArrayEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CCellArrayEdit(QWidget* grid = nullptr);
};

class CItemEdit {
public:
    // Takes the edit window; it dies with this object (or with its parent, first).
    explicit CItemEdit(CCellArrayEdit* edit);
    virtual ~CItemEdit();
    CItemEdit(const CItemEdit&) = delete;
    CItemEdit& operator=(const CItemEdit&) = delete;

    virtual void create(QWidget* parent);
    virtual void show(bool on);
    virtual void move(const QRect& rect);
    virtual QWidget* getWindow() const;
    // What the grid puts into the edited cell when the edit ends; an empty text
    // leaves the cell as it was. Here: the edit window's text.
    virtual std::wstring getText();
    virtual void setText(const std::wstring& text);

protected:
    CCellArrayEdit* edit() const { return m_edit.data(); }

private:
    QPointer<CCellArrayEdit> m_edit;
};

} // namespace velmora
