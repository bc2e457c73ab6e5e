// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Print jobs through CUPS: a queue's papers, a PDF file handed to a queue, and what becomes
// of a job afterwards, told in the user's words.
#include <QByteArray>
#include <QList>
#include <QPageSize>
#include <QString>
#include <optional>

namespace orlenda {

struct PrintQueue {
    QString name;             // as given: "queue" or "queue/instance"
    QList<QPageSize> papers;  // the papers it lists; empty when it does not say
    QPageSize ownPaper;       // the paper it prints on unless asked for another
};

// Why this program cannot reach the print system (its library, libcups.so.2, cannot be
// loaded), in the user's words; empty when it can. Everything below fails without it.
QString PrintSystemUnavailable();

// The queue of that name; none when the print system has no such queue (or cannot be
// reached).
std::optional<PrintQueue> FindPrintQueue(const QString& name);

// What became of a job.
struct JobOutcome {
    enum class State {
        Printed,  // handed to the print system and not refused by it
        Queued,   // accepted, but waiting (a paused printer, a held job)
        Failed,   // refused, or ended by the print system
    };
    State state = State::Failed;
    QString message;  // what the user should be told; empty when nothing went wrong
    QString detail;   // the print system's own words, for a log
    int jobId = 0;
};

// Hands pdf, whose pages are of paper, to queue as one job titled title, then watches it for
// a few seconds.
JobOutcome PrintPdf(const PrintQueue& queue, const QString& title, const QByteArray& pdf,
                    const QPageSize& paper);

// The answer of the print system to the last request of this thread.
struct CupsAnswer {
    int status = 0;  // IPP status
    QString text;    // its own words
    bool failed() const;
    // Why the print system refused a job, in the user's words.
    QString refusal() const;
};
CupsAnswer LastCupsAnswer();

// ---- jobs handed over by others (Qt's print support): found by title afterwards
// The highest job number the print system knows for the queue dest, finished jobs included.
int LatestJobId(const QByteArray& dest);
// The job with title among those newer than after, or else the first new one whose title
// the print system keeps private. listed tells whether the list could be read.
std::optional<int> FindNewJob(const QByteArray& dest, int after, const QByteArray& title,
                              bool* listed);
// Watches job id on dest for a few seconds: a failing filter or backend ends it quickly, a
// stopped printer keeps it waiting. printer is the name the messages give.
JobOutcome WatchJob(const QByteArray& dest, const QString& printer, int id);

}  // namespace orlenda
