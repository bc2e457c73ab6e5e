#pragma once
// The drawing commands run the windows hidden on Qt's offscreen platform, so that every
// output comes from the code the windows use; what the windows would show in a message box
// is collected instead.
#include <QApplication>
#include <QStringList>
#include <memory>
#include <string>

#include "cli/options.h"
#include "windows/messages.h"

namespace orlenda {
class Form1;
class PictureChooser;
struct CalendarModel;
}  // namespace orlenda

namespace orlenda::cli {

// Builds the model of year from the data file; data problems are warnings and leave the
// lunar cells blank.
void BuildModel(const Invocation& inv, int year, CalendarModel& model);

// The hidden windows of one command, and the messages they would have shown.
class Session {
  public:
    explicit Session(const Invocation& inv);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The messages shown since the last call, one per line.
    std::string takeMessages();

    // The main window, hidden, with the language and colour options and the year picked:
    // its year caption is the sheet's title and the document's year. The model is built
    // for that year.
    Form1& mainWindow(int year, bool english, bool colour);

    // The greeting editor's four lines (its defaults follow the main window's language) and
    // the greeting font, set as the user would in the editor.
    void greeting();

    // A picture listed by the chooser, previewed by clicking it in the file list.
    void preview(PictureChooser& chooser, const std::string& path, const std::string& what);

    // The inset: previewed, chosen with "选择为插图", then the crop rectangle if given.
    void inset();

  private:
    static void restart();

    const Invocation& inv_;
    std::unique_ptr<QApplication> app_;
    MessageSink previousSink_;
    QtMessageHandler previousHandler_ = nullptr;
    QStringList messages_;
    static inline int argc_ = 1;
    static inline char arg0_[] = "orlenda";
    static inline char* argv_[] = {arg0_, nullptr};
};

}  // namespace orlenda::cli
