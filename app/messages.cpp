#include "app/messages.h"

#include <QMessageBox>
#include <QSet>

#include "core/yeardata.h"

namespace orlenda {

namespace {
MessageSink& sink() {
    static MessageSink s;
    return s;
}
QSet<QString>& told() {
    static QSet<QString> s;
    return s;
}
}  // namespace

QString AppTitle() { return QStringLiteral("Orlenda"); }

void ShowMessage(QWidget* parent, const QString& text) {
    if (sink()) {
        sink()(parent, text);
        return;
    }
    // A lone carriage return ends a line too (the help texts are joined with it).
    QMessageBox box(QMessageBox::NoIcon, AppTitle(),
                    QString(text)
                        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                        .replace(QLatin1Char('\r'), QLatin1Char('\n')),
                    QMessageBox::Ok, parent);
    box.exec();
}

MessageSink SetMessageSink(MessageSink s) {
    MessageSink previous = std::move(sink());
    sink() = std::move(s);
    return previous;
}

void ReportDataProblem(QWidget* parent, const DataReport& report) {
    if (report.ok()) return;
    const QString text = QString::fromStdString(report.message);
    if (told().contains(text)) return;
    told().insert(text);
    ShowMessage(parent, QStringLiteral("阴历数据不能使用，月历中不显示阴历：\r\n") + text);
}

void ForgetDataProblems() { told().clear(); }

}  // namespace orlenda
