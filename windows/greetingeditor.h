// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The greeting editor: the four greeting lines of the document and their font.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>

#include "document/calendardocument.h"

namespace orlenda {

// The face the font box proposes: 华文行楷 when it is installed, or when its stand-in is
// (the printers draw it with that stand-in); otherwise 宋体.
QString ProposedGreetingFont(const QStringList& screenFonts);

class GreetingEditor : public QWidget {
    Q_OBJECT
  public:
    // Shows the document's lines and keeps them as the lines of the document from then on,
    // so that a later change of language leaves them alone. Closing by the frame destroys
    // the window and gives the document its default lines back.
    explicit GreetingEditor(CalendarDocument& doc, QWidget* parent = nullptr);

    QLabel* limitsLabel;
    // The room the line being typed has left on each output, in half-width characters.
    QLabel* roomLabel;
    std::array<QLineEdit*, 4> greetingLines;
    // The font box: an editable text field over a list that is always open.
    QComboBox* fontCombo;
    QListView* fontList;
    QLabel* fontPromptLabel;
    QPushButton* okButton;      // 确定
    QPushButton* clearButton;   // 清除重输
    QPushButton* cancelButton;  // 取消

  public slots:
    // Sets the document's greeting face to the font box's text and hides the window.
    void keep();
    void clearLines();
    // Gives the document its default lines back and closes the window.
    void cancel();

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void setLinesFace(const QString& face);
    void writeLines();
    void showDocumentLines();
    void showRoom();

    CalendarDocument& doc_;
    int roomLine_ = 0;  // the line whose room is shown
};

}  // namespace orlenda
