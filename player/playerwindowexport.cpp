// The window menu's entries of our own: save the frame shown as a PNG, and
// export the movie now loaded as a video file (or a GIF, or a PNG) with a
// modal progress dialog while the window goes on playing.
#include "player/exportdialog.h"
#include "player/moviecontrol.h"
#include "player/playerwindow.h"
#include "player/saveframedialog.h"
#include "res/resource.h"

#include "swf/movieloader.h"
#include "tools/swftool/stagepicture.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QSaveFile>

namespace {

// The output formats, as the file dialog offers them; the first is the
// default.
struct ExportFilter {
    const char *suffix;
    QString text;
};

QList<ExportFilter> exportFilters()
{
    return {{"mp4", QStringLiteral("MP4 视频 (*.mp4)")},
            {"webm", QStringLiteral("WebM 视频 (*.webm)")},
            {"gif", QStringLiteral("GIF 动画 (*.gif)")},
            {"png", QStringLiteral("PNG 图片，第一帧 (*.png)")}};
}

std::optional<QByteArray> chooseExportFileWithDialog(QWidget *owner, const QByteArray &moviePath)
{
    const QFileInfo movie(QFile::decodeName(moviePath));
    QFileDialog dialog(owner, QStringLiteral("导出视频"), movie.absolutePath());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters;
    for (const ExportFilter &filter : exportFilters())
        filters.append(filter.text);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("mp4"));
    dialog.selectFile(movie.completeBaseName() + QStringLiteral(".mp4"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString &text) {
                         for (const ExportFilter &filter : exportFilters()) {
                             if (filter.text == text)
                                 dialog.setDefaultSuffix(QLatin1String(filter.suffix));
                         }
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    QByteArray path = QFile::encodeName(dialog.selectedFiles().constFirst());
    // A name with another extension gets the chosen format's.
    if (!swftool::exportFormatOf(path)) {
        for (const ExportFilter &filter : exportFilters()) {
            if (filter.text == dialog.selectedNameFilter())
                path += QByteArray(".") + filter.suffix;
        }
    }
    return path;
}

} // namespace

// After the about entry, as its start-up step adds it.
void PlayerWindow::AddExportEntriesToWindowMenu()
{
    const auto add = [this](const QString &text, int command) {
        QAction *action = m_windowMenu->addAction(text);
        action->setData(command);
    };
    add(QStringLiteral("保存画面..."), Res::IDM_SAVEFRAME);
    add(QStringLiteral("导出视频..."), Res::IDM_EXPORTVIDEO);
}

// The movie the control shows, parsed once more from the shared cache.
swf::MoviePtr PlayerWindow::MovieForExport()
{
    const QByteArray path = m_movie->GetMoviePath();
    if (path.isEmpty()) {
        m_services.errorReporter->ReportError(this, QStringLiteral("没有打开的影片。"));
        return nullptr;
    }
    auto movie = swf::MovieCache::shared().load(path);
    if (!movie) {
        m_services.errorReporter->ReportError(
            this, QStringLiteral("无法读取影片 %1：%2")
                      .arg(QFile::decodeName(path), movie.error().toString()));
        return nullptr;
    }
    return *movie;
}

// The frame shown now, at the movie's own size or twice it: drawn from the
// control's own state, which its scripts and the user's clicks have made;
// a control that cannot draw itself has the movie played offline up to
// that frame instead.
void PlayerWindow::SaveFrame()
{
    const swf::MoviePtr movie = MovieForExport();
    if (!movie)
        return;
    const qint32 frame = m_movie->GetFramePosition();
    const QSize size = swftool::stageSize(*movie);
    const auto choice = m_services.chooseFrameFile
                            ? m_services.chooseFrameFile(this, m_movie->GetMoviePath(), size)
                            : SaveFrameDialog::choose(this, m_movie->GetMoviePath(), size);
    if (!choice)
        return;
    const QSize outputSize = size * qBound(1, choice->scale, 2);
    if (const QImage shown = m_movie->grabStage(outputSize); !shown.isNull()) {
        QString problem;
        const auto png = swftool::encodePng(shown, &problem);
        QSaveFile file(QFile::decodeName(choice->path));
        if (png && file.open(QIODevice::WriteOnly) && file.write(*png) == png->size() &&
            file.commit())
            return;
        m_services.errorReporter->ReportError(
            this, QStringLiteral("无法保存画面：%1").arg(png ? file.errorString() : problem));
        return;
    }
    swftool::ExportOptions options;
    options.output = choice->path;
    options.format = swftool::ExportFormat::Png;
    options.from = qBound(1, frame + 1, qMax(1, movie->timeline().frameCount()));
    options.size = outputSize;
    auto job = swftool::MovieExport::prepare(movie, options);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto outcome =
        job ? job->run({}) : swf::Result<swftool::MovieExport::Outcome>(job.error());
    QApplication::restoreOverrideCursor();
    if (!outcome)
        m_services.errorReporter->ReportError(
            this, QStringLiteral("无法保存画面：%1").arg(outcome.error().message));
}

// The whole movie, once, at its own size and rate, into the file chosen.
void PlayerWindow::ExportVideo()
{
    const swf::MoviePtr movie = MovieForExport();
    if (!movie)
        return;
    const auto output = m_services.chooseExportFile
                            ? m_services.chooseExportFile(this, m_movie->GetMoviePath())
                            : chooseExportFileWithDialog(this, m_movie->GetMoviePath());
    if (!output)
        return;
    swftool::ExportOptions options;
    options.output = *output;
    options.format = swftool::exportFormatOf(*output).value_or(swftool::ExportFormat::Mp4);
    // One encoder thread: the window keeps the other core for its playing.
    options.threads = 1;
    auto job = swftool::MovieExport::prepare(movie, options);
    if (!job) {
        m_services.errorReporter->ReportError(
            this, QStringLiteral("无法导出：%1").arg(job.error().message));
        return;
    }
    ExportDialog dialog(std::move(*job), this);
    if (dialog.run() == ExportDialog::Outcome::Failed)
        m_services.errorReporter->ReportError(this,
                                              QStringLiteral("导出失败：%1").arg(dialog.problem()));
}
