// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/dropdowncombo.h"

#include <QAbstractItemView>
#include <QLineEdit>

namespace orlenda {

DropDownCombo::DropDownCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // QComboBox would choose the item matching the text when editing finishes.
    disconnect(lineEdit(), SIGNAL(editingFinished()), this, nullptr);
}

void DropDownCombo::showPopup() {
    QComboBox::showPopup();
    // Only the highlight moves; the pick is still the user's.
    const int i = findText(currentText());
    if (i >= 0) {
        const QModelIndex index = model()->index(i, modelColumn(), rootModelIndex());
        view()->setCurrentIndex(index);
        view()->scrollTo(index, QAbstractItemView::PositionAtCenter);
    }
}

}  // namespace orlenda
