#include "player/exportdialog.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>

#include <unistd.h>

namespace {

// Progress crosses threads at most this often.
constexpr qint64 kProgressIntervalMs = 50;

} // namespace

ExportDialog::ExportDialog(swftool::MovieExport job, QWidget *parent)
    : QProgressDialog(parent), m_job(std::move(job))
{
    setObjectName(QStringLiteral("exportDialog"));
    setWindowTitle(QStringLiteral("导出视频"));
    setLabelText(QStringLiteral("正在导出 %1 帧…").arg(m_job.pictureCount()));
    setCancelButtonText(QStringLiteral("取消"));
    setRange(0, m_job.progressTotal());
    setMinimumDuration(0);
    setAutoClose(false);
    setAutoReset(false);
    setWindowModality(Qt::WindowModal);
    // Cancelling asks the export to stop; the dialog stays until it has.
    disconnect(this, &QProgressDialog::canceled, this, &QProgressDialog::cancel);
    connect(this, &QProgressDialog::canceled, this, &ExportDialog::requestStop);
    connect(this, &ExportDialog::progressed, this, &ExportDialog::showProgress);
}

ExportDialog::~ExportDialog()
{
    m_stop = true;
    if (m_thread)
        m_thread->wait();
}

ExportDialog::Outcome ExportDialog::run()
{
    m_thread = QThread::create([this] {
        QElapsedTimer sinceShown;
        sinceShown.start();
        m_result = m_job.run([this, &sinceShown](int done, int total) {
            if (done == total || sinceShown.elapsed() >= kProgressIntervalMs) {
                sinceShown.restart();
                emit progressed(done, total);
            }
            return !m_stop;
        });
    });
    m_thread->setParent(this);
    connect(m_thread, &QThread::finished, this, &ExportDialog::exportEnded);
    // The window's own playing comes first.
    m_clock.start();
    m_thread->start(QThread::LowPriority);
    exec();
    m_thread->wait();
    if (!m_result || !*m_result) {
        m_problem = m_result ? m_result->error().message : QString();
        return Outcome::Failed;
    }
    if (**m_result == swftool::MovieExport::Outcome::Stopped) {
        ::unlink(m_job.options().output.constData());
        return Outcome::Cancelled;
    }
    return Outcome::Finished;
}

void ExportDialog::reject()
{
    requestStop();
}

void ExportDialog::closeEvent(QCloseEvent *event)
{
    event->ignore();
    requestStop();
}

void ExportDialog::requestStop()
{
    if (m_stop.exchange(true))
        return;
    setLabelText(QStringLiteral("正在停止…"));
    if (auto *button = findChild<QPushButton *>())
        button->setEnabled(false);
}

// "已完成 120/300 帧，约剩 8 秒": the file's pictures (a GIF's are drawn
// twice, each pass taking its share) and the time left at the pace so far.
void ExportDialog::showProgress(int done, int total)
{
    setMaximum(total);
    setValue(done);
    if (m_stop || done <= 0 || total <= 0)
        return;
    const int pictures = m_job.pictureCount();
    const qint64 left = m_clock.elapsed() * (total - done) / done / 1000;
    setLabelText(QStringLiteral("正在导出：已完成 %1/%2 帧，约剩 %3 秒")
                     .arg(qint64(done) * pictures / total)
                     .arg(pictures)
                     .arg(left + 1));
}

void ExportDialog::exportEnded()
{
    done(m_stop ? QDialog::Rejected : QDialog::Accepted);
}
