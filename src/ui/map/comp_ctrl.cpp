// SPDX-License-Identifier: GPL-3.0-or-later
#include "comp_ctrl.h"

#include <QLayout>

namespace velmora {

CCompCtrl::CCompCtrl(QWidget* parent) : QWidget(parent) {}

bool CCompCtrl::createFromStatic(QWidget* placeholder)
{
    if (!placeholder || placeholder == this || !placeholder->parentWidget())
        return false;
    QWidget* parent = placeholder->parentWidget();
    const bool visible = !placeholder->isHidden();
    setParent(parent);
    setObjectName(placeholder->objectName());
    setGeometry(placeholder->geometry());
    stackUnder(placeholder);
    if (QLayout* layout = parent->layout())
        delete layout->replaceWidget(placeholder, this);
    // Tab order: where the placeholder was.
    QWidget::setTabOrder(placeholder, this);
    delete placeholder;
    setVisible(visible);
    return true;
}

bool CCompCtrl::createFromStatic(QWidget* parent, const QString& placeholderName)
{
    if (!parent)
        return false;
    return createFromStatic(
        parent->findChild<QWidget*>(placeholderName, Qt::FindDirectChildrenOnly));
}

} // namespace velmora
