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
class CalendarDocument;
class DocumentWindow;
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

    // The document with the language and colour options and the year picked: its year is
    // the sheet's title. The model is built for that year.
    CalendarDocument& document(int year, bool english, bool colour);

    // The greeting's four lines (the defaults follow the language) and the greeting font.
    void greeting();

    // The picture chooser and the electronic document's window, hidden, made on first use.
    PictureChooser& chooser();
    DocumentWindow& documentWindow();

    // A picture listed by the chooser, previewed by clicking it in the file list.
    void preview(const std::string& path, const std::string& what);

    // The inset: previewed, chosen with "选择为插图", then the crop rectangle if given.
    void inset();

  private:
    void restart();

    const Invocation& inv_;
    std::unique_ptr<QApplication> app_;
    MessageSink previousSink_;
    QtMessageHandler previousHandler_ = nullptr;
    QStringList messages_;
    std::unique_ptr<CalendarDocument> doc_;
    std::unique_ptr<PictureChooser> chooser_;
    std::unique_ptr<DocumentWindow> documentWindow_;
    static inline int argc_ = 1;
    static inline char arg0_[] = "orlenda";
    static inline char* argv_[] = {arg0_, nullptr};
};

}  // namespace orlenda::cli
