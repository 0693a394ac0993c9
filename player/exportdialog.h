// The modal progress of an export started from the window menu: the export
// runs on a thread of its own, with a player of its own, while the window
// goes on playing; the dialog shows the pictures done and stops the export
// when the user cancels.
#pragma once

#include "tools/swftool/movieexport.h"

#include <QElapsedTimer>
#include <QProgressDialog>

#include <atomic>
#include <optional>

class QThread;

class ExportDialog final : public QProgressDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ExportDialog)
public:
    enum class Outcome { Finished, Cancelled, Failed };

    ExportDialog(swftool::MovieExport job, QWidget *parent);
    // Stops an export still running and waits for its thread.
    ~ExportDialog() override;

    // Runs the export in a modal run of the dialog. A cancelled export
    // leaves no file.
    Outcome run();
    // What went wrong, after Failed.
    QString problem() const { return m_problem; }

    // Cancel, Esc and the close box ask the export to stop; the dialog
    // closes once it has.
    void reject() override;

signals:
    // From the export's thread.
    void progressed(int done, int total);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void requestStop();
    void showProgress(int done, int total);
    void exportEnded();

    swftool::MovieExport m_job;
    QThread *m_thread = nullptr;
    std::atomic<bool> m_stop{false};
    QElapsedTimer m_clock;
    // Written by the export's thread before it ends.
    std::optional<swf::Result<swftool::MovieExport::Outcome>> m_result;
    QString m_problem;
};
