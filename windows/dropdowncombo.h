// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Control behaviour shared by the windows.
#include <QComboBox>

namespace orlenda {

// A drop-down combo box with an editable text: only a choice from the list (with the mouse
// or the arrow keys) is a pick. Typed text stays text: no completion, nothing added to the
// list, and Enter or leaving the box does not choose the item the text happens to match.
// The list opens at the item matching the text, as a desktop combo box does.
class DropDownCombo : public QComboBox {
    Q_OBJECT
  public:
    explicit DropDownCombo(QWidget* parent = nullptr);
    void showPopup() override;
};

}  // namespace orlenda
