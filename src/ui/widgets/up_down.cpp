// SPDX-License-Identifier: GPL-3.0-or-later
#include "up_down.h"

#include <QToolButton>

namespace velmora {

namespace {

QToolButton* makeArrow(QWidget* parent, Qt::ArrowType arrow)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    // The arrow keys belong to the map grid; the spinner never takes the focus.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(false);
    return button;
}

} // namespace

CUpDown::CUpDown(QWidget* parent)
    : QWidget(parent), m_up(makeArrow(this, Qt::UpArrow)), m_down(makeArrow(this, Qt::DownArrow))
{
    m_up->setObjectName(QStringLiteral("up"));
    m_down->setObjectName(QStringLiteral("down"));
    connect(m_up, &QToolButton::clicked, this, [this] { emit stepped(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { emit stepped(-1); });
}

void CUpDown::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int upper = height() / 2;
    m_up->setGeometry(0, 0, width(), upper);
    m_down->setGeometry(0, upper, width(), height() - upper);
}

} // namespace velmora
