#include "player/moviescriptservices.h"

#include "ui/urlopener.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QUrl>

namespace {
Q_LOGGING_CATEGORY(lcMovieScript, "player.script")
}

MovieScriptServices::MovieScriptServices(QString moviePath, UrlOpener &urlOpener,
                                         QString savedDataRoot)
    : m_moviePath(std::move(moviePath)), m_urlOpener(urlOpener),
      m_savedDataRoot(std::move(savedDataRoot))
{
}

void MovieScriptServices::trace(const QString &line)
{
    qCDebug(lcMovieScript).noquote() << line;
}

void MovieScriptServices::openUrl(const QString &url)
{
    // The machine hands over only http, https and mailto addresses; a
    // malformed one is dropped rather than guessed at.
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid()) {
        qCInfo(lcMovieScript) << "not a valid address:" << url;
        return;
    }
    m_urlOpener.openUrl(parsed);
}

void MovieScriptServices::fsCommand(const QString &command, const QString &args)
{
    qCInfo(lcMovieScript).noquote() << "fscommand" << command << args;
    if (command.compare(QLatin1String("quit"), Qt::CaseInsensitive) == 0 && onQuit)
        onQuit();
}

QString MovieScriptServices::movieUrl() const
{
    return QUrl::fromLocalFile(QFileInfo(m_moviePath).absoluteFilePath())
        .toString(QUrl::FullyEncoded);
}
